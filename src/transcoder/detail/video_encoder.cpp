#include "transcoder/detail/video_encoder.h"

extern "C" {
#include <libavutil/opt.h>
}

#include "models/errors.h"
#include "models/text.h"
#include "transcoder/av_error.h"

namespace kivotra::detail {

av::CodecContextPtr openVideoEncoder(Dims canvas, AVRational fps, int bitrateKbps, const std::string& preset,
                                     bool globalHeader) {
  const AVCodec* codec = avcodec_find_encoder_by_name("libx264");
  if (codec == nullptr) throw TranscodeError::writerInit(translate("Engine", "无法添加视频输入（缺少 H.264 编码器 libx264）"));
  av::CodecContextPtr ctx(avcodec_alloc_context3(codec));
  if (!ctx) throw TranscodeError::writerInit(av::platformErrorFromAv(AVERROR(ENOMEM)).description());
  ctx->width = canvas.w;
  ctx->height = canvas.h;
  ctx->pix_fmt = AV_PIX_FMT_YUV420P;
  ctx->sample_aspect_ratio = {1, 1};
  ctx->time_base = av_inv_q(fps);
  ctx->framerate = fps;
  ctx->bit_rate = static_cast<std::int64_t>(bitrateKbps) * 1000;
  ctx->color_primaries = AVCOL_PRI_BT709;
  ctx->color_trc = AVCOL_TRC_BT709;
  ctx->colorspace = AVCOL_SPC_BT709;
  ctx->color_range = AVCOL_RANGE_MPEG;
  ctx->thread_count = 0;  // x264's own choice: frame threads for every core
  if (globalHeader) ctx->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  int err = av_opt_set(ctx->priv_data, "preset", preset.c_str(), 0);
  if (err >= 0) err = av_opt_set(ctx->priv_data, "profile", "high", 0);
  if (err >= 0) err = avcodec_open2(ctx.get(), codec, nullptr);
  if (err < 0) throw TranscodeError::writerInit(fillIn(translate("Engine", "无法添加视频输入（%1）"), {av::errorText(err)}));
  return ctx;
}

void encodeVideoStage(AVCodecContext* encoder, FrameQueue& frames, Muxer& muxer, int stream, RunControl& control,
                      const std::function<void(double)>& written) {
  while (auto frame = frames.pop(control.token())) {
    (*frame)->pict_type = AV_PICTURE_TYPE_NONE;
    muxer.encode(encoder, frame->get(), stream, written);
    control.touch();
  }
  if (control.stopRequested()) return;
  muxer.encode(encoder, nullptr, stream, written);
}

}  // namespace kivotra::detail
