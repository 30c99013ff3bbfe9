#include "state/queue_time.h"

#include <algorithm>

namespace kivotra {

std::optional<double> queueSecondsLeft(const std::vector<VideoItem>& items, const QueueSpeed& speed) {
  double footageLeft = 0;
  for (const VideoItem& item : items) {
    const double duration = std::max(item.duration, 0.0);
    if (item.status.is(ItemStatus::Kind::compressing)) {
      footageLeft += duration * (1.0 - std::clamp(item.progress, 0.0, 1.0));
    } else if (item.status.is(ItemStatus::Kind::ready)) {
      footageLeft += duration;
    }
  }
  if (footageLeft <= 0) return 0.0;
  if (speed.wallSeconds < 1.0 || !(speed.mediaSeconds > 0)) return std::nullopt;
  return footageLeft * speed.wallSeconds / speed.mediaSeconds;
}

}  // namespace kivotra
