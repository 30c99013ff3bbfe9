#include "state/size_fit.h"

#include "models/format.h"
#include "models/size_target.h"
#include "models/text.h"

namespace kivotra {

std::string SizeLimitError::description() const {
  return fillIn(translate("State", "压缩后为 %1，降低码率重新压缩后仍超过目标大小 %2"), {fmtBytes(written_), fmtBytes(limit_)});
}

ItemSettings fitToSizeLimit(VideoItem& item, const ItemSettings& params) {
  if (!params.bySize) return params;
  item.sizeLimit = params.sizeLimitBytes;
  if (!(item.duration > 0)) throw SizeUnreachableError(translate("Cli", "时长未知，无法按目标大小压缩"));
  const SizePlan plan = planForSize(item, params.shortSide, params.sizeLimitBytes);
  if (!plan.kbps) {
    throw SizeUnreachableError(
        fillIn(translate("Cli", "无法压缩到 %1 以内：最低码率 %2 kbps 时约为 %3，这是它能达到的最小大小"),
               {fmtBytes(params.sizeLimitBytes), std::to_string(kSizeFloorKbps), fmtBytes(plan.smallestBytes)}));
  }
  ItemSettings fitted = params;
  fitted.bitrateKbps = *plan.kbps;
  return fitted;
}

FitResult transcodeWithinLimit(const VideoItem& item, OutputFile& output, const ItemSettings& params,
                               const Transcoder::ProgressFn& progress, const Transcoder::CancelFn& isCancelled,
                               Transcoder::Handover handover) {
  ItemSettings settings = params;
  FitResult result;
  result.kbps = settings.bitrateKbps;
  result.size = Transcoder::transcodeInto(item.url, output.fd(), Transcoder::Config{settings}, item.probeInfo(),
                                          progress, isCancelled, std::move(handover));
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
