#include <gtest/gtest.h>

#include "app/run_mode.h"

namespace kivotra {
namespace {

using Args = std::vector<std::string>;

RunChoice choose(const Args& args, bool marker = false, int* markerAsked = nullptr) {
  return chooseRunMode(args, [&] {
    if (markerAsked) ++*markerAsked;
    return marker;
  });
}

TEST(RunMode, WordsAreFoundAnywhereIncludingTheProgramName) {
  EXPECT_EQ(choose({"kivotra", "selftest"}).mode, RunMode::selfTest);
  EXPECT_EQ(choose({"kivotra", "x", "y", "queuetest"}).mode, RunMode::queueTest);
  EXPECT_EQ(choose({"cfgtest"}).mode, RunMode::configTest);
  EXPECT_EQ(choose({"selftest"}).mode, RunMode::selfTest);
}

TEST(RunMode, WordsAreExactAndCaseSensitive) {
  EXPECT_EQ(choose({"kivotra", "SelfTest"}).mode, RunMode::window);
  EXPECT_EQ(choose({"kivotra", "--selftest"}).mode, RunMode::window);
  EXPECT_EQ(choose({"kivotra", "selftest2"}).mode, RunMode::window);
}

TEST(RunMode, FullSelfTestWinsOverTheQueueSuitesAndQueueOverConfig) {
  EXPECT_EQ(choose({"kivotra", "cfgtest", "selftest"}).mode, RunMode::selfTest);
  EXPECT_EQ(choose({"kivotra", "queuetest", "selftest"}).mode, RunMode::selfTest);
  EXPECT_EQ(choose({"kivotra", "cfgtest", "queuetest"}).mode, RunMode::queueTest);
  EXPECT_EQ(choose({"kivotra", "demogen", "selftest"}).mode, RunMode::selfTest);
}

TEST(RunMode, DemogenNeedsPositionOneAndAFolder) {
  EXPECT_EQ(choose({"kivotra", "demogen", "demo"}), (RunChoice{RunMode::demoGenerate, "demo"}));
  EXPECT_EQ(choose({"kivotra", "demogen", "/tmp/d", "extra"}), (RunChoice{RunMode::demoGenerate, "/tmp/d"}));
  EXPECT_EQ(choose({"kivotra", "demogen"}).mode, RunMode::window);
  EXPECT_EQ(choose({"kivotra", "other", "demogen", "demo"}).mode, RunMode::window);
  EXPECT_EQ(choose({"demogen", "demo"}).mode, RunMode::window);
}

TEST(RunMode, MarkerStartsTheSelfTestOnlyWhenNoWordDecides) {
  int asked = 0;
  EXPECT_EQ(choose({"kivotra"}, true, &asked).mode, RunMode::markerSelfTest);
  EXPECT_EQ(choose({"kivotra", "demogen"}, true, &asked).mode, RunMode::markerSelfTest);
  EXPECT_EQ(asked, 2);
  EXPECT_EQ(choose({"kivotra", "queuetest"}, true, &asked).mode, RunMode::queueTest);
  EXPECT_EQ(choose({"kivotra", "demogen", "demo"}, true, &asked).mode, RunMode::demoGenerate);
  EXPECT_EQ(asked, 2);
}

TEST(RunMode, WindowWhenNothingApplies) {
  EXPECT_EQ(choose({"kivotra"}).mode, RunMode::window);
  EXPECT_EQ(choose({"kivotra", "/videos/a.mov"}).mode, RunMode::window);
  EXPECT_EQ(choose({}).mode, RunMode::window);
}

}  // namespace
}  // namespace kivotra
