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

// A size-limited file that cannot be fitted at all: its duration is unknown,
// or even the lowest bitrate would come out over the limit.
class SizeUnreachableError : public Error {
 public:
  explicit SizeUnreachableError(std::string text) : text_(std::move(text)) {}
  std::string description() const override { return text_; }

 private:
  std::string text_;
};

// The parameters item is compressed with. In size mode: the bitrate planned
// for the limit, which is also recorded as the item's size limit; otherwise
// params as they are. Throws SizeUnreachableError naming the smallest size
// the file can reach when the limit is out of its reach.
ItemSettings fitToSizeLimit(VideoItem& item, const ItemSettings& params);

struct FitResult {
  std::int64_t size = 0;  // bytes written
  int encodes = 1;
  int kbps = 0;  // video bitrate of the encode that was kept
};

// Transcodes item into output's part file at params. When the item has a size
// limit and the result is over it, encodes once more into the same part file at the bitrate
// scaled down by the measured overshoot (progress starts again from 0), and
// throws SizeLimitError when even that is over. Engine failures pass through.
// The first encode gets `handover`.
FitResult transcodeWithinLimit(const VideoItem& item, OutputFile& output, const ItemSettings& params,
                               const Transcoder::ProgressFn& progress, const Transcoder::CancelFn& isCancelled,
                               Transcoder::Handover handover = {});

}  // namespace kivotra
