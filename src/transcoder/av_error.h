#pragma once

#include <string>

#include "models/errors.h"

// FFmpeg's negative AVERROR codes as the errors a user sees.
namespace kivotra::av {

// FFmpeg's own text for a code ("Invalid data found when processing input").
std::string errorText(int averror);

// The platform error for a failed FFmpeg call: the cause (missing
// file, no permission, disk full, damaged, unsupported, ...) and FFmpeg's text.
PlatformError platformErrorFromAv(int averror);

// Passes a non-negative result through; throws platformErrorFromAv otherwise.
int check(int result);

}  // namespace kivotra::av
