// The kivotra executable's headless modes, run as a user runs them: real
// engine, real queue, a private TMPDIR and settings folder, no display.
#include <gtest/gtest.h>

#include <unistd.h>

#include <ctime>
#include <fstream>

#include "support/scratch_dir.h"
#include "support/tool_process.h"

namespace kivotra {
namespace {

namespace fs = std::filesystem;
using fixtures::readFile;
using test::runTool;
using Lines = std::vector<std::string>;

void touch(const fs::path& path) { std::ofstream(path) << "x"; }

// The private runtime folder a run with TMPDIR = tmp uses (made here as the
// program would make it, for planting a marker before the run).
fs::path runtimeIn(const fixtures::ScratchDir& tmp) {
  const fs::path dir = tmp / ("kivotra-" + std::to_string(::getuid()));
  fs::create_directory(dir);
  fs::permissions(dir, fs::perms::owner_all);
  return dir;
}

bool startsWith(const std::string& text, const std::string& prefix) { return text.rfind(prefix, 0) == 0; }

// Each expected line (exact, or a prefix when it ends in "*") appears, in this order.
void expectLinesInOrder(const Lines& lines, const Lines& expected, const std::string& context) {
  std::size_t at = 0;
  for (const std::string& want : expected) {
    const bool prefix = !want.empty() && want.back() == '*';
    const std::string body = prefix ? want.substr(0, want.size() - 1) : want;
    while (at < lines.size() && !(prefix ? startsWith(lines[at], body) : lines[at] == body)) ++at;
    ASSERT_LT(at, lines.size()) << "missing line: " << want << "\n--- output ---\n" << context;
    ++at;
  }
}

// The one work folder a suite made, by its prefix.
fs::path workFolderIn(const fs::path& tmp, const std::string& prefix) {
  fs::path found;
  for (const auto& entry : fs::directory_iterator(tmp)) {
    if (entry.is_directory() && startsWith(entry.path().filename().string(), prefix)) found = entry.path();
  }
  return found;
}

TEST(RunModes, SelfTestWordWinsReportsEveryStepAndRecordsPassed) {
  fixtures::ScratchDir tmp;
  touch(runtimeIn(tmp) / "run_selftest");

  const auto result = runTool(KIVOTRA_BIN, {"selftest", "cfgtest"}, tmp.path(), 120000);
  EXPECT_EQ(result.exitCode, 0) << result.out << result.err;
  expectLinesInOrder(result.outLines(),
                     {"=== Kivotra自检 ===", "[1/4] *", "[2/4] *", "[3/4] *", "      ✓ 输出 1280×720 @30fps *",
                      "[4/4] *", "      ✓ 输出 720×1280 @30fps *", "      码率校验：预估 *", "=== 自检通过 ===",
                      "测试目录：" + (runtimeIn(tmp) / "kivotra_selftest-").string() + "*"},
                     result.out);
  EXPECT_EQ(result.out.find("单条"), std::string::npos) << "the per-item suite must not run";
  EXPECT_EQ(readFile(runtimeIn(tmp) / "selftest_result.txt"), "PASSED");
  const fs::path work = workFolderIn(runtimeIn(tmp), "kivotra_selftest-");
  ASSERT_FALSE(work.empty());
  EXPECT_TRUE(fs::exists(work / "test_h_压缩_720P.mp4"));
  EXPECT_TRUE(fs::exists(runtimeIn(tmp) / "run_selftest")) << "a command-line word leaves the marker alone";
}

TEST(RunModes, QueueTestStopsTheSecondFileAndTheQueueCarriesOn) {
  fixtures::ScratchDir tmp;
  const auto result = runTool(KIVOTRA_BIN, {"cfgtest", "queuetest"}, tmp.path(), 120000);
  EXPECT_EQ(result.exitCode, 0) << result.out << result.err;
  expectLinesInOrder(result.outLines(),
                     {"=== 队列 / 单条停止自检 ===", "      第 2 条压缩中，发出单条「停止」",
                      "      结果：完成 / 待处理 / 完成", "=== 队列自检通过 ==="},
                     result.out);
  EXPECT_FALSE(fs::exists(runtimeIn(tmp) / "selftest_result.txt")) << "only the full self test records a result";
  const fs::path work = workFolderIn(runtimeIn(tmp), "kivotra_queue-");
  ASSERT_FALSE(work.empty());
  EXPECT_TRUE(fs::exists(work / "q1_压缩_720P.mp4"));
  EXPECT_TRUE(fs::exists(work / "q3_压缩_720P.mp4"));
  for (const auto& entry : fs::directory_iterator(work)) {
    EXPECT_FALSE(startsWith(entry.path().filename().string(), "q2_")) << "stopped file left " << entry.path();
  }
}

// A regular file where a suite's work folder should go makes its creation fail.
void blockWorkFolders(const fs::path& tmp, const std::string& prefix) {
  const long long now = std::time(nullptr);
  for (long long t = now - 2; t <= now + 120; ++t) touch(tmp / (prefix + std::to_string(t)));
}

// The per-item suite and the demo movies reach their own code, shown by how
// they fail where nothing can be written (their passing runs take minutes).
TEST(RunModes, ConfigTestAndDemogenAtPositionOneRunTheirOwnWork) {
  fixtures::ScratchDir tmp;
  blockWorkFolders(runtimeIn(tmp), "kivotra_cfg-");
  const auto config = runTool(KIVOTRA_BIN, {"cfgtest"}, tmp.path(), 60000);
  EXPECT_EQ(config.exitCode, 1) << config.out << config.err;
  // The system's own words after a cause follow its language; the cause is ours.
  const auto causedBy = [](const std::string& line, const std::string& head, const std::string& tail) {
    return line.size() > head.size() + tail.size() && line.starts_with(head) && line.ends_with(tail);
  };
  ASSERT_EQ(config.outLines().size(), 2u) << config.out;
  EXPECT_EQ(config.outLines()[0], "=== 单条独立参数自检 ===");
  EXPECT_TRUE(causedBy(config.outLines()[1], "=== 单条参数自检失败：文件不存在（", "） ===")) << config.out;

  touch(tmp / "blocker");
  const auto demo =
      runTool(KIVOTRA_BIN, {"demogen", QString::fromStdString((tmp / "blocker" / "demo").string()), "extra"},
              tmp.path(), 60000);
  EXPECT_EQ(demo.exitCode, 0) << demo.out << demo.err;
  const Lines names{"开学典礼宣传片.mov", "校庆竖屏短视频.mov", "校史纪录片片段.mov", "老资料访谈.mov"};
  ASSERT_EQ(demo.outLines().size(), names.size()) << demo.out;
  for (std::size_t i = 0; i < names.size(); ++i)
    EXPECT_TRUE(causedBy(demo.outLines()[i], "✗ " + names[i] + " 失败：文件不存在（", "）")) << demo.out;
}

TEST(RunModes, MarkerIsConsumedOnceAndAFailedSelfTestEndsWithStatus1) {
  fixtures::ScratchDir tmp;
  touch(runtimeIn(tmp) / "run_selftest");
  blockWorkFolders(runtimeIn(tmp), "kivotra_selftest-");

  const auto result = runTool(KIVOTRA_BIN, {}, tmp.path(), 60000);
  const Lines lines = result.outLines();
  EXPECT_EQ(result.exitCode, 1) << result.out << result.err;
  EXPECT_FALSE(fs::exists(runtimeIn(tmp) / "run_selftest"));
  ASSERT_EQ(lines.size(), 2u) << result.out;
  EXPECT_EQ(lines[0], "=== Kivotra自检 ===");
  const std::string head = "=== 自检失败：", tail = " ===";
  ASSERT_TRUE(startsWith(lines[1], head) && lines[1].size() > head.size() + tail.size()) << lines[1];
  ASSERT_EQ(lines[1].substr(lines[1].size() - tail.size()), tail);
  const std::string description = lines[1].substr(head.size(), lines[1].size() - head.size() - tail.size());
  EXPECT_EQ(readFile(runtimeIn(tmp) / "selftest_result.txt"), "FAILED: " + description);
}

}  // namespace
}  // namespace kivotra
