#include "transcoder/config_check.h"

#include <string>

#include "models/errors.h"
#include "models/text.h"
#include "transcoder/detail/frame_rate.h"

namespace kivotra::detail {

namespace {

using Transcoder::kMaxBitrateKbps;
using Transcoder::kMaxSide;
using Transcoder::kMinBitrateKbps;

std::string number(int value) { return std::to_string(value); }

}  // namespace

void checkConfig(const Transcoder::Config& config, Dims canvas) {
  if (config.bitrateKbps < kMinBitrateKbps || config.bitrateKbps > kMaxBitrateKbps) {
    throw TranscodeError::writerInit(fillIn(translate("Engine", "视频码率 %1 kbit/s 超出可用范围（%2 到 %3 kbit/s）"),
                                            {number(config.bitrateKbps), number(kMinBitrateKbps), number(kMaxBitrateKbps)}));
  }
  if (config.fps > kMaxFps) {
    throw TranscodeError::writerInit(fillIn(translate("Engine", "帧率 %1 超出可用范围（最高 %2 帧/秒）"), {number(config.fps), number(kMaxFps)}));
  }
  if (canvas.w > kMaxSide || canvas.h > kMaxSide) {
    throw TranscodeError::writerInit(
        fillIn(translate("Engine", "输出尺寸 %1×%2 超出 H.264 的上限（每边最多 %3 像素）"),
               {number(canvas.w), number(canvas.h), number(kMaxSide)}));
  }
}

}  // namespace kivotra::detail
