// The words that only print (--help, --version) and the no-display check that
// keeps a window start from aborting inside Qt.
#include <gtest/gtest.h>

#include <map>

#include "app/run_mode.h"

namespace kivotra {
namespace {

TEST(RunModePrinting, HelpAndVersionAsTheFirstArgumentWinOverTheMarkerButNotOverWords) {
  const auto marker = [] { return true; };
  EXPECT_EQ(chooseRunMode({"kivotra", "--help"}, marker).mode, RunMode::help);
  EXPECT_EQ(chooseRunMode({"kivotra", "-h"}, marker).mode, RunMode::help);
  EXPECT_EQ(chooseRunMode({"kivotra", "--version"}, marker).mode, RunMode::version);
  EXPECT_EQ(chooseRunMode({"kivotra", "--help", "selftest"}, marker).mode, RunMode::selfTest);
  // Later, they are file names handed over by the file manager.
  EXPECT_EQ(chooseRunMode({"kivotra", "a.mov", "--help"}, [] { return false; }).mode, RunMode::window);
}

TEST(RunModePrinting, WindowNeedsADisplayForThePlatformQtWillUse) {
  using Env = std::map<std::string, std::string>;
  const struct {
    Env env;
    bool opens;
  } cases[] = {
      {{}, false},
      {{{"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}}, false},
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
    std::string described;
    for (const auto& [name, value] : c.env) described += name + "=" + value + " ";
    EXPECT_EQ(message.empty(), c.opens) << described;
    if (!c.opens) {
      EXPECT_NE(message.find("kivotra-cli"), std::string::npos) << "the message points to the terminal program";
    }
  }
}

}  // namespace
}  // namespace kivotra
