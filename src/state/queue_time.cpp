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

QueueRun::QueueRun(const std::vector<VideoItem>& items, SteadyTime start) : start_(start) {
  for (const VideoItem& item : items) {
    if (item.status.is(ItemStatus::Kind::ready)) ids_.push_back(item.id);
  }
}

template <class F>
void QueueRun::forEach(const std::vector<VideoItem>& items, F&& fn) const {
  for (const VideoItem& item : items) {
    if (std::find(ids_.begin(), ids_.end(), item.id) != ids_.end()) fn(item);
  }
}

QueueSpeed QueueRun::speed(const std::vector<VideoItem>& items, SteadyTime now) const {
  QueueSpeed speed;
  speed.wallSeconds = std::chrono::duration<double>(now - start_).count();
  forEach(items, [&](const VideoItem& item) {
    const double duration = std::max(item.duration, 0.0);
    if (item.status.is(ItemStatus::Kind::done)) speed.mediaSeconds += duration;
    if (item.status.is(ItemStatus::Kind::compressing)) speed.mediaSeconds += duration * std::clamp(item.progress, 0.0, 1.0);
  });
  return speed;
}

double QueueRun::fraction(const std::vector<VideoItem>& items) const {
  double behind = 0;
  double total = 0;
  forEach(items, [&](const VideoItem& item) {
    const double duration = std::max(item.duration, 0.0);
    total += duration;
    if (item.status.is(ItemStatus::Kind::done) || item.status.is(ItemStatus::Kind::failed)) behind += duration;
    if (item.status.is(ItemStatus::Kind::compressing)) behind += duration * std::clamp(item.progress, 0.0, 1.0);
  });
  return total > 0 ? behind / total : 0.0;
}

QueueRun::Outcome QueueRun::outcome(const std::vector<VideoItem>& items) const {
  Outcome outcome;
  forEach(items, [&](const VideoItem& item) {
    if (item.status.is(ItemStatus::Kind::failed)) ++outcome.failed;
    if (!item.status.is(ItemStatus::Kind::done)) return;
    ++outcome.done;
    outcome.savedBytes += item.fileSize - item.actualSize.value_or(0);
    if (item.outputURL) outcome.outputs.push_back(*item.outputURL);
  });
  return outcome;
}

}  // namespace kivotra
