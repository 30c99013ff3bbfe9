#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "models/uuid.h"
#include "models/video_item.h"
#include "state/progress_throttle.h"

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

// One run of the queue: the files it took at its start (those ready then) and
// when it started. The whole-queue speed, progress and outcome are measured
// over these files only; one removed from the list no longer counts.
class QueueRun {
 public:
  QueueRun(const std::vector<VideoItem>& items, SteadyTime start);

  // The footage finished so far (whole files done, the current one's share)
  // and the time since the start.
  QueueSpeed speed(const std::vector<VideoItem>& items, SteadyTime now) const;
  // 0..1 of the run's footage behind it: done and failed files count whole.
  double fraction(const std::vector<VideoItem>& items) const;

  struct Outcome {
    int done = 0;
    int failed = 0;
    std::int64_t savedBytes = 0;  // sources minus outputs of the files done; negative when they grew
    std::vector<std::filesystem::path> outputs;
    bool operator==(const Outcome&) const = default;
  };
  Outcome outcome(const std::vector<VideoItem>& items) const;

 private:
  template <class F>
  void forEach(const std::vector<VideoItem>& items, F&& fn) const;

  std::vector<Uuid> ids_;
  SteadyTime start_;
};

}  // namespace kivotra
