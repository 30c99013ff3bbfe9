#include "state/size_fit.h"

#include "models/format.h"
#include "models/size_target.h"

namespace kivotra {

std::string SizeLimitError::description() const {
  return "压缩后为 " + fmtBytes(written_) + "，降低码率重新压缩后仍超过目标大小 " + fmtBytes(limit_);
}

FitResult transcodeWithinLimit(const VideoItem& item, OutputFile& output, const ItemSettings& params,
                               const Transcoder::ProgressFn& progress, const Transcoder::CancelFn& isCancelled) {
  ItemSettings settings = params;
  FitResult result;
  result.kbps = settings.bitrateKbps;
  result.size = Transcoder::transcodeInto(item.url, output.fd(), Transcoder::Config{settings}, item.probeInfo(),
                                          progress, isCancelled);
  if (!item.sizeLimit || result.size <= *item.sizeLimit) return result;

  settings.bitrateKbps = retryKbps(item, settings.bitrateKbps, result.size, *item.sizeLimit);
  result.kbps = settings.bitrateKbps;
  result.encodes = 2;
  output.rewind();
  result.size = Transcoder::transcodeInto(item.url, output.fd(), Transcoder::Config{settings}, item.probeInfo(),
                                          progress, isCancelled);
  if (result.size > *item.sizeLimit) throw SizeLimitError(result.size, *item.sizeLimit);
  return result;
}

}  // namespace kivotra
