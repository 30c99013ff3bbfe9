// Test media made by the ffmpeg tool from generated pictures and tones, and
// read back through the ffprobe and ffmpeg tools. What the tool has no option
// for (a mirroring display matrix, the cover listed first) is then set in the
// written file's boxes.
extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/display.h>
}

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStringList>
#include <algorithm>
#include <cmath>
#include <fstream>
#include <map>
#include <mutex>
#include <optional>
#include <random>
#include <stdexcept>

#include "support/media_fixtures.h"
#include "support/scratch_dir.h"
#include "support/tool_process.h"

namespace kivotra::fixtures {

namespace {

[[noreturn]] void fail(const std::string& what) { throw std::runtime_error("fixture: " + what); }

}  // namespace

std::string runTool(const char* program, const QStringList& args, const std::filesystem::path& dir, bool wantStderr) {
  QProcess process;
  process.setWorkingDirectory(QString::fromStdString(dir.string()));
  test::startTool(process, program, QStringList{"-v", "error"} + args, dir);
  const test::ToolResult r = test::finishTool(process, 120000);
  if (r.hung) fail(std::string(program) + " hung: " + args.join(' ').toStdString());
  if (r.crashed || r.exitCode != 0) fail(std::string(program) + " " + args.join(' ').toStdString() + ": " + r.err);
  return wantStderr ? r.err : r.out;
}

namespace {

// The tools take file names as UTF-8 text; a name that is not (a disk holds
// any bytes) is reached through a link with a plain name.
class ToolPath {
 public:
  explicit ToolPath(const std::filesystem::path& path) : text_(QString::fromStdString(path.string())) {
    if (text_.toStdString() == path.string()) return;
    link_.emplace();
    std::filesystem::create_symlink(std::filesystem::absolute(path), link_->path() / "media");
    text_ = QString::fromStdString((link_->path() / "media").string());
  }
  const QString& text() const { return text_; }

 private:
  std::optional<ScratchDir> link_;
  QString text_;
};

// Draws r filled with colour, on the frames where `enable` holds; drawbox
// reads a zero size as the whole picture, so an empty rectangle draws nothing.
void addBox(QStringList& filters, const Rect& r, const char* colour, const QString& enable = "1") {
  if (r.w <= 0 || r.h <= 0) return;
  filters << QString("drawbox=x=%1:y=%2:w=%3:h=%4:c=%5:t=fill:enable='%6'")
                 .arg(r.x).arg(r.y).arg(r.w).arg(r.h).arg(colour, enable);
}

QString pictureGraph(const MediaOptions& o) {
  const int w = o.width, h = o.height;
  const auto frames = static_cast<std::int64_t>(std::floor(o.seconds * o.fps.value() + 1e-9));
  QStringList f{QString("color=c=0x808080:s=%1x%2:r=%3/%4").arg(w).arg(h).arg(o.fps.num).arg(o.fps.den),
                QString("trim=end_frame=%1").arg(frames)};
  addBox(f, pattern::marker(w, h), "white");
  addBox(f, pattern::tail(w, h), "white");
  for (int bit = 0; bit < 8; ++bit) {
    addBox(f, pattern::counterCell(w, h, bit), "0x404040");
    addBox(f, pattern::counterCell(w, h, bit), "white", QString("mod(floor(n/%1),2)").arg(1 << bit));
  }
  // Times in half periods: 2 each, or durations of 1, 2 and 3 in turn.
  f << QString("settb=%1/%2").arg(o.fps.den).arg(2 * o.fps.num);
  f << (o.variableFrameRate ? "setpts='floor(N/3)*6+gte(mod(N,3),1)+2*eq(mod(N,3),2)'" : "setpts=2*N");
  return f.join(',');
}

QString soundGraph(const MediaOptions& o) {
  QStringList tones;
  for (int ch = 0; ch < o.audioChannels; ++ch) tones << QString("0.25*sin(2*PI*%1*t)").arg(440 * (ch + 1));
  AVChannelLayout layout;
  av_channel_layout_default(&layout, o.audioChannels);
  char name[64] = {};
  av_channel_layout_describe(&layout, name, sizeof name);
  const double seconds = o.seconds + (o.video ? o.audioLeadSeconds : 0);
  return QString("aevalsrc='%1':c=%2:s=%3:d=%4").arg(tones.join('|'), name).arg(o.audioSampleRate).arg(seconds, 0, 'f', 6);
}

QStringList videoCodecOptions(const MediaOptions& o) {
  const bool hdr = o.hdr != Hdr::none;
  QStringList args{"-c:v:0", hdr ? "libx265" : "libx264", "-preset:v:0", hdr ? "ultrafast" : "veryfast",
                   "-pix_fmt:v:0", hdr ? "yuv420p10le" : "yuv420p", "-fps_mode:v:0", "passthrough",
                   "-enc_time_base:v:0", QString("%1/%2").arg(o.fps.den).arg(2 * o.fps.num),
                   "-color_range:v:0", "tv", "-color_primaries:v:0", hdr ? "bt2020" : "bt709",
                   "-colorspace:v:0", hdr ? "bt2020nc" : "bt709", "-color_trc:v:0",
                   o.hdr == Hdr::pq ? "smpte2084" : o.hdr == Hdr::hlg ? "arib-std-b67" : "bt709"};
  QStringList params;
  if (hdr) params << "log-level=error";
  if (o.keyframeInterval > 0) {
    args << "-g:v:0" << QString::number(o.keyframeInterval);
    params << "scenecut=0";
  }
  if (!params.isEmpty()) args << (hdr ? "-x265-params" : "-x264-params") << params.join(':');
  if (hdr) args << "-tag:v:0" << "hvc1";
  return args;
}

// ---- boxes --------------------------------------------------------------

std::uint32_t readBe32(const std::string& data, std::size_t at) {
  std::uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v = (v << 8) | static_cast<std::uint8_t>(data[at + i]);
  return v;
}

void putBe32(std::string& data, std::size_t at, std::uint32_t v) {
  for (int i = 3; i >= 0; --i, v >>= 8) data[at + i] = static_cast<char>(v & 0xff);
}

std::size_t findBox(const std::string& data, std::size_t begin, std::size_t end, const char* type) {
  for (const Box& box : boxes(data, begin, end)) {
    if (box.type == type) return box.at;
  }
  fail(std::string("no ") + type + " box in the written file");
}

// Sets the first track's display matrix and moves the cover (the iTunes-style
// udta box, which the muxer puts after the tracks) before the first track, so
// that demuxers list it as stream 0. Sizes and sample offsets stay as they are.
void patchBoxes(const std::filesystem::path& path, const MediaOptions& o) {
  std::string data = readFile(path);
  const std::size_t moov = findBox(data, 0, data.size(), "moov"), moovEnd = moov + readBe32(data, moov);
  const std::size_t trak = findBox(data, moov + 8, moovEnd, "trak");
  if (o.rotation % 360 != 0 || o.hflip) {
    std::int32_t matrix[9];
    // For a positive angle this gives the matrix {0, 1, -1, 0} of a phone's
    // portrait recording: turned clockwise on screen (ffprobe: "rotation -90").
    av_display_rotation_set(matrix, o.rotation);
    av_display_matrix_flip(matrix, o.hflip, 0);
    const std::size_t tkhd = findBox(data, trak + 8, trak + readBe32(data, trak), "tkhd");
    const std::size_t at = tkhd + 8 + (data[tkhd + 8] == 1 ? 52 : 40);
    for (int i = 0; i < 9; ++i) putBe32(data, at + 4 * i, static_cast<std::uint32_t>(matrix[i]));
  }
  if (o.coverArt) {
    const std::size_t udta = findBox(data, trak, moovEnd, "udta");
    const std::string box = data.substr(udta, readBe32(data, udta));
    data.erase(udta, box.size());
    data.insert(trak, box);
  }
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out.write(data.data(), static_cast<std::streamsize>(data.size())).flush()) fail("cannot write " + path.string());
}

}  // namespace

void writeMedia(const std::filesystem::path& path, const MediaOptions& o) {
  const bool mov = path.extension() == ".mov", sound = o.audioChannels > 0;
  if (!mov && path.extension() != ".mp4" && path.extension() != ".m4v") fail("unsupported extension " + path.string());
  if (!o.video && !sound) fail("a file needs video or audio");
  if (o.coverArt && mov) fail("the muxer writes cover art into .mp4 only");
  QStringList inputs, codecs;
  if (o.video) {
    inputs << "-itsoffset" << QString::number(sound ? o.audioLeadSeconds : 0) << "-f" << "lavfi" << "-i" << pictureGraph(o);
    codecs << videoCodecOptions(o);
  }
  if (sound) {
    inputs << "-f" << "lavfi" << "-i" << soundGraph(o);
    codecs << "-c:a" << (mov ? "pcm_s16le" : "aac");
  }
  if (o.coverArt) {  // an 8x8 red PNG
    inputs << "-f" << "lavfi" << "-i" << "color=c=red:s=8x8,trim=end_frame=1";
    codecs << "-c:v:1" << "png" << "-disposition:v:1" << "attached_pic";
  }
  QStringList maps;
  for (int i = 0; i < inputs.count("-i"); ++i) maps << "-map" << QString::number(i);
  if (o.indexFirst) codecs << "-movflags" << "+faststart";
  runTool("ffmpeg", QStringList{"-nostdin", "-y"} + inputs + maps + codecs + QStringList{QString::fromStdString(path.string())});
  if (o.rotation % 360 != 0 || o.hflip || o.coverArt) patchBoxes(path, o);
}

// Files this small have no 64-bit or open-ended boxes.
std::vector<Box> boxes(const std::string& data, std::size_t begin, std::size_t end) {
  end = std::min(end, data.size());
  std::vector<Box> found;
  for (std::size_t at = begin; at + 8 <= end; at += found.back().size) {
    found.push_back({data.substr(at + 4, 4), at, readBe32(data, at)});
    if (found.back().size < 8 || at + found.back().size > end) fail("malformed box");
  }
  return found;
}

void writeBytes(const std::filesystem::path& path, std::size_t bytes) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  if (!file) fail("cannot write " + path.string());
  std::mt19937 random(20240611);
  for (std::size_t i = 0; i < bytes; ++i) file.put(static_cast<char>(random() & 0xff));
  if (!file.flush()) fail("cannot write " + path.string());
}

// ---- reading back -------------------------------------------------------

namespace {

std::string text(const QJsonObject& o, const char* key) { return o.value(key).toString("unknown").toStdString(); }

double number(const QJsonObject& o, const char* key) { return o.value(key).toString().toDouble(); }

Rational rational(const QString& text) {
  const QStringList parts = text.split('/');
  return parts.size() == 2 ? Rational{parts[0].toInt(), parts[1].toInt()} : Rational{0, 1};
}

// Clockwise degrees 0..359 from the display matrix (ffprobe gives them anticlockwise).
int rotation(const QJsonObject& stream) {
  for (const QJsonValue side : stream.value("side_data_list").toArray()) {
    if (side.toObject().contains("rotation")) return ((-side.toObject().value("rotation").toInt()) % 360 + 360) % 360;
  }
  return 0;
}

}  // namespace

MediaFacts readFacts(const std::filesystem::path& path) {
  const QJsonObject all = QJsonDocument::fromJson(QByteArray::fromStdString(runTool(
      "ffprobe", {"-of", "json", "-show_format", "-show_streams", "-show_packets", ToolPath(path).text()}))).object();
  MediaFacts facts;
  facts.duration = number(all.value("format").toObject(), "duration");
  const QJsonObject tags = all.value("format").toObject().value("tags").toObject();
  for (auto tag = tags.begin(); tag != tags.end(); ++tag) {
    facts.tags[tag.key().toStdString()] = tag.value().toString().toStdString();
  }
  for (const QJsonValue value : all.value("streams").toArray()) {
    const QJsonObject s = value.toObject();
    const bool cover = s.value("disposition").toObject().value("attached_pic").toInt() != 0;
    const std::string kind = text(s, "codec_type");
    facts.streamKinds.push_back(cover ? "cover" : kind);
    const int index = s.value("index").toInt();
    const double start = number(s, "start_time"), duration = s.contains("duration") ? number(s, "duration") : facts.duration;
    if (kind == "video" && !cover && !facts.video) {
      facts.video = VideoFacts{index, text(s, "codec_name"), s.value("width").toInt(), s.value("height").toInt(),
                               rotation(s), text(s, "pix_fmt"), text(s, "color_transfer"),
                               rational(s.value("avg_frame_rate").toString()), start, duration, {}};
    } else if (kind == "audio" && !facts.audio) {
      facts.audio = AudioFacts{index, text(s, "codec_name"), static_cast<int>(number(s, "sample_rate")),
                               s.value("channels").toInt(), start, duration, 0};
    }
  }
  double audioSeconds = 0;
  for (const QJsonValue value : all.value("packets").toArray()) {
    const QJsonObject p = value.toObject();
    const int stream = p.value("stream_index").toInt();
    if (facts.video && stream == facts.video->streamIndex && p.contains("pts_time")) {
      facts.video->frameTimes.push_back(number(p, "pts_time"));
    }
    if (facts.audio && stream == facts.audio->streamIndex) audioSeconds += number(p, "duration_time");
  }
  if (facts.audio) facts.audio->sampleCount = std::llround(audioSeconds * facts.audio->sampleRate);
  if (facts.video) std::sort(facts.video->frameTimes.begin(), facts.video->frameTimes.end());
  return facts;
}

// Every picture of the file's first video stream as 8-bit luma (the display matrix not
// applied), decoded in one run and kept until the file changes: tests read several pictures
// of one small output.
const std::vector<Image>& lumaFrames(const std::filesystem::path& path) {
  struct Decoded {
    std::filesystem::file_time_type written;
    std::uintmax_t size = 0;
    std::vector<Image> frames;
  };
  static std::mutex guard;
  static std::map<std::filesystem::path, Decoded> decoded;
  const std::lock_guard lock(guard);
  const auto written = std::filesystem::last_write_time(path);
  const auto size = std::filesystem::file_size(path);
  Decoded& d = decoded[std::filesystem::absolute(path)];
  if (d.written == written && d.size == size && !d.frames.empty()) return d.frames;
  const ToolPath file(path);
  const QStringList wh = QString::fromStdString(runTool("ffprobe", {"-select_streams", "V:0", "-show_entries",
                                                                    "stream=width,height", "-of", "csv=s=x:p=0", file.text()}))
                             .trimmed()
                             .split('x');
  const int width = wh.value(0).toInt(), height = wh.value(1).toInt();
  const std::string bytes =
      runTool("ffmpeg", {"-nostdin", "-noautorotate", "-i", file.text(), "-map", "0:V:0", "-vf", "extractplanes=y",
                         "-fps_mode", "passthrough", "-f", "rawvideo", "-pix_fmt", "gray", "-"});
  const std::size_t plane = static_cast<std::size_t>(width) * height;
  if (plane == 0 || bytes.size() % plane != 0) fail("no whole pictures in " + path.string());
  d = {written, size, {}};
  for (std::size_t at = 0; at < bytes.size(); at += plane) {
    d.frames.push_back({width, height, 1, std::vector<std::uint8_t>(bytes.begin() + at, bytes.begin() + at + plane)});
  }
  return d.frames;
}

Image decodeVideoFrame(const std::filesystem::path& path, int index) {
  const std::vector<Image>& frames = lumaFrames(path);
  if (index < 0 || static_cast<std::size_t>(index) >= frames.size()) {
    fail("frame " + std::to_string(index) + " not in " + path.string());
  }
  return frames[static_cast<std::size_t>(index)];
}

// ---- pixels -------------------------------------------------------------

namespace pattern {

Rect marker(int w, int h) { return {0, 0, w / 4, h / 4}; }

Rect tail(int w, int h) { return {w / 4, 0, w / 4, std::max(2, h / 16)}; }

Rect counterCell(int w, int h, int bit) {
  const int top = h - std::max(1, h / 8);
  const int left = bit * w / 8;
  return {left, top, (bit + 1) * w / 8 - left, h - top};
}

}  // namespace pattern

double Image::mean(const Rect& r, int channel) const {
  const int x0 = std::max(0, r.x), y0 = std::max(0, r.y);
  const int x1 = std::min(width, r.x + r.w), y1 = std::min(height, r.y + r.h);
  if (x1 <= x0 || y1 <= y0) fail("mean over an empty rectangle");
  double sum = 0;
  for (int y = y0; y < y1; ++y) {
    for (int x = x0; x < x1; ++x) sum += pixels[(static_cast<std::size_t>(y) * width + x) * channels + channel];
  }
  return sum / (static_cast<double>(x1 - x0) * (y1 - y0));
}

}  // namespace kivotra::fixtures
