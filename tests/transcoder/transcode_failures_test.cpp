// Runs that cannot finish: refused settings, unwritable destinations, broken
// sources, stops and stalls. Each ends with the error a user reads, in time.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <thread>

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

// Files this process writes may grow to `bytes` at most while this lives; a
// write beyond fails with EFBIG instead of raising SIGXFSZ.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &saved_);
    previous_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = saved_;
    limit.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &saved_);
    std::signal(SIGXFSZ, previous_);
  }

 private:
  rlimit saved_{};
  void (*previous_)(int) = nullptr;
};

// A named pipe that delivers the first part of a file and then nothing more,
// as a stuck network drive would. Held open for writing so reads wait rather than end.
class StuckPipe {
 public:
  StuckPipe(const std::filesystem::path& pipe, const std::filesystem::path& content) {
    EXPECT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    fd_ = ::open(pipe.c_str(), O_RDWR | O_CLOEXEC);
    EXPECT_GE(fd_, 0);
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

TEST_F(Failure, SettingsNoEncoderHonoursAndDestinationsThatCannotBeWrittenFailBeforeAnyFrame) {
  const fx::MediaOptions o = clip(160, 90, 0.2);
  const auto src = source("src.mp4", o);
  const struct {
    std::filesystem::path dst;
    int bitrateKbps, fps;
    std::string detail;
  } cases[] = {
      {dir_ / "out.mp4", 0, 0, "视频码率 0 kbit/s 超出可用范围（1 到 1000000 kbit/s）"},
      {dir_ / "out.mp4", -20, 30, "视频码率 -20 kbit/s 超出可用范围（1 到 1000000 kbit/s）"},
      {dir_ / "out.mp4", 1000001, 30, "视频码率 1000001 kbit/s 超出可用范围（1 到 1000000 kbit/s）"},
      {dir_ / "out.mp4", 5000, 241, "帧率 241 超出可用范围（最高 240 帧/秒）"},
      {dir_ / "missing" / "out.mp4", 500, 0, platformText(AVERROR(ENOENT))},
      // Every write to /dev/full fails with "no space left on device", the header's already.
      {"/dev/full", 500, 0, platformText(AVERROR(ENOSPC))},
  };
  for (const auto& c : cases) {
    const auto error =
        transcodeErrorOf([&] { transcode(src, c.dst, config(90, FitMode::keep, c.fps, c.bitrateKbps), infoFor(o)); });
    EXPECT_EQ(error, TranscodeError::writerInit(c.detail));
    EXPECT_FALSE(std::filesystem::exists(dir_ / "out.mp4"));
  }
  // The limits themselves are honoured.
  EXPECT_GT(transcode(src, dir_ / "ok.mp4", config(90, FitMode::keep, 240, 1), infoFor(o)), 0);
}

TEST_F(Failure, WriteFailingMidwayEndsTheRunThenNamingTheCause) {
  // Mostly sound, 16 KB a second. The muxer holds packets back for up to ten
  // seconds to interleave them; the writer's first 32 KiB go out a few
  // seconds later and fail there, a third of the way in.
  const fx::MediaOptions o = clip(160, 90, 40, 2);
  const auto src = source("src.mov", o);
  std::atomic<double> furthest = 0;
  std::optional<TranscodeError> error;
  {
    FileSizeLimit limit(1024);
    error = transcodeErrorOf([&] {
      transcode(src, dir_ / "out.mp4", config(90), infoFor(o),
                [&](double f) { furthest = std::max(furthest.load(), f); });
    });
  }
  EXPECT_EQ(error, TranscodeError::appendFailed(platformText(AVERROR(EFBIG))));
  EXPECT_GT(furthest.load(), 0) << "frames were moving when the write failed";
  EXPECT_LT(furthest.load(), 0.5) << "the failed write was noticed only later";
}

TEST_F(Failure, SourcesThatCannotBeReadPassThePlatformErrorOnAndOnesWithoutVideoHaveNoVideoTrack) {
  const auto garbage = dir_ / "garbage.mp4";
  fx::writeBytes(garbage, 64 * 1024);
  const struct {
    std::filesystem::path path;
    PlatformError::Cause cause;
  } cases[] = {{dir_ / "missing.mp4", PlatformError::Cause::fileMissing},
               {garbage, PlatformError::Cause::damaged},
               {dir_.path(), PlatformError::Cause::other}};
  for (const auto& c : cases) {
    try {
      transcode(c.path, dir_ / "out.mp4", config(90), {});
      ADD_FAILURE() << c.path << " was transcoded";
    } catch (const PlatformError& e) {
      EXPECT_EQ(e.cause(), c.cause) << c.path << ": " << e.description();
    }
  }
  fx::MediaOptions sound = clip(160, 90, 0.5, 2);
  sound.video = false;
  const auto src = source("sound.mp4", sound);
  EXPECT_EQ(transcodeErrorOf([&] { transcode(src, dir_ / "out.mp4", config(90), {}); }),
            TranscodeError::noVideoTrack());
}

TEST_F(Failure, StopEndsTheRunCancelledPromptlyWhenEverItIsAsked) {
  const fx::MediaOptions o = clip(320, 180, 6, 2);
  const auto src = source("long.mp4", o);
  std::atomic<bool> stop = false;
  std::atomic<Clock::rep> askedAt = 0;
  const auto progress = [&](double fraction) {
    if (fraction > 0.1 && !stop.exchange(true)) askedAt = Clock::now().time_since_epoch().count();
  };
  auto error = transcodeErrorOf(
      [&] { transcode(src, dir_ / "out.mp4", config(180), infoFor(o), progress, [&] { return stop.load(); }); });
  EXPECT_EQ(error, TranscodeError::cancelled());
  EXPECT_LT(secondsSince(Clock::time_point(Clock::duration(askedAt.load()))), 0.5);
  EXPECT_TRUE(std::filesystem::exists(dir_ / "out.mp4")) << "the engine leaves the partial output to its caller";

  error = transcodeErrorOf([&] { transcode(src, dir_ / "out.mp4", config(90), infoFor(o), {}, [] { return true; }); });
  EXPECT_EQ(error, TranscodeError::cancelled());

  // A read that waits for data that never comes.
  StuckPipe pipe(dir_ / "pipe.mp4", src);
  const auto started = Clock::now();
  error = transcodeErrorOf([&] {
    transcode(dir_ / "pipe.mp4", dir_ / "out.mp4", config(90), infoFor(o), {},
              [&] { return secondsSince(started) > 0.3; });
  });
  EXPECT_EQ(error, TranscodeError::cancelled());
  EXPECT_LT(secondsSince(started), 0.3 + 0.5);
}

TEST_F(Failure, SourceThatStopsDeliveringEndsAsStalled) {
  const fx::MediaOptions o = clip(160, 90, 4);
  StuckPipe pipe(dir_ / "pipe.mp4", source("src.mp4", o));
  detail::RunLimits limits;
  limits.stallTimeout = std::chrono::milliseconds(800);
  const auto started = Clock::now();
  const auto error =
      transcodeErrorOf([&] { transcode(dir_ / "pipe.mp4", dir_ / "out.mp4", config(90), infoFor(o), {}, {}, limits); });
  EXPECT_EQ(error, TranscodeError::stalled("视频编码"));
  EXPECT_GT(secondsSince(started), 0.8);
}

TEST_F(Failure, VideoWithoutSoundRunningLongerThanTheStallTimeoutIsNoStall) {
  // Frames keep moving, only slowly: each report waits 40 ms until the run
  // has lasted three stall timeouts, with never a quiet one on the way.
  const fx::MediaOptions o = clip(160, 90, 3);
  const auto src = source("src.mp4", o);
  detail::RunLimits limits;
  limits.stallTimeout = std::chrono::seconds(1);
  const auto started = Clock::now();
  const auto slowly = [&](double) {
    if (secondsSince(started) < 3) std::this_thread::sleep_for(std::chrono::milliseconds(40));
  };
  EXPECT_GT(transcode(src, dir_ / "out.mp4", config(90), infoFor(o), slowly, {}, limits), 0);
  EXPECT_GT(secondsSince(started), 2.0) << "the run was over before a stall could have been seen";
}
