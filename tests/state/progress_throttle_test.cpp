#include <gtest/gtest.h>

#include "state/progress_throttle.h"

namespace kivotra {
namespace {

// A report goes out when its whole percent changed or a fifth of a second passed since the
// last one that went out; the remaining time comes with it above two percent.
TEST(ProgressThrottle, WholePercentOrAFifthOfASecondAndRemainingTimeAboveTwoPercent) {
  const struct {
    int afterMs;
    double fraction;
    bool out;
    double eta;  // < 0: none
  } rows[] = {
      {0, 0.001, true, -1},  // the first always goes out
      {50, 0.002, false, 0},     {50, 0.003, false, 0},
      {10, 0.01, true, -1},      {199, 0.011, false, 0},
      {1, 0.012, true, -1},      {150, 0.013, false, 0},  // counted from the last one out
      {10, 0.02, true, -1},      {9530, 0.25, true, 30},
      {10, 0.99, true, 10.01 * 0.01 / 0.99}, {10, 0.995, false, 0},
  };
  SteadyTime now{std::chrono::hours(1)};
  ProgressThrottle throttle([&] { return now; });
  for (const auto& row : rows) {
    SCOPED_TRACE(row.fraction);
    now += std::chrono::milliseconds(row.afterMs);
    const auto update = throttle.report(row.fraction);
    ASSERT_EQ(update.has_value(), row.out);
    if (!update) continue;
    EXPECT_DOUBLE_EQ(update->fraction, row.fraction);
    EXPECT_EQ(update->etaSeconds.has_value(), row.eta >= 0);
    if (update->etaSeconds) {
      EXPECT_NEAR(*update->etaSeconds, row.eta, 1e-9);
    }
  }
}

}  // namespace
}  // namespace kivotra
