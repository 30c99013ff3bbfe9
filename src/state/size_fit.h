#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "models/errors.h"
#include "models/item_settings.h"
#include "models/video_item.h"
#include "state/output_naming.h"
#include "transcoder/transcoder.h"

namespace kivotra {

// A size-limited output that stayed over its limit after the second encode.
class SizeLimitError : public Error {
 public:
  SizeLimitError(std::int64_t written, std::int64_t limit) : written_(written), limit_(limit) {}
  std::string description() const override;

 private:
  std::int64_t written_;
  std::int64_t limit_;
};

struct FitResult {
  std::int64_t size = 0;  // bytes written
  int encodes = 1;
  int kbps = 0;  // video bitrate of the encode that was kept
};

// Transcodes item into output's part file at params. When the item has a size
// limit and the result is over it, encodes once more into the same part file at the bitrate
// scaled down by the measured overshoot (progress starts again from 0), and
// throws SizeLimitError when even that is over. Engine failures pass through.
FitResult transcodeWithinLimit(const VideoItem& item, OutputFile& output, const ItemSettings& params,
                               const Transcoder::ProgressFn& progress, const Transcoder::CancelFn& isCancelled);

}  // namespace kivotra
