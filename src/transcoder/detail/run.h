#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>

#include "transcoder/transcoder.h"

namespace kivotra::detail {

// What a finished run's video decoding did.
struct RunStats {
  std::int64_t decodedPictures = 0;
  std::int64_t skippedPictures = 0;  // left undecoded: the output's rate would drop them
};

struct RunLimits {
  // No frame accepted by an encoder for this long aborts the run as stalled.
  std::chrono::milliseconds stallTimeout{30000};
  // How often the caller's stop request and the stall clock are looked at.
  std::chrono::milliseconds pollInterval{20};
  // How long after a stop the caller waits for the worker to let go of the
  // output. A worker still busy then (a frame in the encoder, a read or write
  // the system does not return from) is left to end on its own.
  std::chrono::milliseconds stopGrace{250};
  // Filled in when the run's worker has ended; may be null.
  RunStats* stats = nullptr;
};

// transcodeSync with its limits spelled out (tests shorten the stall timeout).
std::int64_t runTranscode(const std::filesystem::path& source, const std::filesystem::path& destination,
                          const Transcoder::Config& config, const ProbeInfo& info,
                          const Transcoder::ProgressFn& progress, const Transcoder::CancelFn& isCancelled,
                          const RunLimits& limits);
// transcodeInto with its limits spelled out.
std::int64_t runTranscode(const std::filesystem::path& source, int output, const Transcoder::Config& config,
                          const ProbeInfo& info, const Transcoder::ProgressFn& progress,
                          const Transcoder::CancelFn& isCancelled, const RunLimits& limits,
                          Transcoder::Handover handover = {});

}  // namespace kivotra::detail
