#pragma once

#include <optional>
#include <vector>

#include "models/video_item.h"

namespace kivotra {

// Seconds of footage compressed so far in this run and the wall-clock seconds
// spent on it: the run's measured speed.
struct QueueSpeed {
  double mediaSeconds = 0;
  double wallSeconds = 0;
};

// The time left for the whole queue: the rest of the file being compressed
// (its duration times what is left of its progress) plus the full duration of
// every file still waiting, at the speed measured so far. Done, failed and
// loading files count nothing. None before a second of work has been measured
// or while nothing has been compressed; 0 when nothing is left.
std::optional<double> queueSecondsLeft(const std::vector<VideoItem>& items, const QueueSpeed& speed);

}  // namespace kivotra
