#include "transcoder/config_check.h"

#include <cstdio>
#include <string>

#include "models/errors.h"
#include "transcoder/detail/frame_rate.h"

namespace kivotra::detail {

namespace {

constexpr int kMinBitrateKbps = 1;
constexpr int kMaxBitrateKbps = 1000000;
constexpr int kMaxSide = 8192;  // H.264's largest level

template <class... Args>
std::string sentence(const char* pattern, Args... args) {
  char text[256];
  std::snprintf(text, sizeof text, pattern, args...);
  return text;
}

}  // namespace

void checkConfig(const Transcoder::Config& config, Dims canvas) {
  if (config.bitrateKbps < kMinBitrateKbps || config.bitrateKbps > kMaxBitrateKbps) {
    throw TranscodeError::writerInit(sentence("视频码率 %d kbit/s 超出可用范围（%d 到 %d kbit/s）", config.bitrateKbps,
                                              kMinBitrateKbps, kMaxBitrateKbps));
  }
  if (config.fps > kMaxFps) {
    throw TranscodeError::writerInit(sentence("帧率 %d 超出可用范围（最高 %d 帧/秒）", config.fps, kMaxFps));
  }
  if (canvas.w > kMaxSide || canvas.h > kMaxSide) {
    throw TranscodeError::writerInit(
        sentence("输出尺寸 %d×%d 超出 H.264 的上限（每边最多 %d 像素）", canvas.w, canvas.h, kMaxSide));
  }
}

}  // namespace kivotra::detail
