#pragma once

#include <chrono>
#include <functional>
#include <optional>

namespace kivotra {

using SteadyTime = std::chrono::steady_clock::time_point;
// Injectable time source; tests drive a manual clock through it.
using Clock = std::function<SteadyTime()>;
Clock steadyClock();

// Thins out one file's progress reports: a report goes out when the whole
// percent changes or 0.2 s have passed since the last one that went out; the
// first always goes out. Used from the engine's threads, one file at a time.
class ProgressThrottle {
 public:
  struct Update {
    double fraction;
    std::optional<double> etaSeconds;  // only once the fraction is above 0.02
  };

  // The file's start time is taken from the clock now.
  explicit ProgressThrottle(Clock clock);

  std::optional<Update> report(double fraction);

 private:
  Clock clock_;
  SteadyTime start_;
  double lastFraction_ = -1;
  std::optional<SteadyTime> lastEmit_;  // none: the distant past
};

}  // namespace kivotra
