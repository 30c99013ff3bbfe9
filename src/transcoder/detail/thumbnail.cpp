#include "transcoder/detail/thumbnail.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include <string>

extern "C" {
#include <libavutil/macros.h>
#include <libavutil/pixdesc.h>
}

#include "transcoder/detail/cancel_watch.h"
#include "transcoder/detail/filter_graph.h"
#include "transcoder/detail/picture_skip.h"
#include "transcoder/detail/orientation.h"
#include "transcoder/transcoder.h"
#include "transcoder/detail/video_filter.h"

namespace kivotra {

namespace av {

namespace {

// The cover's window on the file's timeline, in 1/600 s: from 0.05 s to 1.05 s.
constexpr AVRational mediaTimescale{1, 600};
constexpr std::int64_t coverFrom = 30;
constexpr std::int64_t coverUntil = coverFrom + 600;

// Decodes until the first frame inside the window; null when none comes.
// Pictures before the window that nothing refers to are not decoded. The
// pixel aspect the picture states is kept on the stream when the header said
// none (as reading the stream info would have).
FramePtr decodeCover(MediaInput& input, int index) {
  AVStream* st = input.stream(index);
  const detail::DisposablePictures pictures(*st->codecpar);
  const AVCodec* codec = avcodec_find_decoder(st->codecpar->codec_id);
  if (codec == nullptr) return {};
  CodecContextPtr ctx(avcodec_alloc_context3(codec));
  if (!ctx || avcodec_parameters_to_context(ctx.get(), st->codecpar) < 0) return {};
  ctx->pkt_timebase = st->time_base;
  ctx->thread_count = 1;  // frame threads would hold the first frames back
  PacketPtr packet = makePacket();
  FramePtr frame = makeFrame();
  if (!packet || !frame || avcodec_open2(ctx.get(), codec, nullptr) < 0) return {};

  while (!input.pastDeadline()) {
    const int got = avcodec_receive_frame(ctx.get(), frame.get());
    if (got == 0) {
      const std::int64_t pts = frame->best_effort_timestamp;
      if (pts != AV_NOPTS_VALUE) {
        if (av_compare_ts(pts, st->time_base, coverUntil, mediaTimescale) > 0) return {};
        if (av_compare_ts(pts, st->time_base, coverFrom, mediaTimescale) >= 0) {
          if (st->codecpar->sample_aspect_ratio.num <= 0) st->codecpar->sample_aspect_ratio = frame->sample_aspect_ratio;
          return frame;
        }
      }
      av_frame_unref(frame.get());
      continue;
    }
    if (got != AVERROR(EAGAIN)) return {};  // end of stream or a decoder failure

    const int read = av_read_frame(input.context(), packet.get());
    if (read == AVERROR_EOF) {
      if (avcodec_send_packet(ctx.get(), nullptr) < 0) return {};
      continue;
    }
    if (read < 0) return {};
    if (packet->stream_index == index) {
      // Well past the window in decoding order: frames before it never decoded.
      const bool hopeless = packet->dts != AV_NOPTS_VALUE &&
                            av_compare_ts(packet->dts, st->time_base, coverUntil + 1200, mediaTimescale) > 0;
      const bool unseen = packet->pts != AV_NOPTS_VALUE &&
                          av_compare_ts(packet->pts, st->time_base, coverFrom, mediaTimescale) < 0 &&
                          pictures.disposable(*packet);
      // A damaged packet is skipped; the next key frame may still decode.
      if (!hopeless && !unseen) avcodec_send_packet(ctx.get(), packet.get());
      av_packet_unref(packet.get());
      if (hopeless) return {};
    } else {
      av_packet_unref(packet.get());
    }
  }
  return {};
}

// The frame scaled to about width x height (even sides) through the colour
// path of the output: the same reading of its tags, the same tone mapping.
// BT.709 limited-range yuv420p, or null.
FramePtr toOutputColour(const AVFrame* frame, int width, int height) {
  const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(static_cast<AVPixelFormat>(frame->format));
  detail::FilterText text = detail::describeColourPath(detail::sourceColour(*frame), desc ? desc->comp[0].depth : 8,
                                                       (width + 1) & ~1, (height + 1) & ~1);
  // zimg wants whole chroma samples: an odd side loses its last line, as in
  // the output.
  if ((frame->width | frame->height) & 1) {
    char crop[96];
    std::snprintf(crop, sizeof crop, "crop=w=%d:h=%d:x=0:y=0:exact=1,", std::max(2, frame->width & ~1),
                  std::max(2, frame->height & ~1));
    text.chain = crop + text.chain;
  }
  detail::FilterGraph graph;
  if (graph.build({frame->width, frame->height, frame->format}, text, 1) < 0) return {};

  FramePtr in(av_frame_clone(frame));
  FramePtr out = makeFrame();
  if (!in || !out) return {};
  in->pts = 0;
  in->sample_aspect_ratio = {1, 1};
  if (graph.send(in.get()) < 0 || graph.close(1) < 0) return {};
  if (graph.receive(out.get()) < 0) return {};
  return out;
}

// Scales the frame to the thumbnail's size (in stored orientation), then turns
// and mirrors it upright.
std::optional<RgbaBitmap> toBitmap(const AVFrame* source, Size upright, Orientation o, int maxPixel) {
  const double scale = std::min({1.0, static_cast<double>(maxPixel) / upright.width,
                                 static_cast<double>(maxPixel) / upright.height});
  const int width = std::max(1, static_cast<int>(std::lround(upright.width * scale)));
  const int height = std::max(1, static_cast<int>(std::lround(upright.height * scale)));
  const int storedW = o.swapsSides() ? height : width;
  const int storedH = o.swapsSides() ? width : height;

  const FramePtr converted = toOutputColour(source, storedW, storedH);
  if (!converted) return std::nullopt;
  const AVFrame* frame = converted.get();
  SwsContextPtr sws(sws_getContext(frame->width, frame->height, static_cast<AVPixelFormat>(frame->format), storedW,
                                   storedH, AV_PIX_FMT_RGBA, SWS_BICUBIC, nullptr, nullptr, nullptr));
  if (!sws) return std::nullopt;
  sws_setColorspaceDetails(sws.get(), sws_getCoefficients(SWS_CS_ITU709), 0, sws_getCoefficients(SWS_CS_DEFAULT), 1, 0,
                           1 << 16, 1 << 16);
  // swscale writes whole SIMD blocks: rows must be aligned and the buffer padded,
  // or a picture a few pixels wide is written past its end.
  const int stride = FFALIGN(storedW * 4, 64);
  std::vector<std::uint8_t> stored(static_cast<std::size_t>(stride) * storedH + 64);
  std::uint8_t* dst[4] = {stored.data(), nullptr, nullptr, nullptr};
  const int dstStride[4] = {stride, 0, 0, 0};
  if (sws_scale(sws.get(), frame->data, frame->linesize, 0, frame->height, dst, dstStride) != storedH) {
    return std::nullopt;
  }

  RgbaBitmap bitmap{width, height, std::vector<std::uint8_t>(static_cast<std::size_t>(width) * height * 4)};
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      // Undo the mirror, then the clockwise turn, to find the stored pixel.
      const int ux = o.mirrored ? width - 1 - x : x;
      int sx = ux, sy = y;
      switch (o.clockwise) {
        case 90: sx = y; sy = storedH - 1 - ux; break;
        case 180: sx = storedW - 1 - ux; sy = storedH - 1 - y; break;
        case 270: sx = storedW - 1 - y; sy = ux; break;
        default: break;
      }
      const std::size_t from = static_cast<std::size_t>(sy) * stride + static_cast<std::size_t>(sx) * 4;
      std::copy_n(&stored[from], 4, &bitmap.pixels[(static_cast<std::size_t>(y) * width + x) * 4]);
    }
  }
  return bitmap;
}

}  // namespace

std::optional<RgbaBitmap> coverFrame(MediaInput& input, int videoStream, int maxPixel) {
  try {
    if (maxPixel < 1 || videoStream < 0) return std::nullopt;
    const AVStream* st = input.stream(videoStream);
    const Size upright = displaySize(st);
    if (upright.width < 1 || upright.height < 1) return std::nullopt;
    const FramePtr frame = decodeCover(input, videoStream);
    if (!frame) return std::nullopt;
    return toBitmap(frame.get(), upright, orientationOf(displayMatrix(st)), maxPixel);
  } catch (...) {
    return std::nullopt;  // a missing cover never fails anything
  }
}

}  // namespace av

std::optional<RgbaBitmap> Transcoder::makeThumbnail(const std::filesystem::path& source, int maxPixel,
                                                    const CancelFn& isCancelled) {
  try {
    const detail::CancelWatch watch(isCancelled);
    av::MediaInput input(source, av::MediaInput::Clock::now() + av::kCoverTimeLimit, watch.token(),
                         av::MediaInput::Analysis::indexed);
    return av::coverFrame(input, input.firstVideoStream(), maxPixel);
  } catch (...) {
    return std::nullopt;
  }
}

}  // namespace kivotra
