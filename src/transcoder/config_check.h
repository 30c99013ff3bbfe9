#pragma once

#include "models/geometry.h"
#include "transcoder/transcoder.h"

namespace kivotra::detail {

// Parameters no encoder can honour end the file before anything is written:
// TranscodeError::writerInit with a sentence saying which value and why.
void checkConfig(const Transcoder::Config& config, Dims canvas);

}  // namespace kivotra::detail
