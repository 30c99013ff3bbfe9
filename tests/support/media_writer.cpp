// The fixtures are made by the ffmpeg tool from generated pictures and tones;
// what it has no option for (a mirroring display matrix, the cover listed
// first) is then set in the written file's boxes.
extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/display.h>
}

#include <cmath>
#include <fstream>
#include <random>

#include "support/fixture_tool.h"
#include "support/media_fixtures.h"
#include "support/scratch_dir.h"

namespace kivotra::fixtures {

using detail::fail;

namespace {

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

// Where the first box of `type` among those in [begin, end) starts. Files this
// small have no 64-bit or open-ended boxes.
std::size_t findBox(const std::string& data, std::size_t begin, std::size_t end, const char* type) {
  for (std::size_t at = begin; at + 8 <= end; at += readBe32(data, at)) {
    if (readBe32(data, at) < 8 || at + readBe32(data, at) > end) fail("malformed box in the written file");
    if (data.compare(at + 4, 4, type) == 0) return at;
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
  detail::runTool("ffmpeg", QStringList{"-nostdin", "-y"} + inputs + maps + codecs + QStringList{QString::fromStdString(path.string())});
  if (o.rotation % 360 != 0 || o.hflip || o.coverArt) patchBoxes(path, o);
}

void writeBytes(const std::filesystem::path& path, std::size_t bytes) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  if (!file) fail("cannot write " + path.string());
  std::mt19937 random(20240611);
  for (std::size_t i = 0; i < bytes; ++i) file.put(static_cast<char>(random() & 0xff));
  if (!file.flush()) fail("cannot write " + path.string());
}

}  // namespace kivotra::fixtures
