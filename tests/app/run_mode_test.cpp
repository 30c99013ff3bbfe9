// How the executable chooses what to do, the no-display check that keeps a
// window start from aborting inside Qt, and the headless modes run as a user
// runs them: real engine, a private TMPDIR and settings folder, no display.
#include "app/run_mode.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <ctime>
#include <fstream>
#include <map>
#include <regex>
#include <string>

#include "support/scratch_dir.h"
#include "support/tool_process.h"

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
      {{"kivotra", "x", "y", "queuetest"}, true, {RunMode::queueTest, ""}, false},
      {{"cfgtest"}, false, {RunMode::configTest, ""}, false},  // the program's own name counts
      {{"kivotra", "SelfTest"}, false, {RunMode::window, ""}, true},
      {{"kivotra", "queuetest", "selftest"}, false, {RunMode::selfTest, ""}, false},
      {{"kivotra", "demogen", "demo"}, true, {RunMode::demoGenerate, "demo"}, false},
      {{"kivotra", "other", "demogen", "demo"}, false, {RunMode::window, ""}, true},
      // Help and version as the first argument win over the marker, not over the words;
      // later they are file names handed over by the file manager.
      {{"kivotra", "--help"}, true, {RunMode::help, ""}, false},
      {{"kivotra", "--version"}, true, {RunMode::version, ""}, false},
      {{"kivotra", "--version", "selftest"}, true, {RunMode::selfTest, ""}, false},
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
      {{{"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}}, false},  // set but empty
      {{{"WAYLAND_DISPLAY", "wayland-0"}}, true},
      {{{"QT_QPA_PLATFORM", "offscreen"}}, true},  // no display needed
      {{{"QT_QPA_PLATFORM", "xcb"}}, false},
      {{{"QT_QPA_PLATFORM", "xcb"}, {"WAYLAND_DISPLAY", "wayland-0"}}, false},
      {{{"QT_QPA_PLATFORM", "wayland-egl"}, {"WAYLAND_DISPLAY", "wayland-0"}}, true},
      {{{"QT_QPA_PLATFORM", "xcb:no-shm"}, {"DISPLAY", ":1"}}, true},
  };
  for (const auto& c : cases) {
    const std::string message = missingDisplayMessage([&](const char* name) -> const char* {
      const auto found = c.env.find(name);
      return found == c.env.end() ? nullptr : found->second.c_str();
    });
    EXPECT_EQ(message.empty(), c.opens) << testing::PrintToString(c.env);
    if (!c.opens) {
      EXPECT_NE(message.find("kivotra-cli"), std::string::npos) << "the message points to the terminal program";
    }
  }
}

namespace fs = std::filesystem;
using fixtures::readFile;
using test::runTool;
using namespace std::string_literals;

void touch(const fs::path& path) { std::ofstream(path) << "x"; }

// The private runtime folder a run with TMPDIR = tmp uses (made here as the
// program would make it, for planting a marker before the run).
fs::path runtimeIn(const fixtures::ScratchDir& tmp) {
  const fs::path dir = tmp / ("kivotra-" + std::to_string(::getuid()));
  fs::create_directory(dir);
  fs::permissions(dir, fs::perms::owner_all);
  return dir;
}

TEST(RunModes, SelfTestWordWinsReportsEveryStepAndRecordsPassed) {
  fixtures::ScratchDir tmp;
  const fs::path run = runtimeIn(tmp);
  touch(run / "run_selftest");

  const auto result = runTool(KIVOTRA_BIN, {"selftest", "cfgtest"}, tmp.path(), 120000);
  EXPECT_EQ(result.exitCode, 0) << result.out << result.err;
  // These lines start lines, in this order.
  std::size_t at = 0;
  for (const std::string& line : {"=== Kivotra自检 ===\n"s, "\n[1/4] "s, "\n      ✓ 输出 1280×720 @30fps "s,
                                  "\n      ✓ 输出 720×1280 @30fps "s, "\n=== 自检通过 ===\n"s,
                                  "\n测试目录："s + (run / "kivotra_selftest-").string()}) {
    at = result.out.find(line, at);
    ASSERT_NE(at, std::string::npos) << "missing: " << line << "\n--- output ---\n" << result.out;
  }
  EXPECT_EQ(result.out.find("单条"), std::string::npos) << "the per-item suite must not run";
  EXPECT_EQ(readFile(run / "selftest_result.txt"), "PASSED");
  EXPECT_TRUE(fs::exists(run / "run_selftest")) << "a command-line word leaves the marker alone";
  // The marker, the result and the work folder: the result's temporary file is gone.
  EXPECT_EQ(std::distance(fs::directory_iterator(run), fs::directory_iterator()), 3);
}

// A regular file where a suite's work folder should go makes its creation fail.
void blockWorkFolders(const fs::path& tmp, const std::string& prefix) {
  const long long now = std::time(nullptr);
  for (long long t = now - 2; t <= now + 120; ++t) touch(tmp / (prefix + std::to_string(t)));
}

// Every mode as a user starts it, with no display. The other suites and the demo movies reach their own
// code, shown by how they fail where nothing can be written (their passing runs take seconds to minutes);
// the system's own words after a cause follow its language, the cause is ours.
TEST(RunModes, EachModeRunsItsOwnWorkAndOnlyTheFullSelfTestRecordsAResult) {
  const struct {
    QStringList args;  // "@" stands for the private temporary folder
    const char* blocked;  // work folders made impossible; the marker is planted for the full suite
    int exitCode;
    const char* out;  // a regular expression for the whole standard output
    const char* errPart = "";
  } rows[] = {
      {{"cfgtest"}, "kivotra_cfg-", 1, "=== 单条独立参数自检 ===\n=== 单条参数自检失败：文件不存在（.+） ===\n"},
      {{"cfgtest", "queuetest"}, "kivotra_queue-", 1, "=== 队列 / 单条停止自检 ===\n=== 队列自检失败：文件不存在（.+） ===\n"},
      {{}, "kivotra_selftest-", 1, "=== Kivotra自检 ===\n=== 自检失败：(文件不存在（.+）) ===\n"},
      {{"demogen", "@/blocker/demo", "extra"}, "", 0, "(✗ .+\\.mov 失败：文件不存在（.+）\n){4}"},
      {{"--help"}, "", 0, "用法：\\n[\\s\\S]*  kivotra selftest [\\s\\S]*"},
      {{"--version"}, "", 0, "kivotra [0-9.]+\n"},
      // The window: no display, a message that points to the terminal program instead of Qt's abort.
      {{"a.mov"}, "", 1, "", "kivotra-cli"},
  };
  for (const auto& row : rows) {
    fixtures::ScratchDir tmp;
    const fs::path run = runtimeIn(tmp);
    const bool full = row.args.isEmpty();
    if (full) touch(run / "run_selftest");
    blockWorkFolders(run, row.blocked);
    touch(tmp / "blocker");
    QStringList args = row.args;
    args.replaceInStrings("@", QString::fromStdString(tmp.path().string()));
    const auto result = runTool(KIVOTRA_BIN, args, tmp.path(), 60000);
    SCOPED_TRACE(result.out + result.err);
    EXPECT_FALSE(result.crashed);
    EXPECT_EQ(result.exitCode, row.exitCode);
    std::smatch match;
    EXPECT_TRUE(std::regex_match(result.out, match, std::regex(row.out)));
    EXPECT_NE(result.err.find(row.errPart), std::string::npos);
    if (!full) {
      EXPECT_FALSE(fs::exists(run / "selftest_result.txt"));
      continue;
    }
    EXPECT_FALSE(fs::exists(run / "run_selftest")) << "the marker is consumed";
    EXPECT_EQ(readFile(run / "selftest_result.txt"), "FAILED: " + match[1].str());
  }
}

}  // namespace
}  // namespace kivotra
