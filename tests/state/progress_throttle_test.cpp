#include <gtest/gtest.h>

#include "state/progress_throttle.h"
#include "state_fixture.h"

namespace kivotra {
namespace {

using namespace std::chrono_literals;

TEST(ProgressThrottle, SmallStepsWithinAFifthOfASecondGoOutOnce) {
  test::ManualClock time;
  ProgressThrottle throttle(time.clock());
  EXPECT_TRUE(throttle.report(0.001));  // the first always goes out
  time.advance(50ms);
  EXPECT_FALSE(throttle.report(0.002));
  time.advance(50ms);
  EXPECT_FALSE(throttle.report(0.003));
  time.advance(10ms);
  auto next = throttle.report(0.01);  // the whole percent changed
  ASSERT_TRUE(next);
  EXPECT_DOUBLE_EQ(next->fraction, 0.01);
}

TEST(ProgressThrottle, SamePercentGoesOutAgainAfterAFifthOfASecond) {
  test::ManualClock time;
  ProgressThrottle throttle(time.clock());
  ASSERT_TRUE(throttle.report(0.101));
  time.advance(199ms);
  EXPECT_FALSE(throttle.report(0.102));
  time.advance(1ms);
  EXPECT_TRUE(throttle.report(0.103));
  // The interval counts from the last report that went out.
  time.advance(150ms);
  EXPECT_FALSE(throttle.report(0.104));
}

TEST(ProgressThrottle, RemainingTimeOnlyAboveTwoPercent) {
  test::ManualClock time;
  ProgressThrottle throttle(time.clock());
  time.advance(1s);
  auto early = throttle.report(0.02);
  ASSERT_TRUE(early);
  EXPECT_FALSE(early->etaSeconds);

  time.advance(9s);
  auto quarter = throttle.report(0.25);
  ASSERT_TRUE(quarter);
  ASSERT_TRUE(quarter->etaSeconds);
  EXPECT_DOUBLE_EQ(*quarter->etaSeconds, 30.0);
}

}  // namespace
}  // namespace kivotra
