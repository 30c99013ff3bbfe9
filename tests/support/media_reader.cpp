extern "C" {
#include <libavutil/display.h>
#include <libavutil/macros.h>
#include <libavutil/pixdesc.h>
}

#include <algorithm>
#include <cmath>

#include "support/av_check.h"
#include "support/media_fixtures.h"
#include "transcoder/av_ptr.h"

namespace kivotra::fixtures {

using detail::check;
using detail::fail;
using detail::require;

namespace {

av::InputContextPtr openInput(const std::filesystem::path& path) {
  AVFormatContext* raw = nullptr;
  check(avformat_open_input(&raw, path.c_str(), nullptr, nullptr), "opening " + path.string());
  av::InputContextPtr input(raw);
  check(avformat_find_stream_info(input.get(), nullptr), "reading stream info of " + path.string());
  return input;
}

bool isCover(const AVStream* st) { return (st->disposition & AV_DISPOSITION_ATTACHED_PIC) != 0; }

int firstVideoStream(const AVFormatContext* input) {
  for (unsigned i = 0; i < input->nb_streams; ++i) {
    const AVStream* st = input->streams[i];
    if (st->codecpar->codec_type == AVMEDIA_TYPE_VIDEO && !isCover(st)) return static_cast<int>(i);
  }
  return -1;
}

std::string orUnknown(const char* name) { return name ? name : "unknown"; }

double seconds(std::int64_t ts, AVRational tb) { return ts == AV_NOPTS_VALUE ? 0 : ts * av_q2d(tb); }

double streamDuration(const AVStream* st, const AVFormatContext* input) {
  if (st->duration != AV_NOPTS_VALUE && st->duration > 0) return seconds(st->duration, st->time_base);
  return input->duration > 0 ? static_cast<double>(input->duration) / AV_TIME_BASE : 0;
}

// Clockwise degrees from the display matrix, the inverse of what writeMedia stores.
int readRotation(const AVStream* st) {
  size_t size = 0;
  const auto* m = reinterpret_cast<const std::int32_t*>(av_stream_get_side_data(st, AV_PKT_DATA_DISPLAYMATRIX, &size));
  const double ccw = m != nullptr && size >= 9 * sizeof(std::int32_t) ? av_display_rotation_get(m) : 0;
  return std::isnan(ccw) ? 0 : ((static_cast<int>(std::lround(-ccw)) % 360) + 360) % 360;
}

}  // namespace

MediaFacts readFacts(const std::filesystem::path& path) {
  av::InputContextPtr input = openInput(path);
  MediaFacts facts;
  facts.duration = input->duration > 0 ? static_cast<double>(input->duration) / AV_TIME_BASE : 0;
  const int videoIndex = firstVideoStream(input.get());
  for (unsigned i = 0; i < input->nb_streams; ++i) {
    const AVStream* st = input->streams[i];
    const AVCodecParameters* par = st->codecpar;
    if (par->codec_type == AVMEDIA_TYPE_VIDEO) {
      facts.streamKinds.push_back(isCover(st) ? "cover" : "video");
    } else {
      facts.streamKinds.push_back(orUnknown(av_get_media_type_string(par->codec_type)));
    }
    if (static_cast<int>(i) == videoIndex) {
      VideoFacts v;
      v.streamIndex = videoIndex;
      v.codec = avcodec_get_name(par->codec_id);
      const char* profile = avcodec_profile_name(par->codec_id, par->profile);
      v.profile = profile ? profile : "";
      v.width = par->width;
      v.height = par->height;
      v.rotation = readRotation(st);
      v.pixelFormat = orUnknown(av_get_pix_fmt_name(static_cast<AVPixelFormat>(par->format)));
      v.colorPrimaries = orUnknown(av_color_primaries_name(par->color_primaries));
      v.colorTransfer = orUnknown(av_color_transfer_name(par->color_trc));
      v.colorSpace = orUnknown(av_color_space_name(par->color_space));
      v.colorRange = orUnknown(av_color_range_name(par->color_range));
      v.avgFrameRate = {st->avg_frame_rate.num, st->avg_frame_rate.den};
      v.startTime = seconds(st->start_time, st->time_base);
      v.duration = streamDuration(st, input.get());
      facts.video = v;
    } else if (par->codec_type == AVMEDIA_TYPE_AUDIO && !facts.audio) {
      AudioFacts a;
      a.streamIndex = static_cast<int>(i);
      a.codec = avcodec_get_name(par->codec_id);
      a.sampleRate = par->sample_rate;
      a.channels = par->ch_layout.nb_channels;
      a.startTime = seconds(st->start_time, st->time_base);
      a.duration = streamDuration(st, input.get());
      facts.audio = a;
    }
  }

  av::PacketPtr packet = av::makePacket();
  require(packet.get(), "packet");
  for (;;) {
    const int got = av_read_frame(input.get(), packet.get());
    if (got == AVERROR_EOF) break;
    check(got, "reading " + path.string());
    const AVStream* st = input->streams[packet->stream_index];
    if (packet->pts != AV_NOPTS_VALUE) {
      const double at = seconds(packet->pts, st->time_base);
      if (facts.video && packet->stream_index == facts.video->streamIndex) facts.video->frameTimes.push_back(at);
    }
    if (facts.audio && packet->stream_index == facts.audio->streamIndex && facts.audio->sampleRate > 0) {
      facts.audio->sampleCount += av_rescale_q(packet->duration, st->time_base, {1, facts.audio->sampleRate});
    }
    av_packet_unref(packet.get());
  }
  if (facts.video) std::sort(facts.video->frameTimes.begin(), facts.video->frameTimes.end());
  return facts;
}

namespace {

Image toLuma(const AVFrame* frame) {
  const AVPixFmtDescriptor* desc = require(av_pix_fmt_desc_get(static_cast<AVPixelFormat>(frame->format)), "format");
  if (desc->flags & (AV_PIX_FMT_FLAG_RGB | AV_PIX_FMT_FLAG_HWACCEL)) fail("luma of a non-YUV frame");
  const int depth = desc->comp[0].depth;
  Image img{frame->width, frame->height, 1, {}};
  img.pixels.resize(static_cast<std::size_t>(img.width) * img.height);
  for (int y = 0; y < img.height; ++y) {
    const std::uint8_t* row = frame->data[0] + static_cast<std::ptrdiff_t>(y) * frame->linesize[0];
    for (int x = 0; x < img.width; ++x) {
      img.pixels[static_cast<std::size_t>(y) * img.width + x] =
          depth > 8 ? static_cast<std::uint8_t>(reinterpret_cast<const std::uint16_t*>(row)[x] >> (depth - 8))
                    : row[x];
    }
  }
  return img;
}

Image toRgba(const AVFrame* frame) {
  av::SwsContextPtr sws(require(sws_getContext(frame->width, frame->height, static_cast<AVPixelFormat>(frame->format),
                                               frame->width, frame->height, AV_PIX_FMT_RGBA, SWS_BICUBIC, nullptr,
                                               nullptr, nullptr),
                                "scaler"));
  const int fullRange = frame->color_range == AVCOL_RANGE_JPEG ? 1 : 0;
  // Returns -1 for RGB sources, whose colours need no matrix: not an error.
  sws_setColorspaceDetails(sws.get(), sws_getCoefficients(frame->colorspace), fullRange,
                           sws_getCoefficients(SWS_CS_DEFAULT), 1, 0, 1 << 16, 1 << 16);
  // swscale writes whole SIMD blocks: convert into rows padded to 64 bytes,
  // then copy out the picture without the padding.
  const int stride = FFALIGN(frame->width * 4, 64);
  std::vector<std::uint8_t> padded(static_cast<std::size_t>(stride) * frame->height + 64);
  std::uint8_t* dst[1] = {padded.data()};
  const int dstStride[1] = {stride};
  check(sws_scale(sws.get(), frame->data, frame->linesize, 0, frame->height, dst, dstStride), "converting frame");
  Image img{frame->width, frame->height, 4, {}};
  for (int y = 0; y < img.height; ++y) {
    const auto* row = padded.data() + static_cast<std::size_t>(y) * stride;
    img.pixels.insert(img.pixels.end(), row, row + img.width * 4);
  }
  return img;
}

}  // namespace

Image decodeVideoFrame(const std::filesystem::path& path, int index, PixelKind kind) {
  av::InputContextPtr input = openInput(path);
  const int streamIndex = firstVideoStream(input.get());
  if (streamIndex < 0) fail("no video stream in " + path.string());
  const AVCodecParameters* par = input->streams[streamIndex]->codecpar;
  const AVCodec* codec = require(avcodec_find_decoder(par->codec_id), "no decoder");
  av::CodecContextPtr ctx(require(avcodec_alloc_context3(codec), "decoder context"));
  check(avcodec_parameters_to_context(ctx.get(), par), "decoder parameters");
  check(avcodec_open2(ctx.get(), codec, nullptr), "opening decoder");

  av::PacketPtr packet = av::makePacket();
  av::FramePtr frame = av::makeFrame();
  require(packet.get(), "packet");
  require(frame.get(), "frame");
  int decoded = 0;
  bool flushing = false;
  for (;;) {
    if (!flushing) {
      const int got = av_read_frame(input.get(), packet.get());
      if (got == AVERROR_EOF) {
        flushing = true;
        check(avcodec_send_packet(ctx.get(), nullptr), "flushing decoder");
      } else {
        check(got, "reading " + path.string());
        const bool ours = packet->stream_index == streamIndex;
        if (ours) check(avcodec_send_packet(ctx.get(), packet.get()), "decoding");
        av_packet_unref(packet.get());
        if (!ours) continue;
      }
    }
    for (;;) {
      const int got = avcodec_receive_frame(ctx.get(), frame.get());
      if (got == AVERROR(EAGAIN)) break;
      if (got == AVERROR_EOF) fail("frame " + std::to_string(index) + " not in " + path.string());
      check(got, "decoding");
      if (decoded++ == index) return kind == PixelKind::luma ? toLuma(frame.get()) : toRgba(frame.get());
      av_frame_unref(frame.get());
    }
  }
}

}  // namespace kivotra::fixtures
