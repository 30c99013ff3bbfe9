#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>

#include "transcoder/transcoder.h"

namespace kivotra::detail {

struct RunLimits {
  // No frame accepted by an encoder for this long aborts the run as stalled.
  std::chrono::milliseconds stallTimeout{30000};
  // How often the caller's stop request and the stall clock are looked at.
  std::chrono::milliseconds pollInterval{50};
};

// transcodeSync with its limits spelled out (tests shorten the stall timeout).
std::int64_t runTranscode(const std::filesystem::path& source, const std::filesystem::path& destination,
                          const Transcoder::Config& config, const ProbeInfo& info,
                          const Transcoder::ProgressFn& progress, const Transcoder::CancelFn& isCancelled,
                          const RunLimits& limits);

}  // namespace kivotra::detail
