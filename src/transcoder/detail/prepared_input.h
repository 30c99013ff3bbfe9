#pragma once

#include <filesystem>
#include <memory>

#include "transcoder/av_ptr.h"
#include "transcoder/detail/media_input.h"
#include "transcoder/transcoder.h"

namespace kivotra::Transcoder {

// What a transcode takes over from a source opened ahead.
struct PreparedInput::Parts {
  std::filesystem::path source;
  std::unique_ptr<av::MediaInput> input;
  av::CodecContextPtr videoDecoder;  // of the input's first video stream
  av::CodecContextPtr audioDecoder;  // of its first audio stream; null when none opens
};

}  // namespace kivotra::Transcoder
