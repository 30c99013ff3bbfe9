#include "cli/target_size.h"

#include "models/format.h"
#include "models/size_target.h"

namespace kivotra::cli {

int applyTargetSize(std::vector<VideoItem>& items, const ItemSettings& settings, std::int64_t limitBytes) {
  int failed = 0;
  for (VideoItem& item : items) {
    item.sizeLimit = limitBytes;
    if (!item.status.is(ItemStatus::Kind::ready) || !(item.duration > 0)) {
      if (item.status.is(ItemStatus::Kind::ready)) {
        item.status = ItemStatus::failed("时长未知，无法按目标大小压缩");
        ++failed;
      }
      continue;
    }
    const SizePlan plan = planForSize(item, settings.shortSide, limitBytes);
    if (!plan.kbps) {
      item.status = ItemStatus::failed("无法压缩到 " + fmtBytes(limitBytes) + " 以内：最低码率 " +
                                       std::to_string(kSizeFloorKbps) + " kbps 时约为 " + fmtBytes(plan.smallestBytes) +
                                       "，这是它能达到的最小大小");
      ++failed;
      continue;
    }
    ItemSettings own = settings;
    own.bitrateKbps = *plan.kbps;
    item.customSettings = own;
  }
  return failed;
}

bool largerThanSource(const VideoItem& item) {
  return item.status.is(ItemStatus::Kind::done) && item.actualSize && item.fileSize > 0 &&
         *item.actualSize > item.fileSize;
}

}  // namespace kivotra::cli
