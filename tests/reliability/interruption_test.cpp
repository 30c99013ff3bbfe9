// A run of kivotra-cli ended from outside: signals, a closed pipe, a kill, a
// part file swapped for a link while the run goes on, a source that blocks.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <optional>

#include "state/state_fixture.h"
#include "state/app_state.h"

namespace kivotra::test {
namespace {

// The folder's part files, or its other names.
std::set<std::string> namesIn(const fs::path& dir, bool partFiles) {
  std::set<std::string> names = test::namesIn(dir);
  std::erase_if(names, [&](const std::string& n) { return (n.starts_with(".") && n.ends_with(".part")) != partFiles; });
  return names;
}

// Starts `compress` into out and waits until its part file holds data. The
// part file's name, or nothing when the run ended first.
std::optional<std::string> startWriting(QProcess& process, const fs::path& source, const fs::path& out,
                                        const fs::path& privateTmp) {
  test::startTool(process, KIVOTRA_CLI_BIN, {"compress", "--resolution", "720P", "--output-dir", q(out), q(source)},
                  privateTmp);
  std::optional<std::string> part;
  waitUntil([&] {
    for (const std::string& name : namesIn(out, true)) {
      std::error_code ec;
      if (fs::file_size(out / name, ec) > 0 && !ec) part = name;
    }
    return part || process.state() == QProcess::NotRunning;
  }, 60000);
  return process.state() == QProcess::Running ? part : std::nullopt;
}

struct Interruption {
  const char* name;
  // 0: the read end of its stderr pipe is closed instead; -1: someone who can write in the folder
  // swaps the part file for a link to someone's file (the run writes through its own descriptor on).
  int signal;
  int exitStatus;  // -1: killed, no exit status of its own
};

class Interrupted : public ::testing::TestWithParam<Interruption> {};

TEST_P(Interrupted, LeavesNoOutputUnderAFinalNameAndTheNextRunTakesThePlainName) {
  const Interruption& c = GetParam();
  fixtures::ScratchDir tmp, privateTmp;
  // Long enough that a progress line (one a second when not on a terminal)
  // still comes after the pipe is closed.
  const fs::path source = movie(tmp / "source.mov", 12, 2, 640, 360);
  fs::permissions(source, fs::perms::owner_read | fs::perms::owner_write);  // outputs are never more open
  const std::string sum = fixtures::readFile(source);
  const fs::path out = tmp / "out", victim = tmp / "victim.txt";
  std::ofstream(victim) << "the victim's words";

  QProcess process;
  int errReader = -1;  // the read end of the named pipe the run's stderr goes to
  if (c.signal == 0) {
    ASSERT_EQ(::mkfifo((tmp / "err").c_str(), 0600), 0);
    errReader = ::open((tmp / "err").c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    process.setStandardErrorFile(q(tmp / "err"));
  }
  const std::optional<std::string> part = startWriting(process, source, out, privateTmp.path());
  ASSERT_TRUE(part) << "finished before it could be interrupted";
  const auto pid = static_cast<pid_t>(process.processId());
  if (c.signal == 0) {
    ::close(errReader);  // as `… 2>&1 | head` does once it has its lines
  } else if (c.signal < 0) {
    fs::create_symlink(victim, out / "swap");
    fs::rename(out / "swap", out / *part);
  } else {
    ::kill(pid, c.signal);
    if (c.signal != SIGKILL) ::kill(pid, c.signal);  // a second one while it cleans up
  }
  const ToolResult result = test::finishTool(process, 30000);
  ASSERT_FALSE(result.hung);
  EXPECT_EQ(result.crashed, c.exitStatus < 0) << result.err;
  if (c.exitStatus >= 0) {
    EXPECT_EQ(result.exitCode, c.exitStatus) << result.err;
    EXPECT_NE(result.out.find(c.signal < 0 ? "失败 1" : "未处理"), std::string::npos) << "no summary: " << result.out;
    EXPECT_TRUE(c.signal == 0 || hasChinese(result.err)) << result.err;  // (a closed pipe's goes nowhere)
  }
  EXPECT_EQ(namesIn(out, false), std::set<std::string>{});
  // What is left: the killed run's part file, or the link, not ours to delete.
  const bool left = c.signal == SIGKILL || c.signal < 0;
  EXPECT_EQ(namesIn(out, true), left ? std::set<std::string>{*part} : std::set<std::string>{});
  EXPECT_EQ(fixtures::readFile(source), sum);
  EXPECT_EQ(fixtures::readFile(victim), "the victim's words");
  for (const auto& entry : fs::recursive_directory_iterator(privateTmp.path()))
    EXPECT_FALSE(entry.is_regular_file()) << "left in its temporary folder: " << entry.path();
  if (c.signal != SIGKILL) return;  // nothing is left that the next run could meet

  // The next run in that folder (at 5 fps, to be quick): the plain name, and the killed run's part file gone.
  const ToolResult next = test::runTool(KIVOTRA_CLI_BIN, {"compress", "--resolution", "720P", "--fps", "5", "--output-dir", q(out), q(source)},
                                      privateTmp.path(), 60000);
  ASSERT_EQ(next.exitCode, 0) << next.err;
  const fs::path output = out / "source_压缩_720P.mp4";
  EXPECT_EQ(test::namesIn(out), std::set<std::string>{output.filename()});
  EXPECT_TRUE(validOutput(output));
  EXPECT_EQ(fs::status(output).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
}

const Interruption kInterruptions[] = {
    {"SIGINT", SIGINT, 130},          {"SIGTERM", SIGTERM, 143},  {"SIGHUP", SIGHUP, 129},
    {"closedPipe", 0, 128 + SIGPIPE}, {"swappedForALink", -1, 1}, {"SIGKILL", SIGKILL, -1}};
INSTANTIATE_TEST_SUITE_P(Signals, Interrupted, ::testing::ValuesIn(kInterruptions),
                         [](const auto& info) { return std::string(info.param.name); });

// The source a FIFO with a writer that never writes: every read of it waits. The
// window's probe gives up with a read failure, and Ctrl-C still ends the CLI.
TEST(BlockingSource, TheWindowsProbeGivesUpAndCtrlCEndsTheCliWhileItWaits) {
  fixtures::ScratchDir tmp;
  const fs::path fifo = tmp / "stalled.mp4";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const int writer = ::open(fifo.c_str(), O_RDWR | O_CLOEXEC);
  {
    AppState state(nullptr);
    state.setProbeTimeLimit(std::chrono::milliseconds(300));
    state.add(std::vector<fs::path>{fifo});
    ASSERT_EQ(state.itemCount(), 1);
    EXPECT_TRUE(waitUntil([&] { return !state.items()[0].status.is(ItemStatus::Kind::loading); }, 20000));
    EXPECT_EQ(state.items()[0].status, ItemStatus::failed("读取失败：读写文件时出错（0.3 秒内没有读到数据）"));
  }
  for (const char* command : {"probe", "compress"}) {
    SCOPED_TRACE(command);
    QProcess process;
    test::startTool(process, KIVOTRA_CLI_BIN, {command, q(fifo)}, tmp.path());
    ASSERT_TRUE(process.waitForStarted());
    const fs::path fds = "/proc/" + std::to_string(process.processId()) + "/fd";
    EXPECT_TRUE(waitUntil([&] {
      std::error_code ec;
      for (const auto& fd : fs::directory_iterator(fds, ec)) {
        if (fs::read_symlink(fd.path(), ec) == fifo) return true;
      }
      return false;
    }, 10000)) << "the source is never opened";
    ::kill(static_cast<pid_t>(process.processId()), SIGINT);
    const ToolResult result = test::finishTool(process, 10000);
    EXPECT_FALSE(result.hung) << "Ctrl-C did not end the wait";
    EXPECT_FALSE(result.crashed);
    EXPECT_EQ(result.exitCode, 130) << result.out << result.err;
  }
  ::close(writer);
}

}  // namespace
}  // namespace kivotra::test
