#pragma once

#include <chrono>
#include <optional>

#include "models/probe_info.h"
#include "transcoder/detail/media_input.h"

namespace kivotra::av {

// How long making a cover may take before it is given up.
inline constexpr std::chrono::seconds kCoverTimeLimit{5};

// The cover of an open input's video stream: the first frame at or after
// 0.05 s and at most 1 s later, upright, fitted into maxPixel x maxPixel,
// never enlarged. Decodes on the calling thread and gives up (nullopt) once
// the input's deadline passes; never throws.
std::optional<RgbaBitmap> coverFrame(MediaInput& input, int videoStream, int maxPixel);

}  // namespace kivotra::av
