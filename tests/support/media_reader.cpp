// Reading back through the ffprobe and ffmpeg tools.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <cmath>

#include "support/fixture_tool.h"
#include "support/media_fixtures.h"

namespace kivotra::fixtures {

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
  const QJsonObject all = QJsonDocument::fromJson(QByteArray::fromStdString(detail::runTool(
      "ffprobe", {"-of", "json", "-show_format", "-show_streams", "-show_packets", detail::ToolPath(path).text()}))).object();
  MediaFacts facts;
  facts.duration = number(all.value("format").toObject(), "duration");
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

Image decodeVideoFrame(const std::filesystem::path& path, int index, PixelKind kind) {
  const detail::ToolPath file(path);
  const QString size = QString::fromStdString(detail::runTool(
      "ffprobe", {"-select_streams", "V:0", "-show_entries", "stream=width,height", "-of", "csv=s=x:p=0", file.text()}));
  const QStringList wh = size.trimmed().split('x');
  const bool luma = kind == PixelKind::luma;
  Image img{wh.value(0).toInt(), wh.value(1).toInt(), luma ? 1 : 4, {}};
  // The display matrix is not applied; a 10-bit luma plane is reduced to 8 bits.
  const std::string bytes = detail::runTool(
      "ffmpeg", {"-nostdin", "-noautorotate", "-i", file.text(), "-map", "0:V:0", "-vf",
                 QString("select='eq(n,%1)'%2").arg(index).arg(luma ? ",extractplanes=y" : ""), "-fps_mode", "passthrough",
                 "-frames:v", "1", "-f", "rawvideo", "-pix_fmt", luma ? "gray" : "rgba", "-"});
  const auto expected = static_cast<std::size_t>(img.width) * img.height * img.channels;
  if (expected == 0 || bytes.size() != expected) {
    detail::fail("frame " + std::to_string(index) + " not in " + path.string());
  }
  img.pixels.assign(bytes.begin(), bytes.end());
  return img;
}

}  // namespace kivotra::fixtures
