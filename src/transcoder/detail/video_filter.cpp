#include "transcoder/detail/video_filter.h"

#include <algorithm>
#include <cstdio>
#include <initializer_list>

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/pixdesc.h>
}

#include "models/errors.h"
#include "models/format.h"
#include "models/text.h"
#include "transcoder/av_error.h"

namespace kivotra::detail {

namespace {

bool oneOf(int value, std::initializer_list<int> set) { return std::find(set.begin(), set.end(), value) != set.end(); }

TranscodeError pictureError(int err) {
  return TranscodeError::readerInit(fillIn(translate("Engine", "无法处理视频画面（%1）"), {av::errorText(err)}));
}

// The libavfilter chain from a decoded picture to an output frame:
// deinterlaced when it is interlaced, the visible part cut out, scaled and
// converted to BT.709 limited range (HDR tone mapped), turned upright,
// centred on the black canvas, at a constant rate. The rate is imposed first when frames are
// dropped (they then cost nothing) and last otherwise (so that no large source
// frame is held back waiting for its successor).
FilterText describeVideoChain(const Placement& p, const SourceColour& colour, int depth, const char* deinterlace,
                              const VideoTarget& target, double startSeconds) {
  const std::string rate = formatText("fps=fps=%d/%d:start_time=%.9f", target.fps.num, target.fps.den, startSeconds);
  std::string chain = target.dropsFrames ? rate : "null";
  if (deinterlace != nullptr) chain += deinterlace;
  if (p.cropsSource()) {
    chain += formatText(",crop=w=%d:h=%d:x=%d:y=%d:exact=1", p.crop.w, p.crop.h, p.crop.x, p.crop.y);
  }
  FilterText text = describeColourPath(colour, depth, p.scaledWidth, p.scaledHeight);
  text.chain = chain + "," + text.chain;
  std::string& rest = text.toneMaps() ? text.afterToneMap : text.chain;
  // Turned clockwise, then mirrored left-right; a turn and a mirror together
  // are one transpose (or one flip) of the other kind.
  const bool mirrored = p.orientation.mirrored;
  switch (p.orientation.clockwise) {
    case 90: rest += mirrored ? ",transpose=dir=cclock_flip" : ",transpose=dir=clock"; break;
    case 180: rest += mirrored ? ",vflip" : ",hflip,vflip"; break;
    case 270: rest += mirrored ? ",transpose=dir=clock_flip" : ",transpose=dir=cclock"; break;
    default: rest += mirrored ? ",hflip" : ""; break;
  }
  if (!p.fillsCanvas()) {
    rest += formatText(",pad=w=%d:h=%d:x=%d:y=%d:color=black", p.canvas.w, p.canvas.h, p.x, p.y);
  }
  if (!target.dropsFrames) rest += "," + rate;
  rest += ",setsar=1";
  return text;
}

bool streamInterlaced(int fieldOrder) {
  return oneOf(fieldOrder, {AV_FIELD_TT, AV_FIELD_BB, AV_FIELD_TB, AV_FIELD_BT});
}

// bwdif, one output frame per input frame: only the frames marked interlaced
// when the decoder marks them (a stream may switch), every frame when only
// the container says so. The field shown first follows the stream's order.
std::string describeDeinterlace(int width, int height, bool deinterlace, int fieldOrder, bool framesMarked) {
  if (!deinterlace || width < 4 || height < 4) return {};
  const char* parity = oneOf(fieldOrder, {AV_FIELD_TT, AV_FIELD_BT})   ? "tff"
                       : oneOf(fieldOrder, {AV_FIELD_BB, AV_FIELD_TB}) ? "bff"
                                                                       : "auto";
  return formatText(",bwdif=mode=send_frame:parity=%s:deint=%s", parity, framesMarked ? "interlaced" : "all");
}

}  // namespace

SourceColour sourceColour(const AVFrame& frame) {
  SourceColour c;
  const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(static_cast<AVPixelFormat>(frame.format));
  const bool rgb = desc != nullptr && (desc->flags & AV_PIX_FMT_FLAG_RGB);
  // An untagged matrix is read the way players read it: HD sizes as BT.709,
  // 576-line PAL and smaller as BT.601.
  const bool hd = frame.width >= 1280 || frame.height > 576;

  c.transfer = frame.color_trc;
  // BT.601 and BT.2020 SDR share BT.709's curve; naming them alike spares a
  // needless trip through linear light.
  if (oneOf(c.transfer, {AVCOL_TRC_SMPTE170M, AVCOL_TRC_BT2020_10, AVCOL_TRC_BT2020_12})) c.transfer = AVCOL_TRC_BT709;
  if (!oneOf(c.transfer, {AVCOL_TRC_BT709, AVCOL_TRC_GAMMA22, AVCOL_TRC_GAMMA28, AVCOL_TRC_LINEAR,
                          AVCOL_TRC_IEC61966_2_1, AVCOL_TRC_SMPTE2084, AVCOL_TRC_ARIB_STD_B67})) {
    c.transfer = AVCOL_TRC_BT709;
  }

  // Primaries are converted only when the file states them: players show
  // untagged SDR video without a gamut conversion, and a guess would shift
  // saturated colours. HDR needs its wide gamut to be mapped at all.
  c.primaries = frame.color_primaries;
  if (!oneOf(c.primaries, {AVCOL_PRI_BT709, AVCOL_PRI_BT470M, AVCOL_PRI_BT470BG, AVCOL_PRI_SMPTE170M,
                           AVCOL_PRI_SMPTE240M, AVCOL_PRI_FILM, AVCOL_PRI_BT2020, AVCOL_PRI_SMPTE431,
                           AVCOL_PRI_SMPTE432, AVCOL_PRI_EBU3213})) {
    c.primaries = c.hdr() ? AVCOL_PRI_BT2020 : AVCOL_PRI_BT709;
  }

  c.matrix = frame.colorspace;
  if (rgb) {
    c.matrix = AVCOL_SPC_RGB;
  } else if (!oneOf(c.matrix, {AVCOL_SPC_BT709, AVCOL_SPC_FCC, AVCOL_SPC_BT470BG, AVCOL_SPC_SMPTE170M,
                               AVCOL_SPC_SMPTE240M, AVCOL_SPC_YCGCO, AVCOL_SPC_BT2020_NCL, AVCOL_SPC_BT2020_CL})) {
    c.matrix = c.hdr() ? AVCOL_SPC_BT2020_NCL : hd ? AVCOL_SPC_BT709 : AVCOL_SPC_SMPTE170M;
  }

  c.fullRange = rgb || frame.color_range == AVCOL_RANGE_JPEG ||
                oneOf(frame.format, {AV_PIX_FMT_YUVJ420P, AV_PIX_FMT_YUVJ422P, AV_PIX_FMT_YUVJ444P,
                                     AV_PIX_FMT_YUVJ440P, AV_PIX_FMT_YUVJ411P});
  return c;
}

FilterText describeColourPath(const SourceColour& colour, int sourceDepth, int width, int height) {
  // Reducing 10 bits and more to 8 with error diffusion: a smooth gradient
  // keeps its in-between shades as a fine pattern instead of visible bands.
  const std::string dither = sourceDepth > 8 || colour.hdr() ? ":d=error_diffusion" : "";
  // zimg's lanczos keeps a little more detail than swscale's default bicubic
  // (0.07 dB PSNR in `make bench`, 1080p to 720P) and, with its SIMD kernels
  // and slice threads, costs half as much.
  FilterText text;
  text.chain = formatText("zscale=w=%d:h=%d:f=lanczos:pin=%d:tin=%d:min=%d:rin=%s", width, height, colour.primaries,
                          colour.transfer, colour.matrix, colour.fullRange ? "full" : "limited");
  if (colour.hdr()) {
    // HDR to SDR: linear light at 100 cd/m² per unit, gamut to BT.709, then a
    // curve that keeps shadows and mid-tones as they are and rolls the
    // highlights off instead of clipping them (hable darkens the mid-tones).
    text.chain += ":t=linear:npl=100,format=gbrpf32le,zscale=p=709";
    text.afterToneMap = "zscale=t=709:m=709:r=limited" + dither;
    // Highlights beyond the peak the file announces would land above
    // white; keep every sample inside the legal video range.
    text.afterToneMap += ",format=yuv420p,limiter=min=16:max=235:planes=1,limiter=min=16:max=240:planes=6";
  } else {
    text.chain += ":p=709:t=709:m=709:r=limited" + dither + ",format=yuv420p";
  }
  return text;
}

VideoFilter::VideoFilter(const VideoTarget& target, AVRational timeBase) : target_(target), timeBase_(timeBase) {}

void VideoFilter::build(const Shape& shape) {
  const Placement placement = placeFrame(shape.width, shape.height, av_q2d(shape.aspect), target_.orientation,
                                         target_.canvas, target_.fit);
  const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(static_cast<AVPixelFormat>(shape.format));
  const int depth = desc != nullptr ? desc->comp[0].depth : 8;
  const std::string deinterlace =
      describeDeinterlace(shape.width, shape.height, shape.deinterlace, target_.fieldOrder, framesMarked_);
  const FilterText text =
      describeVideoChain(placement, shape.colour, depth, deinterlace.empty() ? nullptr : deinterlace.c_str(), target_,
                         static_cast<double>(nextPts_) * target_.fps.den / target_.fps.num);
  // Slice threads for zscale, one per core.
  const int err = graph_.build({shape.width, shape.height, shape.format, timeBase_, shape.aspect}, text, 0);
  if (err < 0) throw pictureError(err);
  shape_ = shape;
}

void VideoFilter::send(av::FramePtr frame) {
  const AVRational aspect = frame->sample_aspect_ratio.num > 0 ? frame->sample_aspect_ratio : AVRational{1, 1};
  interlacedSeen_ = interlacedSeen_ || frame->interlaced_frame;
  const bool deinterlace = interlacedSeen_ || streamInterlaced(target_.fieldOrder);
  const Shape shape{frame->width, frame->height, frame->format, aspect, sourceColour(*frame), deinterlace};
  if (!graph_.built() || !(shape == shape_)) {
    if (graph_.built()) {
      // The source changed format mid-stream: finish the old graph up to
      // this frame, then go on with a new one on the same output clock.
      const int err = graph_.close(frame->pts);
      if (err < 0) throw pictureError(err);
      drainAll();
    }
    framesMarked_ = frame->interlaced_frame != 0;
    build(shape);
  }
  const int err = graph_.send(frame.get());
  if (err < 0) throw pictureError(err);
}

void VideoFilter::close(std::int64_t endPts) {
  if (!graph_.built()) {
    ended_ = true;
    return;
  }
  const int err = graph_.close(endPts);
  if (err < 0) throw pictureError(err);
}

void VideoFilter::drainAll() {
  for (;;) {
    av::FramePtr frame = av::makeFrame();
    if (!frame) throw pictureError(AVERROR(ENOMEM));
    const int err = graph_.receive(frame.get());
    if (err == AVERROR_EOF) return;
    if (err < 0) throw pictureError(err);
    nextPts_ = frame->pts + 1;
    drained_.push_back(std::move(frame));
  }
}

av::FramePtr VideoFilter::receive() {
  if (!drained_.empty()) {
    av::FramePtr frame = std::move(drained_.front());
    drained_.pop_front();
    return frame;
  }
  if (!graph_.built() || ended_) return nullptr;
  av::FramePtr frame = av::makeFrame();
  if (!frame) throw pictureError(AVERROR(ENOMEM));
  const int err = graph_.receive(frame.get());
  if (err == AVERROR(EAGAIN)) return nullptr;
  if (err == AVERROR_EOF) {
    ended_ = true;
    return nullptr;
  }
  if (err < 0) throw pictureError(err);
  nextPts_ = frame->pts + 1;
  return frame;
}

}  // namespace kivotra::detail
