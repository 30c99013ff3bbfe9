// Runs that cannot finish: refused settings, unwritable destinations, broken
// sources, stops and stalls. Each ends with the error a user reads, in time.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <thread>
#include <utility>

extern "C" {
#include <libavutil/error.h>
}

#include "transcode_fixture.h"
#include "transcoder/av_error.h"

using namespace kivotra;
using namespace kivotra::testing;
using Clock = std::chrono::steady_clock;

namespace {

using Failure = TranscodeTest;

double secondsSince(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }

std::string platformText(int averror) { return av::platformErrorFromAv(averror).description(); }

// A named pipe that delivers the first part of a file and then nothing more,
// as a stuck network drive would. Held open for writing so reads wait rather than end.
class StuckPipe {
 public:
  StuckPipe(const std::filesystem::path& pipe, const std::filesystem::path& content) {
    EXPECT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    fd_ = ::open(pipe.c_str(), O_RDWR | O_CLOEXEC);
    const std::string bytes = fx::readFile(content);
    // Less than the pipe's buffer, so this never blocks.
    const std::size_t part = std::min<std::size_t>(bytes.size() / 2, 32 * 1024);
    EXPECT_EQ(::write(fd_, bytes.data(), part), static_cast<ssize_t>(part));
  }
  ~StuckPipe() { ::close(fd_); }

 private:
  int fd_ = -1;
};

}  // namespace

TEST_F(Failure, DestinationsThatCannotBeWrittenFailBeforeAnyFrameAndTheLimitsAreHonoured) {
  const fx::MediaOptions o = clip(160, 90, 0.2);
  const auto src = source("src.mp4", o);
  const std::pair<std::filesystem::path, int> cases[] = {
      {dir_ / "missing" / "out.mp4", ENOENT},
      // Every write to /dev/full fails with "no space left on device", the header's already.
      {"/dev/full", ENOSPC},
  };
  for (const auto& [dst, cause] : cases) {
    const auto error = errorOf([&] { transcode(src, dst, config(90), infoFor(o)); });
    EXPECT_EQ(error, TranscodeError::writerInit(platformText(AVERROR(cause))));
  }
  // The limits themselves are honoured; an existing file in the way is replaced, and the
  // run reports its progress up to 1 and the size of the file it wrote.
  const auto ok = dir_ / "ok.mp4";
  fx::writeBytes(ok, 4 << 20);
  std::vector<double> seen;
  const std::int64_t size =
      transcode(src, ok, config(90, FitMode::keep, 240, 1), infoFor(o), [&](double f) { seen.push_back(f); });
  EXPECT_EQ(size, static_cast<std::int64_t>(std::filesystem::file_size(ok)));
  EXPECT_LT(size, 1 << 20);
  ASSERT_FALSE(seen.empty());
  EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
  EXPECT_EQ(seen.back(), 1.0);
}

TEST_F(Failure, WriteFailingMidwayEndsTheRunThenNamingTheCause) {
  // Mostly sound, 16 KB a second. The muxer holds packets back for up to ten
  // seconds to interleave them; the writer's first 32 KiB go out a few
  // seconds later and fail there, a third of the way in.
  const fx::MediaOptions o = clip(160, 90, 40, 2);
  const auto src = source("src.mov", o);
  std::atomic<double> furthest = 0;
  // Files this process writes may grow to 1 KiB meanwhile; a write beyond
  // fails with EFBIG instead of raising SIGXFSZ.
  rlimit saved{};
  ::getrlimit(RLIMIT_FSIZE, &saved);
  const auto previous = std::signal(SIGXFSZ, SIG_IGN);
  rlimit limit = saved;
  limit.rlim_cur = 1024;
  ::setrlimit(RLIMIT_FSIZE, &limit);
  const auto error = errorOf([&] {
    transcode(src, dir_ / "out.mp4", config(90), infoFor(o), [&](double f) { furthest = std::max(furthest.load(), f); });
  });
  ::setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, previous);
  EXPECT_EQ(error, TranscodeError::appendFailed(platformText(AVERROR(EFBIG))));
  EXPECT_GT(furthest.load(), 0) << "frames were moving when the write failed";
  EXPECT_LT(furthest.load(), 0.5) << "the failed write was noticed only later";
}

TEST_F(Failure, StopEndsTheRunCancelledPromptlyWhenEverItIsAsked) {
  const fx::MediaOptions o = clip(320, 180, 3, 2);
  const auto src = source("long.mp4", o);
  std::atomic<bool> stop = false;
  std::atomic<Clock::rep> askedAt = 0;
  const auto progress = [&](double fraction) {
    if (fraction > 0.1 && !stop.exchange(true)) askedAt = Clock::now().time_since_epoch().count();
  };
  auto error = errorOf(
      [&] { transcode(src, dir_ / "out.mp4", config(180), infoFor(o), progress, [&] { return stop.load(); }); });
  EXPECT_EQ(error, TranscodeError::cancelled());
  EXPECT_LT(secondsSince(Clock::time_point(Clock::duration(askedAt.load()))), 0.5);
  EXPECT_TRUE(std::filesystem::exists(dir_ / "out.mp4")) << "the engine leaves the partial output to its caller";

  // Asked once and not again: still a stop.
  const auto once = [asked = false]() mutable { return !std::exchange(asked, true); };
  error = errorOf([&] { transcode(src, dir_ / "out.mp4", config(90), infoFor(o), {}, once); });
  EXPECT_EQ(error, TranscodeError::cancelled());
  // (A stop while a read waits: Interruption.CtrlCEndsTheCliWhileItWaitsForTheSource.)
}

TEST_F(Failure, SourceThatStopsDeliveringEndsAsStalledButSlowSteadyProgressDoesNot) {
  const fx::MediaOptions o = clip(160, 90, 3);
  const auto src = source("src.mp4", o);
  detail::RunLimits limits;
  limits.stallTimeout = std::chrono::milliseconds(500);
  {
    StuckPipe pipe(dir_ / "pipe.mp4", src);
    const auto started = Clock::now();
    const auto error =
        errorOf([&] { transcode(dir_ / "pipe.mp4", dir_ / "out.mp4", config(90), infoFor(o), {}, {}, limits); });
    EXPECT_EQ(error, TranscodeError::stalled("视频编码"));
    EXPECT_GT(secondsSince(started), 0.5);
  }
  // Frames keep moving, only slowly: each report waits 40 ms until the run
  // has lasted three stall timeouts, with never a quiet one on the way.
  const auto started = Clock::now();
  const auto slowly = [&](double) {
    if (secondsSince(started) < 1.5) std::this_thread::sleep_for(std::chrono::milliseconds(40));
  };
  EXPECT_GT(transcode(src, dir_ / "out.mp4", config(90), infoFor(o), slowly, {}, limits), 0);
  EXPECT_GT(secondsSince(started), 1.0) << "the run was over before a stall could have been seen";
}

// A write the system never returns from, as on a hung network mount: the
// caller still gets its verdict, and the worker left behind ends on its own
// once the write returns, owning everything it still touches.
TEST_F(Failure, AWriteThatNeverReturnsEndsAsStalledAndTheWorkerLetsGoLater) {
  const fx::MediaOptions o = clip(320, 240, 4);
  const auto src = source("src.mp4", o);
  // The output is a pipe nobody reads: once its one page is full, write() blocks.
  int fds[2];
  ASSERT_EQ(::pipe2(fds, O_CLOEXEC), 0);
  ::fcntl(fds[1], F_SETPIPE_SZ, 4096);
  detail::RunLimits limits;
  limits.stallTimeout = std::chrono::milliseconds(700);
  std::atomic<int> reports = 0;
  const auto started = Clock::now();
  const auto error = errorOf([&] {
    detail::runTranscode(src, fds[1], config(240, FitMode::keep, 0, 3000), infoFor(o), [&](double) { ++reports; }, {},
                         limits);
  });
  EXPECT_EQ(error, TranscodeError::stalled("视频编码"));
  EXPECT_LT(secondsSince(started), 20.0) << "the verdict waited for the write";
  const int reportsWhenAnswered = reports;
  ::close(fds[1]);

  // The write returns once someone reads; the worker then winds down and
  // closes its own descriptor, the last write end: the reader sees the end.
  bool ended = false;
  char buffer[65536];
  while (!ended && secondsSince(started) < 60) {
    pollfd p{fds[0], POLLIN, 0};
    if (::poll(&p, 1, 100) <= 0) continue;
    const ssize_t n = ::read(fds[0], buffer, sizeof buffer);
    ended = n == 0;
    if (n < 0) break;
  }
  ::close(fds[0]);
  EXPECT_TRUE(ended) << "the worker never let go of the output";
  EXPECT_EQ(reports, reportsWhenAnswered) << "progress reached the caller after it was answered";
}
