#include "state/progress_throttle.h"

#include <algorithm>

namespace kivotra {

namespace {

constexpr std::chrono::milliseconds kMinInterval{200};
constexpr double kEtaFromFraction = 0.02;

}  // namespace

Clock steadyClock() {
  return [] { return std::chrono::steady_clock::now(); };
}

ProgressThrottle::ProgressThrottle(Clock clock) : clock_(std::move(clock)), start_(clock_()) {}

std::optional<ProgressThrottle::Update> ProgressThrottle::report(double fraction) {
  const SteadyTime now = clock_();
  const auto percent = static_cast<long long>(fraction * 100);
  const auto lastPercent = static_cast<long long>(std::max(lastFraction_, 0.0) * 100);
  if (percent == lastPercent && lastEmit_ && now - *lastEmit_ < kMinInterval) return std::nullopt;
  lastEmit_ = now;
  lastFraction_ = fraction;

  Update update{fraction, std::nullopt};
  if (fraction > kEtaFromFraction) {
    const double elapsed = std::chrono::duration<double>(now - start_).count();
    update.etaSeconds = elapsed * (1 - fraction) / fraction;
  }
  return update;
}

}  // namespace kivotra
