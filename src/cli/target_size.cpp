#include "cli/target_size.h"

#include "state/size_fit.h"

namespace kivotra::cli {

int applyTargetSize(std::vector<VideoItem>& items, const ItemSettings& settings, std::int64_t limitBytes) {
  ItemSettings sized = settings;
  sized.bySize = true;
  sized.sizeLimitBytes = limitBytes;
  int failed = 0;
  for (VideoItem& item : items) {
    item.sizeLimit = limitBytes;
    if (!item.status.is(ItemStatus::Kind::ready)) continue;
    try {
      item.customSettings = fitToSizeLimit(item, sized);
    } catch (const SizeUnreachableError& e) {
      item.status = ItemStatus::failed(e.description());
      ++failed;
    }
  }
  return failed;
}

}  // namespace kivotra::cli
