#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>

#include <cmath>
#include <cstdio>
#include <numbers>
#include <sstream>

#include "models/format.h"
#include "selftest/media/test_video.h"
#include "support/media_fixtures.h"
#include "support/scratch_dir.h"

using namespace kivotra;
using namespace kivotra::SelfTest;
namespace fx = kivotra::fixtures;

namespace {

class TestVideo : public ::testing::Test {
 protected:
  void SetUp() override { av_log_set_level(AV_LOG_ERROR); }
  fx::ScratchDir dir_;
};

std::int16_t sampleAt(const AudioChunk& chunk, std::int64_t frame, int channel) {
  const std::size_t at = static_cast<std::size_t>(frame * 4 + channel * 2);
  return static_cast<std::int16_t>(chunk.data[at] | (chunk.data[at + 1] << 8));
}

}  // namespace

TEST_F(TestVideo, TwoSecondsAtThirtyHaveSixtyFramesAndAQuarterSecondChunkedTone) {
  const auto path = makeTestVideo(dir_ / "two.mov", 64, 48, 2.0, 30, true);
  EXPECT_EQ(path, dir_ / "two.mov");
  const fx::MediaFacts f = fx::readFacts(path);
  EXPECT_EQ(f.streamKinds, (std::vector<std::string>{"video", "audio"}));
  ASSERT_TRUE(f.video && f.audio);
  EXPECT_EQ(f.video->codec, "h264");
  EXPECT_EQ(f.video->width, 64);
  EXPECT_EQ(f.video->height, 48);
  ASSERT_EQ(f.video->frameTimes.size(), 60u);
  for (std::size_t i = 0; i < 60; ++i) EXPECT_NEAR(f.video->frameTimes[i], i / 30.0, 1e-6) << i;
  EXPECT_NEAR(f.video->fps, 30, 1e-9);
  EXPECT_EQ(f.audio->codec, "pcm_s16le");
  EXPECT_EQ(f.audio->sampleRate, 44100);
  EXPECT_EQ(f.audio->channels, 2);
  EXPECT_EQ(f.audio->sampleCount, 88200);
}

TEST_F(TestVideo, WithoutAudioThereIsOnlyAVideoTrack) {
  makeTestVideo(dir_ / "mute.mov", 32, 32, 0.5, 24, false);
  const fx::MediaFacts f = fx::readFacts(dir_ / "mute.mov");
  EXPECT_EQ(f.streamKinds, (std::vector<std::string>{"video"}));
  ASSERT_TRUE(f.video);
  EXPECT_EQ(f.video->frameTimes.size(), 12u);
}

TEST_F(TestVideo, GradientRowsSurviveEncoding) {
  EXPECT_EQ(gradientPixel(0, 720), (std::array<std::uint8_t, 4>{255, 0, 0, 255}));
  EXPECT_EQ(gradientPixel(719, 720), (std::array<std::uint8_t, 4>{1, 254, 254, 255}));
  EXPECT_EQ(gradientPixel(360, 720), (std::array<std::uint8_t, 4>{128, 127, 127, 255}));

  makeTestVideo(dir_ / "tall.mov", 48, 720, 0.1, 10, false);
  const fx::Image img = fx::decodeVideoFrame(dir_ / "tall.mov", 0, fx::PixelKind::rgba);
  ASSERT_EQ(img.width, 48);
  ASSERT_EQ(img.height, 720);
  constexpr double loss = 8;
  for (int x : {0, 24, 47}) {
    EXPECT_NEAR(img.at(x, 0, 0), 0, loss);  // red
    EXPECT_NEAR(img.at(x, 0, 1), 0, loss);  // green
    EXPECT_NEAR(img.at(x, 0, 2), 255, loss);  // blue
    EXPECT_NEAR(img.at(x, 719, 0), 254, loss);
    EXPECT_NEAR(img.at(x, 719, 1), 254, loss);
    EXPECT_NEAR(img.at(x, 719, 2), 1, loss);
  }
}

TEST_F(TestVideo, ToneIsChunkedInQuarterSeconds) {
  const auto two = toneChunks(2.0);
  ASSERT_EQ(two.size(), 8u);
  for (std::size_t k = 0; k < two.size(); ++k) {
    EXPECT_EQ(two[k].pts, static_cast<std::int64_t>(k) * 11025);
    EXPECT_EQ(two[k].frames, 11025);
    EXPECT_EQ(two[k].data.size(), 11025u * 4);
  }
  EXPECT_EQ(toneChunks(6.0).size(), 24u);
  EXPECT_EQ(toneChunks(6.0).back().frames, 11025);

  const auto odd = toneChunks(1.1);  // 48510 frames
  ASSERT_EQ(odd.size(), 5u);
  EXPECT_EQ(odd.back().pts, 44100);
  EXPECT_EQ(odd.back().frames, 4410);
  EXPECT_TRUE(toneChunks(0).empty());
}

TEST_F(TestVideo, ToneIsA440HertzSineOnBothChannels) {
  const auto chunks = toneChunks(0.5);
  const AudioChunk& second = chunks[1];
  for (std::int64_t frame : {0, 1, 25, 100, 7000}) {
    const std::int64_t i = second.pts + frame;
    const auto expected = static_cast<std::int16_t>(std::sin(2.0 * i * std::numbers::pi * 440 / 44100) * 12000);
    EXPECT_EQ(sampleAt(second, frame, 0), expected) << i;
    EXPECT_EQ(sampleAt(second, frame, 1), expected) << i;
  }
  EXPECT_EQ(sampleAt(chunks[0], 0, 0), 0);
  // A quarter period of 440 Hz is about 25 frames: the peak is close to 12000.
  EXPECT_GT(sampleAt(chunks[0], 25, 0), 11900);
}

TEST_F(TestVideo, AudioChunksGoAheadOfTheFramesTheyPrecede) {
  const auto chunks = toneChunks(2.0);
  const auto order = writeOrder(60, 30, chunks, 2.0);
  ASSERT_EQ(order.size(), 68u);
  EXPECT_EQ(order[0], (WriteStep{true, 0}));
  EXPECT_EQ(order[1], (WriteStep{false, 0}));
  // 7/30 < 0.25 <= 8/30: the second chunk goes in just before frame 8.
  const auto second = std::find(order.begin(), order.end(), WriteStep{true, 1});
  ASSERT_NE(second, order.end());
  EXPECT_EQ(*(second - 1), (WriteStep{false, 7}));
  EXPECT_EQ(*(second + 1), (WriteStep{false, 8}));
  EXPECT_EQ(order.back(), (WriteStep{false, 59}));

  // At 1 fps, chunks after the last frame's time follow the frames.
  const auto slow = writeOrder(2, 1, chunks, 2.0);
  const std::vector<WriteStep> expected = {{true, 0}, {false, 0}, {true, 1}, {true, 2}, {true, 3}, {true, 4},
                                           {false, 1}, {true, 5}, {true, 6}, {true, 7}};
  EXPECT_EQ(slow, expected);
}

TEST_F(TestVideo, CallingAgainReplacesTheFile) {
  makeTestVideo(dir_ / "same.mov", 64, 48, 1.0, 30, true);
  makeTestVideo(dir_ / "same.mov", 32, 32, 0.5, 30, false);
  const fx::MediaFacts f = fx::readFacts(dir_ / "same.mov");
  EXPECT_EQ(f.streamKinds, (std::vector<std::string>{"video"}));
  ASSERT_TRUE(f.video);
  EXPECT_EQ(f.video->width, 32);
  EXPECT_EQ(f.video->frameTimes.size(), 15u);

  fx::writeBytes(dir_ / "junk.mov", 5000);
  makeTestVideo(dir_ / "junk.mov", 32, 32, 0.5, 30, false);
  EXPECT_TRUE(fx::readFacts(dir_ / "junk.mov").video);
}

TEST_F(TestVideo, UnwritableLocationFailsAtOnce) {
  fx::writeBytes(dir_ / "file", 10);
  try {
    makeTestVideo(dir_ / "file/x.mov", 32, 32, 1.0, 30, true);
    FAIL() << "no error";
  } catch (const PlatformError& e) {
    EXPECT_EQ(e.cause(), PlatformError::Cause::fileMissing) << e.description();
  }
  EXPECT_THROW(makeTestVideo(dir_ / "no/such/x.mov", 32, 32, 1.0, 30, false), PlatformError);
}

TEST_F(TestVideo, FileThatStopsGrowingEndsTheCallWithItsReason) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const auto path = dir_ / "limited.mov";
  // In a child process: the file-size limit stands in for a full disk.
  const auto writeLimited = [&] {
    signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    limit.rlim_cur = limit.rlim_max = 40000;
    setrlimit(RLIMIT_FSIZE, &limit);
    try {
      makeTestVideo(path, 64, 48, 2.0, 30, true);
    } catch (const SelfTestError& e) {
      std::fprintf(stderr, "code %d: %s\n", e.code(), e.description().c_str());
      std::exit(0);
    }
    std::exit(1);
  };
  EXPECT_EXIT(writeLimited(), ::testing::ExitedWithCode(0), "code 6: 测试视频写入未完成：文件超出系统允许的大小");
}

TEST(AudioSampleBuffer, CopiesTheChunkWithItsTiming) {
  const auto chunks = toneChunks(0.3);
  AVCodecParameters format{};
  format.block_align = 4;
  const av::PacketPtr packet = makeAudioSampleBuffer(chunks[1].data, chunks[1].frames, format, chunks[1].pts, 44100);
  ASSERT_TRUE(packet);
  EXPECT_EQ(packet->size, 2205 * 4);
  EXPECT_EQ(std::vector<std::uint8_t>(packet->data, packet->data + packet->size), chunks[1].data);
  EXPECT_EQ(packet->pts, 11025);
  EXPECT_EQ(packet->duration, 2205);
  EXPECT_EQ(packet->time_base.num, 1);
  EXPECT_EQ(packet->time_base.den, 44100);
}

TEST(AudioSampleBuffer, DataThatDoesNotFitTheFormatIsCodeEight) {
  AVCodecParameters format{};
  format.block_align = 4;
  const std::vector<std::uint8_t> data(40);
  try {
    makeAudioSampleBuffer(data, 11, format, 0, 44100);
    FAIL() << "no error";
  } catch (const SelfTestError& e) {
    EXPECT_EQ(e.code(), 8);
    EXPECT_EQ(e.description(), "音频样例缓冲创建失败 -22");
    EXPECT_STREQ(SelfTestError::domain, "SelfTest");
  }
}

TEST_F(TestVideo, DemoRowsReportEachFileAndGoOnAfterAFailure) {
  const DemoRow rows[] = {
      {"一.mov", 64, 48, 1.5},
      {"缺少/二.mov", 64, 48, 1.0},
      {"三.mov", 32, 32, 1.0},
  };
  const auto folder = dir_ / "new/folder";
  std::ostringstream out;
  generateRows(folder, rows, out);
  const auto size = [&](const char* name) {
    return fmtBytes(static_cast<std::int64_t>(std::filesystem::file_size(folder / name)));
  };
  EXPECT_EQ(out.str(), "✓ 一.mov  64×48  1s  " + size("一.mov") + "\n" +
                           "✗ 缺少/二.mov 失败：文件不存在（No such file or directory）\n" +
                           "✓ 三.mov  32×32  1s  " + size("三.mov") + "\n");
  EXPECT_EQ(fx::readFacts(folder / "三.mov").video->frameTimes.size(), 30u);
}
