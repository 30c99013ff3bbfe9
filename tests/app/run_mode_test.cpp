#include "app/run_mode.h"

#include <gtest/gtest.h>

namespace kivotra {
namespace {

using Args = std::vector<std::string>;

TEST(RunMode, ExactWordsAnywhereDecideInOrderOfPrecedenceThenTheMarkerThenTheWindow) {
  const struct {
    Args args;
    bool marker;
    RunChoice expected;
    bool markerAsked;
  } rows[] = {
      {{"kivotra", "selftest"}, false, {RunMode::selfTest, ""}, false},
      {{"kivotra", "x", "y", "queuetest"}, false, {RunMode::queueTest, ""}, false},
      {{"cfgtest"}, false, {RunMode::configTest, ""}, false},  // the program's own name counts
      {{"kivotra", "SelfTest"}, false, {RunMode::window, ""}, true},
      {{"kivotra", "--selftest"}, false, {RunMode::window, ""}, true},
      {{"kivotra", "selftest2"}, false, {RunMode::window, ""}, true},
      {{"kivotra", "cfgtest", "selftest"}, true, {RunMode::selfTest, ""}, false},
      {{"kivotra", "queuetest", "selftest"}, false, {RunMode::selfTest, ""}, false},
      {{"kivotra", "cfgtest", "queuetest"}, true, {RunMode::queueTest, ""}, false},
      {{"kivotra", "demogen", "selftest"}, false, {RunMode::selfTest, ""}, false},
      {{"kivotra", "demogen", "demo"}, true, {RunMode::demoGenerate, "demo"}, false},
      {{"kivotra", "demogen", "/tmp/d", "extra"}, false, {RunMode::demoGenerate, "/tmp/d"}, false},
      {{"kivotra", "demogen"}, false, {RunMode::window, ""}, true},
      {{"kivotra", "demogen"}, true, {RunMode::markerSelfTest, ""}, true},
      {{"kivotra", "other", "demogen", "demo"}, false, {RunMode::window, ""}, true},
      {{"demogen", "demo"}, false, {RunMode::window, ""}, true},
      {{"kivotra"}, true, {RunMode::markerSelfTest, ""}, true},
      {{"kivotra", "/videos/a.mov"}, false, {RunMode::window, ""}, true},
      {{}, false, {RunMode::window, ""}, true},
  };
  for (const auto& row : rows) {
    bool asked = false;
    const RunChoice choice = chooseRunMode(row.args, [&] {
      asked = true;
      return row.marker;
    });
    std::string args;
    for (const std::string& a : row.args) args += a + " ";
    EXPECT_EQ(choice, row.expected) << args;
    EXPECT_EQ(asked, row.markerAsked) << args;
  }
}

}  // namespace
}  // namespace kivotra
