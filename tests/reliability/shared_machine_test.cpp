// File names as disks carry them, through the real CLI, and sources that
// block: whatever the name, the file works; whatever the source, a stop ends the wait.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <string>

#include "reliability_support.h"
#include "state/app_state.h"
#include "support/scratch_dir.h"
#include "transcoder/transcoder.h"

namespace kivotra::reliability {
namespace {

// Runs the CLI on every file in dir through the shell's glob, so the names
// reach it as raw bytes (QProcess would turn what is not UTF-8 into U+FFFD).
// The output folder is out's subfolder "\xC4\xE3" (GBK), named the same way.
Finished compressAll(const fs::path& dir, const fs::path& out, const fs::path& tmp) {
  QProcess process;
  process.setProcessEnvironment(test::toolEnvironment(tmp));
  const QString script = QStringLiteral("exec \"$0\" compress --output-dir \"$2/$(printf '\\304\\343')\" \"$1\"/*");
  process.start(QStringLiteral("sh"), {QStringLiteral("-c"), script, KIVOTRA_CLI_BIN, q(dir), q(out)});
  return test::finishTool(process, 120000);
}

std::string repeat(const std::string& unit, int times) {
  std::string text;
  for (int i = 0; i < times; ++i) text += unit;
  return text;
}

TEST(FileNames, AnyNameADiskHoldsIsCompressedAndItsOutputNameFits) {
  struct Case {
    const char* what;
    std::string stem;
    std::size_t unit;  // bytes of one character that must not be split
  };
  const Case cases[] = {
      {"GBK bytes (not UTF-8)", "\xC4\xE3\xBA\xC3\xCA\xC0\xBD\xE7", 1},
      {"80 CJK characters", repeat("视", 80), 3},
      {"255-byte ASCII name", std::string(251, 'a'), 1},
      {"letters with combining marks", repeat("e\xCC\x81", 80), 3},
  };
  const std::string tailStart = "_压缩_";
  // A name leaves room for its hidden part file's additions while it is written.
  const std::size_t limit = 255 - 25;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fixtures::ScratchDir tmp;
    const fs::path dir = tmp / "in";
    fs::create_directory(dir);
    fixtures::MediaOptions o;
    o.seconds = 0.5;
    fixtures::writeMedia(dir / "source.mp4", o);
    fs::rename(dir / "source.mp4", dir / (c.stem + ".mp4"));

    for (int run = 1; run <= 2; ++run) {  // the second run meets the first one's output
      const Finished result = compressAll(dir, tmp / "out", tmp.path());
      ASSERT_EQ(result.exitCode, 0) << result.out << result.err;
    }
    const fs::path out = tmp / "out" / "\xC4\xE3";
    const std::set<std::string> outputs = namesIn(out);
    ASSERT_EQ(outputs.size(), 2u);
    for (const std::string& name : outputs) {
      EXPECT_LE(name.size(), limit) << name;
      const std::size_t tail = name.rfind(tailStart);
      ASSERT_NE(tail, std::string::npos) << name;
      std::string kept = name.substr(0, tail);
      const bool fits = c.stem.size() + (name.size() - tail) <= limit;
      if (fits) {
        EXPECT_EQ(kept, c.stem) << "a name that fits keeps every byte of its stem";
      } else {
        ASSERT_GE(kept.size(), 3u);
        EXPECT_EQ(kept.substr(kept.size() - 3), "…");
        kept.resize(kept.size() - 3);
        EXPECT_EQ(c.stem.compare(0, kept.size(), kept), 0) << "the shortened stem is the stem's start";
        EXPECT_EQ(kept.size() % c.unit, 0u) << "cut inside a character";
        EXPECT_GT(kept.size() + c.unit, limit - (name.size() - tail) - 3) << "shortened more than needed";
      }
      const ProbeInfo info = Transcoder::probeSync(out / name);
      EXPECT_GT(info.width, 0) << name;
    }
  }
}

// A FIFO with a writer that never writes: every read of it waits.
struct StalledSource {
  explicit StalledSource(const fs::path& at) : path(at) {
    EXPECT_EQ(::mkfifo(at.c_str(), 0600), 0);
    writer = ::open(at.c_str(), O_RDWR | O_CLOEXEC);
  }
  ~StalledSource() { ::close(writer); }
  // True once process pid holds it open.
  bool openedBy(qint64 pid) const {
    std::error_code ec;
    for (const auto& fd : fs::directory_iterator("/proc/" + std::to_string(pid) + "/fd", ec)) {
      if (fs::read_symlink(fd.path(), ec) == path) return true;
    }
    return false;
  }
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
    ASSERT_TRUE(waitUntil([&] { return fifo.openedBy(process.processId()); }, 10000));
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
  const ItemStatus& status = state.items()[0].status;
  EXPECT_TRUE(status.is(ItemStatus::Kind::failed));
  EXPECT_EQ(status.message(), "读取失败：读写文件时出错（0.3 秒内没有读到数据）");
}

}  // namespace
}  // namespace kivotra::reliability
