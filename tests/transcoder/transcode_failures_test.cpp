#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <fstream>
#include <iterator>
#include <thread>

extern "C" {
#include <libavutil/error.h>
}

#include "transcode_fixture.h"
#include "transcoder/av_error.h"
#include "transcoder/run.h"

using namespace kivotra;
using namespace kivotra::testing;
namespace fx = kivotra::fixtures;
using Clock = std::chrono::steady_clock;

namespace {

fx::MediaOptions clip(double seconds) {
  fx::MediaOptions o;
  o.width = 160;
  o.height = 90;
  o.seconds = seconds;
  return o;
}

double secondsSince(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }

}  // namespace

class Failure : public TranscodeTest {};

TEST_F(Failure, ParametersNoEncoderCanHonourAreRefusedBeforeWriting) {
  const fx::MediaOptions o = clip(0.2);
  const auto src = source("src.mp4", o);
  struct Case {
    int bitrateKbps, fps;
    const char* detail;
  } const cases[] = {
      {0, 0, "视频码率 0 kbit/s 超出可用范围（1 到 1000000 kbit/s）"},
      {-20, 30, "视频码率 -20 kbit/s 超出可用范围（1 到 1000000 kbit/s）"},
      {1000001, 30, "视频码率 1000001 kbit/s 超出可用范围（1 到 1000000 kbit/s）"},
      {5000, 241, "帧率 241 超出可用范围（最高 240 帧/秒）"},
  };
  for (const Case& c : cases) {
    const auto dst = dir_ / "out.mp4";
    const auto error = transcodeErrorOf([&] {
      Transcoder::transcodeSync(src, dst, config(90, FitMode::keep, c.fps, c.bitrateKbps), infoFor(o), {}, {});
    });
    ASSERT_TRUE(error);
    EXPECT_EQ(*error, TranscodeError::writerInit(c.detail));
    EXPECT_FALSE(std::filesystem::exists(dst));
  }
  // The limits themselves are honoured.
  EXPECT_GT(Transcoder::transcodeSync(src, dir_ / "ok.mp4", config(90, FitMode::keep, 240, 1), infoFor(o), {}, {}), 0);
}

TEST_F(Failure, DestinationThatCannotBeCreatedIsAWriterError) {
  const fx::MediaOptions o = clip(0.2);
  const auto src = source("src.mp4", o);
  const auto error = transcodeErrorOf(
      [&] { Transcoder::transcodeSync(src, dir_ / "missing" / "out.mp4", config(90), infoFor(o), {}, {}); });
  ASSERT_TRUE(error);
  EXPECT_EQ(*error, TranscodeError::writerInit(av::platformErrorFromAv(AVERROR(ENOENT)).description()));
  EXPECT_EQ(error->description(), "写入器初始化失败：文件不存在（No such file or directory）");
}

TEST_F(Failure, FullDiskIsNamedAsTheCause) {
  const fx::MediaOptions o = clip(1);
  const auto src = source("src.mp4", o);
  // Every write to /dev/full fails with "no space left on device", the
  // header's already.
  const auto error =
      transcodeErrorOf([&] { Transcoder::transcodeSync(src, "/dev/full", config(90), infoFor(o), {}, {}); });
  ASSERT_TRUE(error);
  EXPECT_EQ(*error, TranscodeError::writerInit(av::platformErrorFromAv(AVERROR(ENOSPC)).description()));
  EXPECT_EQ(error->description(), "写入器初始化失败：磁盘空间已满（No space left on device）");
}

// The process may write files of `bytes` at most while this lives; a write
// beyond fails with EFBIG instead of raising SIGXFSZ.
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

TEST_F(Failure, WriteFailingMidwayIsAnAppendFailureNamingTheCause) {
  const fx::MediaOptions o = clip(25);
  const auto src = source("src.mp4", o);
  const auto dst = dir_ / "out.mp4";
  // Without the limit the output is well past the first 32 KiB that the
  // writer buffers, so the failing write comes while frames are moving.
  EXPECT_GT(Transcoder::transcodeSync(src, dst, config(90, FitMode::keep, 0, 3000), infoFor(o), {}, {}), 48 * 1024);
  std::optional<TranscodeError> error;
  {
    FileSizeLimit limit(1024);
    error = transcodeErrorOf(
        [&] { Transcoder::transcodeSync(src, dst, config(90, FitMode::keep, 0, 3000), infoFor(o), {}, {}); });
  }
  ASSERT_TRUE(error);
  EXPECT_EQ(*error, TranscodeError::appendFailed(av::platformErrorFromAv(AVERROR(EFBIG)).description()));
  EXPECT_EQ(std::filesystem::file_size(dst), 1024u);
}

TEST_F(Failure, SourceThatCannotBeReadPassesThePlatformErrorOn) {
  const auto garbage = dir_ / "garbage.mp4";
  fx::writeBytes(garbage, 64 * 1024);
  struct Case {
    std::filesystem::path path;
    PlatformError::Cause cause;
  } const cases[] = {{dir_ / "missing.mp4", PlatformError::Cause::fileMissing},
                     {garbage, PlatformError::Cause::damaged},
                     {dir_, PlatformError::Cause::other}};
  for (const Case& c : cases) {
    try {
      Transcoder::transcodeSync(c.path, dir_ / "out.mp4", config(90), {}, {}, {});
      ADD_FAILURE() << c.path << " was transcoded";
    } catch (const PlatformError& e) {
      EXPECT_EQ(e.cause(), c.cause) << c.path << ": " << e.description();
    }
  }
}

TEST_F(Failure, SourceWithoutVideoHasNoVideoTrack) {
  fx::MediaOptions o = clip(0.5);
  o.video = false;
  o.audioChannels = 2;
  const auto src = source("sound.mp4", o);
  const auto error = transcodeErrorOf([&] { Transcoder::transcodeSync(src, dir_ / "out.mp4", config(90), {}, {}, {}); });
  ASSERT_TRUE(error);
  EXPECT_EQ(*error, TranscodeError::noVideoTrack());
}

class Stop : public TranscodeTest {};

TEST_F(Stop, StopMidRunEndsCancelledPromptly) {
  fx::MediaOptions o = clip(20);
  o.width = 320;
  o.height = 180;
  o.audioChannels = 2;
  const auto src = source("long.mp4", o);
  std::atomic<bool> stop = false;
  std::atomic<Clock::rep> askedAt = 0;
  const auto error = transcodeErrorOf([&] {
    Transcoder::transcodeSync(
        src, dir_ / "out.mp4", config(180), infoFor(o),
        [&](double fraction) {
          if (fraction > 0.1 && !stop.exchange(true)) askedAt = Clock::now().time_since_epoch().count();
        },
        [&] { return stop.load(); });
  });
  const double latency = secondsSince(Clock::time_point(Clock::duration(askedAt.load())));
  ASSERT_TRUE(error);
  EXPECT_EQ(*error, TranscodeError::cancelled());
  EXPECT_LT(latency, 0.5);
  // The engine leaves the partial output to its caller.
  EXPECT_TRUE(std::filesystem::exists(dir_ / "out.mp4"));
}

TEST_F(Stop, StopAskedBeforeTheStartEndsCancelled) {
  const fx::MediaOptions o = clip(1);
  const auto src = source("src.mp4", o);
  const auto error = transcodeErrorOf(
      [&] { Transcoder::transcodeSync(src, dir_ / "out.mp4", config(90), infoFor(o), {}, [] { return true; }); });
  ASSERT_TRUE(error);
  EXPECT_EQ(*error, TranscodeError::cancelled());
}

// A named pipe that delivers the first part of a file and then nothing more,
// as a stuck network drive would. Held open for writing so reads wait rather
// than end.
class StuckPipe {
 public:
  StuckPipe(const std::filesystem::path& pipe, const std::filesystem::path& content) {
    EXPECT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    fd_ = ::open(pipe.c_str(), O_RDWR | O_CLOEXEC);
    EXPECT_GE(fd_, 0);
    std::ifstream in(content, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // Less than the pipe's buffer, so this never blocks.
    const std::size_t part = std::min<std::size_t>(bytes.size() / 2, 32 * 1024);
    EXPECT_EQ(::write(fd_, bytes.data(), part), static_cast<ssize_t>(part));
  }
  ~StuckPipe() { ::close(fd_); }

 private:
  int fd_ = -1;
};

TEST_F(Stop, SourceThatStopsDeliveringEndsAsStalled) {
  const fx::MediaOptions o = clip(4);
  const auto src = source("src.mp4", o);
  StuckPipe pipe(dir_ / "pipe.mp4", src);
  detail::RunLimits limits;
  limits.stallTimeout = std::chrono::milliseconds(800);
  const auto started = Clock::now();
  const auto error = transcodeErrorOf([&] {
    detail::runTranscode(dir_ / "pipe.mp4", dir_ / "out.mp4", config(90), infoFor(o), {}, {}, limits);
  });
  ASSERT_TRUE(error);
  EXPECT_EQ(*error, TranscodeError::stalled("视频编码"));
  EXPECT_EQ(error->description(),
            "视频编码长时间无响应，已中止。可尝试把分辨率改成 1080P 再试，或先确认源文件能否正常播放");
  EXPECT_GT(secondsSince(started), 0.8);
}

TEST_F(Stop, StopReachesAReadThatWaitsForData) {
  const fx::MediaOptions o = clip(4);
  const auto src = source("src.mp4", o);
  StuckPipe pipe(dir_ / "pipe.mp4", src);
  const auto started = Clock::now();
  const auto error = transcodeErrorOf([&] {
    Transcoder::transcodeSync(dir_ / "pipe.mp4", dir_ / "out.mp4", config(90), infoFor(o), {},
                              [&] { return secondsSince(started) > 0.3; });
  });
  ASSERT_TRUE(error);
  EXPECT_EQ(*error, TranscodeError::cancelled());
  EXPECT_LT(secondsSince(started), 0.3 + 0.5);
}
