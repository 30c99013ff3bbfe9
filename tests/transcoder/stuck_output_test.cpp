// A write the system never returns from, as on a hung network mount: the
// caller still gets its verdict, and the worker left behind ends on its own
// once the write returns, owning everything it still touches.
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>

#include "transcode_fixture.h"
#include "transcoder/detail/run.h"

namespace kivotra::testing {
namespace {

using Clock = std::chrono::steady_clock;

class StuckOutput : public TranscodeTest {};

TEST_F(StuckOutput, AWriteThatNeverReturnsEndsAsStalledAndTheWorkerLetsGoLater) {
  fixtures::MediaOptions o;
  o.width = 320;
  o.height = 240;
  o.seconds = 4;
  const auto src = source("src.mp4", o);
  // The output is a pipe nobody reads: once its one page is full, write() blocks.
  int fds[2];
  ASSERT_EQ(::pipe2(fds, O_CLOEXEC), 0);
  ::fcntl(fds[1], F_SETPIPE_SZ, 4096);

  detail::RunLimits limits;
  limits.stallTimeout = std::chrono::milliseconds(1000);
  int reports = 0;
  const auto started = Clock::now();
  const auto error = transcodeErrorOf([&] {
    detail::runTranscode(src, fds[1], config(240, FitMode::keep, 0, 3000), infoFor(o), [&](double) { ++reports; },
                         {}, limits);
  });
  const double seconds = std::chrono::duration<double>(Clock::now() - started).count();
  ASSERT_TRUE(error);
  EXPECT_EQ(*error, TranscodeError::stalled("视频编码"));
  EXPECT_LT(seconds, 20.0) << "the verdict waited for the write";
  const int reportsWhenAnswered = reports;
  ::close(fds[1]);

  // The write returns once someone reads; the worker then winds down and
  // closes its own descriptor, the last write end: the reader sees the end.
  bool ended = false;
  char buffer[65536];
  const auto deadline = Clock::now() + std::chrono::seconds(60);
  while (!ended && Clock::now() < deadline) {
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

}  // namespace
}  // namespace kivotra::testing
