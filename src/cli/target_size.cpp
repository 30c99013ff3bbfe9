#include "cli/target_size.h"

#include "models/format.h"
#include "models/size_target.h"
#include "models/text.h"

namespace kivotra::cli {

int applyTargetSize(std::vector<VideoItem>& items, const ItemSettings& settings, std::int64_t limitBytes) {
  int failed = 0;
  for (VideoItem& item : items) {
    item.sizeLimit = limitBytes;
    if (!item.status.is(ItemStatus::Kind::ready) || !(item.duration > 0)) {
      if (item.status.is(ItemStatus::Kind::ready)) {
        item.status = ItemStatus::failed(translate("Cli", "时长未知，无法按目标大小压缩"));
        ++failed;
      }
      continue;
    }
    const SizePlan plan = planForSize(item, settings.shortSide, limitBytes);
    if (!plan.kbps) {
      item.status = ItemStatus::failed(
          fillIn(translate("Cli", "无法压缩到 %1 以内：最低码率 %2 kbps 时约为 %3，这是它能达到的最小大小"),
                 {fmtBytes(limitBytes), std::to_string(kSizeFloorKbps), fmtBytes(plan.smallestBytes)}));
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
