#pragma once

#include <string>

#include "models/errors.h"

namespace kivotra::detail {

// FFmpeg's own text for an AVERROR code.
std::string avText(int averror);

// What the system or FFmpeg reported, as the user reads it.
PlatformError platformError(int averror);

}  // namespace kivotra::detail
