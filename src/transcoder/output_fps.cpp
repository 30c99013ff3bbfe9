#include <algorithm>
#include <cmath>

#include "transcoder/transcoder.h"

namespace kivotra::Transcoder {

int outputFPS(const ProbeInfo& info, const Config& config) {
  const double src = info.fps;
  const auto rounded = [](double rate) {
    return static_cast<int>(std::max(1.0, std::min(std::round(rate), 1e6)));
  };
  if (config.fps >= 1) {
    if (src > 0 && src < config.fps) return rounded(src);
    return config.fps;
  }
  return src > 0 ? rounded(src) : 30;
}

}  // namespace kivotra::Transcoder
