#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "transcode_fixture.h"

using namespace kivotra;
using namespace kivotra::testing;
namespace fx = kivotra::fixtures;

namespace {

fx::MediaOptions clip(double seconds, fx::Rational fps = {30, 1}) {
  fx::MediaOptions o;
  o.width = 160;
  o.height = 90;
  o.seconds = seconds;
  o.fps = fps;
  return o;
}

// Every output frame one tick after the previous: a constant rate.
void expectConstantRate(const fx::VideoFacts& v, double fps, const char* what) {
  ASSERT_GT(v.frameTimes.size(), 1u) << what;
  EXPECT_NEAR(v.frameTimes.front(), 0, 1e-6) << what;
  for (std::size_t i = 1; i < v.frameTimes.size(); ++i) {
    ASSERT_NEAR(v.frameTimes[i] - v.frameTimes[i - 1], 1.0 / fps, 1e-3) << what << " at frame " << i;
  }
}

}  // namespace

class FrameRate : public TranscodeTest {};

TEST_F(FrameRate, OutputRateFollowsTheRule) {
  struct Case {
    const char* name;
    fx::Rational source;
    int asked;
    fx::Rational expected;
  } const cases[] = {
      {"60 asked 30", {60, 1}, 30, {30, 1}},
      {"25 asked 30 stays 25", {25, 1}, 30, {25, 1}},
      {"29.97 with 0 stays 29.97", {30000, 1001}, 0, {30000, 1001}},
  };
  int n = 0;
  for (const Case& c : cases) {
    const fx::MediaOptions o = clip(2, c.source);
    const auto src = source("src" + std::to_string(n) + ".mp4", o);
    const auto dst = dir_ / ("out" + std::to_string(n++) + ".mp4");
    Transcoder::transcodeSync(src, dst, config(90, FitMode::keep, c.asked), infoFor(o), {}, {});
    const fx::MediaFacts facts = fx::readFacts(dst);
    ASSERT_TRUE(facts.video) << c.name;
    EXPECT_EQ(static_cast<std::int64_t>(facts.video->avgFrameRate.num) * c.expected.den,
              static_cast<std::int64_t>(c.expected.num) * facts.video->avgFrameRate.den)
        << c.name;
    expectConstantRate(*facts.video, c.expected.value(), c.name);
    // The output lasts as long as the source, one frame per tick.
    const double sourceLength = std::floor(2 * c.source.value() + 1e-9) / c.source.value();
    EXPECT_NEAR(facts.video->frameTimes.size(), sourceLength * c.expected.value(), 1.01) << c.name;
  }
}

TEST_F(FrameRate, VariableRateBecomesConstantWithFramesInOrder) {
  fx::MediaOptions o = clip(2);
  o.variableFrameRate = true;
  const auto src = source("vfr.mp4", o);
  const auto dst = dir_ / "out.mp4";
  Transcoder::transcodeSync(src, dst, config(90), infoFor(o), {}, {});
  const fx::MediaFacts facts = fx::readFacts(dst);
  ASSERT_TRUE(facts.video);
  expectConstantRate(*facts.video, 30, "vfr");
  EXPECT_NEAR(facts.video->frameTimes.size(), 60, 2);
  // Each tick shows the source frame on screen at that moment: the counter
  // never runs backwards.
  int last = -1;
  for (int i = 0; i < 60; i += 7) {
    const fx::Image luma = fx::decodeVideoFrame(dst, i, fx::PixelKind::luma);
    const int counter = fx::readFrameCounter(luma, {0, 0, luma.width, luma.height});
    EXPECT_GE(counter, last) << "output frame " << i;
    last = counter;
  }
}

class Audio : public TranscodeTest {};

TEST_F(Audio, ChannelsAndRateFollowTheRule) {
  struct Case {
    const char* name;
    int channels, rate;
    const char* ext;
    int expectedChannels, expectedRate;
  } const cases[] = {
      {"mono 48 kHz stays mono 48 kHz", 1, 48000, "mp4", 1, 48000},
      {"5.1 at 44.1 kHz becomes stereo", 6, 44100, "mp4", 2, 44100},
      {"a rate AAC refuses is resampled to 48 kHz", 2, 192000, "mov", 2, 48000},
  };
  int n = 0;
  for (const Case& c : cases) {
    fx::MediaOptions o = clip(1);
    o.audioChannels = c.channels;
    o.audioSampleRate = c.rate;
    const auto src = source("src" + std::to_string(n) + "." + c.ext, o);
    const auto dst = dir_ / ("out" + std::to_string(n++) + ".mp4");
    Transcoder::transcodeSync(src, dst, config(90), infoFor(o), {}, {});
    const fx::MediaFacts facts = fx::readFacts(dst);
    ASSERT_TRUE(facts.audio) << c.name;
    EXPECT_EQ(facts.audio->codec, "aac") << c.name;
    EXPECT_EQ(facts.audio->channels, c.expectedChannels) << c.name;
    EXPECT_EQ(facts.audio->sampleRate, c.expectedRate) << c.name;
    EXPECT_NEAR(facts.audio->duration, 1.0, 0.05) << c.name;
  }
}

TEST_F(Audio, VideoOnlyWhenTheSourceOrTheProbeHasNoAudio) {
  // A source without sound whose probe wrongly said it had some, and the reverse.
  for (const int channels : {0, 2}) {
    SCOPED_TRACE(channels);
    fx::MediaOptions o = clip(1);
    o.audioChannels = channels;
    const auto src = source("src" + std::to_string(channels) + ".mp4", o);
    ProbeInfo info = infoFor(o);
    info.hasAudio = channels == 0;
    const auto dst = dir_ / ("out" + std::to_string(channels) + ".mp4");
    Transcoder::transcodeSync(src, dst, config(90), info, {}, {});
    EXPECT_EQ(fx::readFacts(dst).streamKinds, std::vector<std::string>{"video"});
  }
}

TEST_F(Audio, AudioStartingBeforeVideoEndsTogetherWithIt) {
  fx::MediaOptions o = clip(2);
  o.audioChannels = 2;
  o.audioLeadSeconds = 0.5;
  const auto src = source("lead.mov", o);
  const auto dst = dir_ / "out.mp4";
  Transcoder::transcodeSync(src, dst, config(90), infoFor(o), {}, {});
  const fx::MediaFacts facts = fx::readFacts(dst);
  ASSERT_TRUE(facts.video);
  ASSERT_TRUE(facts.audio);
  // The earliest sample starts the timeline; the picture is there from zero on.
  EXPECT_NEAR(facts.audio->startTime, 0, 0.03);
  EXPECT_NEAR(facts.video->startTime, 0, 0.001);
  const double videoEnd = facts.video->startTime + facts.video->duration;
  const double audioEnd = facts.audio->startTime + facts.audio->duration;
  EXPECT_NEAR(videoEnd, audioEnd, 0.15);
  EXPECT_NEAR(videoEnd, 2.5, 0.15);
  EXPECT_NEAR(facts.duration, 2.5, 0.15);
  // The first video frame is the source's first, held until the video began.
  const fx::Image first = fx::decodeVideoFrame(dst, 0, fx::PixelKind::luma);
  EXPECT_EQ(fx::readFrameCounter(first, {0, 0, first.width, first.height}), 0);
}

class Run : public TranscodeTest {};

TEST_F(Run, ProgressRisesToOneAndTheSizeIsTheFiles) {
  fx::MediaOptions o = clip(2);
  o.audioChannels = 2;
  const auto src = source("src.mp4", o);
  const auto dst = dir_ / "out.mp4";
  std::vector<double> seen;
  const std::int64_t size =
      Transcoder::transcodeSync(src, dst, config(90), infoFor(o), [&](double f) { seen.push_back(f); }, {});
  ASSERT_GE(seen.size(), 60u);  // one report per written frame, and the final one
  EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
  EXPECT_LE(*std::max_element(seen.begin(), seen.end()), 1.0);
  EXPECT_LT(seen[seen.size() / 2], 0.9);
  EXPECT_EQ(seen.back(), 1.0);
  EXPECT_EQ(size, static_cast<std::int64_t>(std::filesystem::file_size(dst)));
}

TEST_F(Run, UnknownDurationReportsFullAfterATenthOfASecond) {
  const fx::MediaOptions o = clip(1);
  const auto src = source("src.mp4", o);
  ProbeInfo info = infoFor(o);
  info.duration = 0;
  std::vector<double> seen;
  Transcoder::transcodeSync(src, dir_ / "out.mp4", config(90), info, [&](double f) { seen.push_back(f); }, {});
  ASSERT_GT(seen.size(), 10u);
  EXPECT_LT(seen.front(), 1.0);
  EXPECT_EQ(seen[10], 1.0);  // 10/30 s is past 0.1 s
}

TEST_F(Run, ExistingDestinationIsReplaced) {
  const fx::MediaOptions o = clip(1);
  const auto src = source("src.mp4", o);
  const auto dst = dir_ / "out.mp4";
  fx::writeBytes(dst, 4 << 20);
  const std::int64_t size = Transcoder::transcodeSync(src, dst, config(90), infoFor(o), {}, {});
  EXPECT_EQ(size, static_cast<std::int64_t>(std::filesystem::file_size(dst)));
  EXPECT_LT(size, 1 << 20);
  ASSERT_TRUE(fx::readFacts(dst).video);
}

TEST_F(Run, AsynchronousFormGivesTheSameResult) {
  const fx::MediaOptions o = clip(1);
  const auto src = source("src.mp4", o);
  auto future = Transcoder::transcode(src, dir_ / "out.mp4", config(90), infoFor(o), {}, {});
  const std::int64_t size = future.get();
  EXPECT_EQ(size, static_cast<std::int64_t>(std::filesystem::file_size(dir_ / "out.mp4")));
}

TEST_F(Run, EncodesH264HighAtTheAskedBitrateInBt709) {
  const fx::MediaOptions o = clip(1);
  const auto src = source("src.mp4", o);
  const auto dst = dir_ / "out.mp4";
  Transcoder::transcodeSync(src, dst, config(90, FitMode::keep, 0, 300), infoFor(o), {}, {});
  const fx::MediaFacts facts = fx::readFacts(dst);
  ASSERT_TRUE(facts.video);
  EXPECT_EQ(facts.video->codec, "h264");
  EXPECT_EQ(facts.video->profile, "High");
  EXPECT_EQ(facts.video->pixelFormat, "yuv420p");
  EXPECT_EQ(facts.video->colorPrimaries, "bt709");
  EXPECT_EQ(facts.video->colorTransfer, "bt709");
  EXPECT_EQ(facts.video->colorSpace, "bt709");
  EXPECT_EQ(facts.video->colorRange, "tv");
  // x264 writes its settings into the stream: average bitrate mode at the
  // asked rate, told to expect the output rate, the default preset's choices.
  std::ifstream file(dst, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  EXPECT_NE(bytes.find("rc=abr"), std::string::npos);
  EXPECT_NE(bytes.find(" bitrate=300 "), std::string::npos);
  EXPECT_NE(bytes.find(" subme=4 "), std::string::npos);  // faster
  EXPECT_NE(bytes.find(" ref=2 "), std::string::npos);
}
