#pragma once

#include <cstdint>

#include "models/fit_mode.h"

namespace kivotra {

// The size field's starting value: what the common mail and chat limits allow.
inline constexpr std::int64_t kDefaultSizeLimitBytes = 25LL * 1024 * 1024;

// The sound track of every output whose source has sound: AAC at this rate, kbit/s.
inline constexpr int kAudioKbps = 128;

// The compression parameters as a plain value: the queue's snapshot, a file's
// own parameters and the parked global parameters while editing.
struct ItemSettings {
  int shortSide = 1080;    // pixels of the output's shorter side before the no-upscale rule
  int fps = 0;             // frames per second; 0 keeps the source's rate
  int bitrateKbps = 5000;  // average video bitrate, 1 kbit = 1000 bits
  FitMode fit = FitMode::keep;
  bool noUpscale = true;
  // Size mode: each file gets the video bitrate that keeps its output under
  // sizeLimitBytes; bitrateKbps waits for the bitrate mode to come back.
  bool bySize = false;
  std::int64_t sizeLimitBytes = kDefaultSizeLimitBytes;

  bool operator==(const ItemSettings&) const = default;
};

}  // namespace kivotra
