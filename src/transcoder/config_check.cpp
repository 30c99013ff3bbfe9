#include "transcoder/config_check.h"

#include <string>

#include "models/errors.h"
#include "models/format.h"
#include "transcoder/frame_rate.h"

namespace kivotra::detail {

namespace {

using Transcoder::kMaxBitrateKbps;
using Transcoder::kMaxSide;
using Transcoder::kMinBitrateKbps;

}  // namespace

void checkConfig(const Transcoder::Config& config, Dims canvas) {
  if (config.bitrateKbps < kMinBitrateKbps || config.bitrateKbps > kMaxBitrateKbps) {
    throw TranscodeError::writerInit(formatText("视频码率 %d kbit/s 超出可用范围（%d 到 %d kbit/s）", config.bitrateKbps,
                                              kMinBitrateKbps, kMaxBitrateKbps));
  }
  if (config.fps > kMaxFps) {
    throw TranscodeError::writerInit(formatText("帧率 %d 超出可用范围（最高 %d 帧/秒）", config.fps, kMaxFps));
  }
  if (canvas.w > kMaxSide || canvas.h > kMaxSide) {
    throw TranscodeError::writerInit(
        formatText("输出尺寸 %d×%d 超出 H.264 的上限（每边最多 %d 像素）", canvas.w, canvas.h, kMaxSide));
  }
}

}  // namespace kivotra::detail
