// How the executable chooses what to do, and the no-display check that keeps
// a window start from aborting inside Qt.
#include "app/run_mode.h"

#include <gtest/gtest.h>

#include <map>

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
      {{"kivotra", "cfgtest", "selftest"}, true, {RunMode::selfTest, ""}, false},
      {{"kivotra", "queuetest", "selftest"}, false, {RunMode::selfTest, ""}, false},
      {{"kivotra", "cfgtest", "queuetest"}, true, {RunMode::queueTest, ""}, false},
      {{"kivotra", "demogen", "selftest"}, false, {RunMode::selfTest, ""}, false},
      {{"kivotra", "demogen", "demo"}, true, {RunMode::demoGenerate, "demo"}, false},
      {{"kivotra", "demogen", "/tmp/d", "extra"}, false, {RunMode::demoGenerate, "/tmp/d"}, false},
      {{"kivotra", "demogen"}, false, {RunMode::window, ""}, true},
      {{"kivotra", "demogen"}, true, {RunMode::markerSelfTest, ""}, true},
      {{"kivotra", "other", "demogen", "demo"}, false, {RunMode::window, ""}, true},
      // Help and version as the first argument win over the marker, not over the words;
      // later they are file names handed over by the file manager.
      {{"kivotra", "--help"}, true, {RunMode::help, ""}, false},
      {{"kivotra", "--version"}, true, {RunMode::version, ""}, false},
      {{"kivotra", "--help", "selftest"}, true, {RunMode::selfTest, ""}, false},
      {{"kivotra", "a.mov", "--help"}, false, {RunMode::window, ""}, true},
      {{"kivotra"}, true, {RunMode::markerSelfTest, ""}, true},
      {{}, false, {RunMode::window, ""}, true},
  };
  for (const auto& row : rows) {
    bool asked = false;
    const RunChoice choice = chooseRunMode(row.args, [&] {
      asked = true;
      return row.marker;
    });
    EXPECT_EQ(choice, row.expected) << testing::PrintToString(row.args);
    EXPECT_EQ(asked, row.markerAsked) << testing::PrintToString(row.args);
  }
}

TEST(RunMode, WindowNeedsADisplayForThePlatformQtWillUse) {
  using Env = std::map<std::string, std::string>;
  const struct {
    Env env;
    bool opens;
  } cases[] = {
      {{}, false},
      {{{"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}}, false},  // set but empty
      {{{"DISPLAY", ":0"}}, true},
      {{{"WAYLAND_DISPLAY", "wayland-0"}}, true},
      {{{"QT_QPA_PLATFORM", "offscreen"}}, true},
      {{{"QT_QPA_PLATFORM", "xcb"}}, false},
      {{{"QT_QPA_PLATFORM", "xcb"}, {"WAYLAND_DISPLAY", "wayland-0"}}, false},
      {{{"QT_QPA_PLATFORM", "wayland-egl"}, {"WAYLAND_DISPLAY", "wayland-0"}}, true},
      {{{"QT_QPA_PLATFORM", "wayland;xcb"}, {"DISPLAY", ":1"}}, true},
      {{{"QT_QPA_PLATFORM", "xcb:no-shm"}, {"DISPLAY", ":1"}}, true},
  };
  for (const auto& c : cases) {
    const std::string message = missingDisplayMessage([&](const char* name) -> const char* {
      const auto found = c.env.find(name);
      return found == c.env.end() ? nullptr : found->second.c_str();
    });
    EXPECT_EQ(message.empty(), c.opens) << testing::PrintToString(c.env);
    if (!c.opens) EXPECT_NE(message.find("kivotra-cli"), std::string::npos) << "the message points to the terminal program";
  }
}

}  // namespace
}  // namespace kivotra
