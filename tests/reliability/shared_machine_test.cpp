// File names as disks carry them, through the real CLI, and sources that
// block: whatever the name, the file works; whatever the source, a stop ends the wait.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include "reliability_support.h"
#include "state/app_state.h"
#include "transcoder/transcoder.h"

namespace kivotra::reliability {
namespace {

std::string repeat(const std::string& unit, int times) {
  std::string text;
  for (int i = 0; i < times; ++i) text += unit;
  return text;
}

// The names reach the CLI as raw bytes through the shell's glob (QProcess would
// turn what is not UTF-8 into U+FFFD), twice into one output folder whose own
// name is GBK: the second run meets the first one's outputs. Each output's name
// leaves room for its hidden part file's additions; the cut itself is the
// naming rule's own test.
TEST(FileNames, AnyNameADiskHoldsIsCompressedAndItsOutputNameFits) {
  const std::string stems[] = {
      "\xC4\xE3\xBA\xC3\xCA\xC0\xBD\xE7",  // GBK bytes, not UTF-8
      repeat("视", 80),                   // too long with the output's tail
      std::string(251, 'a'),              // the longest name a folder takes
  };
  fixtures::ScratchDir tmp;
  fs::create_directory(tmp / "in");
  for (const std::string& stem : stems) {
    fixtures::MediaOptions o;
    o.seconds = 0.5;
    fixtures::writeMedia(tmp / "in" / "source.mp4", o);
    fs::rename(tmp / "in" / "source.mp4", tmp / "in" / (stem + ".mp4"));
  }
  for (int run = 1; run <= 2; ++run) {
    QProcess process;
    process.setProcessEnvironment(test::toolEnvironment(tmp.path()));
    process.start("sh", {"-c", "exec \"$0\" compress --output-dir \"$1/out/$(printf '\\304\\343')\" \"$1\"/in/*",
                         KIVOTRA_CLI_BIN, q(tmp.path())});
    const Finished result = test::finishTool(process, 120000);
    ASSERT_EQ(result.exitCode, 0) << result.out << result.err;
  }
  const std::set<std::string> outputs = namesIn(tmp / "out" / "\xC4\xE3");
  ASSERT_EQ(outputs.size(), 6u);
  for (const std::string& name : outputs) {
    SCOPED_TRACE(name);
    EXPECT_LE(name.size(), 255u - 25);
    const std::string kept = name.substr(0, name.rfind("_压缩_"));
    const std::string start = kept.ends_with("…") ? kept.substr(0, kept.size() - 3) : kept;
    EXPECT_EQ(std::count_if(std::begin(stems), std::end(stems), [&](const std::string& stem) {
                return kept.ends_with("…") ? stem.starts_with(start) : stem == kept;
              }), 1) << "the output is named for its source";
    EXPECT_GT(test::bounded([&] { return Transcoder::probeSync(tmp / "out" / "\xC4\xE3" / name); }).width, 0);
  }
}

// A FIFO with a writer that never writes: every read of it waits.
struct StalledSource {
  explicit StalledSource(const fs::path& at) : path(at) {
    EXPECT_EQ(::mkfifo(at.c_str(), 0600), 0);
    writer = ::open(at.c_str(), O_RDWR | O_CLOEXEC);
  }
  ~StalledSource() { ::close(writer); }
  fs::path path;
  int writer = -1;
};

TEST(BlockingSource, CtrlCEndsTheCliWhileItWaitsForTheSource) {
  for (const char* command : {"probe", "compress"}) {
    SCOPED_TRACE(command);
    fixtures::ScratchDir tmp;
    const StalledSource fifo(tmp / "stalled.mp4");
    QProcess process;
    test::startTool(process, KIVOTRA_CLI_BIN, {command, q(fifo.path)}, tmp.path());
    ASSERT_TRUE(process.waitForStarted());
    // Once the process holds the FIFO open.
    const fs::path fds = "/proc/" + std::to_string(process.processId()) + "/fd";
    ASSERT_TRUE(waitUntil(
        [&] {
          std::error_code ec;
          for (const auto& fd : fs::directory_iterator(fds, ec)) {
            if (fs::read_symlink(fd.path(), ec) == fifo.path) return true;
          }
          return false;
        },
        10000));
    ::kill(static_cast<pid_t>(process.processId()), SIGINT);
    const Finished result = test::finishTool(process, 10000);
    EXPECT_FALSE(result.hung) << "Ctrl-C did not end the wait";
    EXPECT_FALSE(result.crashed);
    EXPECT_EQ(result.exitCode, 130) << result.out << result.err;
  }
}

TEST(BlockingSource, TheWindowsProbeGivesUpWithAReadFailure) {
  fixtures::ScratchDir tmp;
  const StalledSource fifo(tmp / "stalled.mp4");
  AppState state(nullptr);
  state.setProbeTimeLimit(std::chrono::milliseconds(300));
  state.add(std::vector<fs::path>{fifo.path});
  ASSERT_EQ(state.itemCount(), 1);
  ASSERT_TRUE(waitUntil([&] { return !state.items()[0].status.is(ItemStatus::Kind::loading); }, 20000));
  EXPECT_EQ(state.items()[0].status, ItemStatus::failed("读取失败：读写文件时出错（0.3 秒内没有读到数据）"));
}

}  // namespace
}  // namespace kivotra::reliability
