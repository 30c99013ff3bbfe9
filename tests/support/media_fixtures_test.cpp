#include <gtest/gtest.h>

#include "support/media_fixtures.h"
#include "support/scratch_dir.h"

using namespace kivotra::fixtures;

namespace {

class Fixtures : public ::testing::Test {
 protected:
  ScratchDir dir_;
};

}  // namespace

TEST_F(Fixtures, WritesTheRequestedVideo) {
  MediaOptions o;
  o.width = 96;
  o.height = 64;
  o.seconds = 1;
  o.fps = {30000, 1001};
  writeMedia(dir_ / "a.mp4", o);
  const MediaFacts f = readFacts(dir_ / "a.mp4");
  ASSERT_TRUE(f.video);
  EXPECT_FALSE(f.audio);
  EXPECT_EQ(f.video->codec, "h264");
  EXPECT_EQ(f.video->width, 96);
  EXPECT_EQ(f.video->height, 64);
  EXPECT_NEAR(f.video->fps, 29.97, 0.001);
  EXPECT_EQ(f.video->frameTimes.size(), 29u);
  EXPECT_EQ(f.video->colorPrimaries, "bt709");
  EXPECT_EQ(f.video->rotation, 0);
  EXPECT_FALSE(f.video->hflip);
}

TEST_F(Fixtures, OrientationRoundTrips) {
  for (int rotation : {90, 180, 270}) {
    for (bool flip : {false, true}) {
      MediaOptions o;
      o.seconds = 0.2;
      o.rotation = rotation;
      o.hflip = flip;
      writeMedia(dir_ / "r.mov", o);
      const MediaFacts f = readFacts(dir_ / "r.mov");
      ASSERT_TRUE(f.video);
      EXPECT_EQ(f.video->rotation, rotation) << flip;
      EXPECT_EQ(f.video->hflip, flip) << rotation;
    }
  }
}

TEST_F(Fixtures, CoverArtIsTheFirstStream) {
  for (const char* name : {"c.mov", "c.mp4"}) {
    MediaOptions o;
    o.seconds = 0.3;
    o.coverArt = true;
    o.audioChannels = 2;
    writeMedia(dir_ / name, o);
    const MediaFacts f = readFacts(dir_ / name);
    EXPECT_EQ(f.streamKinds, (std::vector<std::string>{"cover", "video", "audio"})) << name;
    ASSERT_TRUE(f.video);
    EXPECT_EQ(f.video->streamIndex, 1);
    EXPECT_EQ(f.video->width, 160);
  }
}

TEST_F(Fixtures, AudioOnlyAndAudioFacts) {
  MediaOptions o;
  o.video = false;
  o.seconds = 0.5;
  o.audioChannels = 6;
  o.audioSampleRate = 192000;
  writeMedia(dir_ / "a.mov", o);
  const MediaFacts f = readFacts(dir_ / "a.mov");
  EXPECT_FALSE(f.video);
  ASSERT_TRUE(f.audio);
  EXPECT_EQ(f.audio->codec, "pcm_s16le");
  EXPECT_EQ(f.audio->channels, 6);
  EXPECT_EQ(f.audio->sampleRate, 192000);
  EXPECT_NEAR(f.audio->duration, 0.5, 0.01);
  EXPECT_EQ(f.audio->sampleCount, 96000);

  o.audioChannels = 1;
  o.audioSampleRate = 8000;
  writeMedia(dir_ / "a.mp4", o);
  const MediaFacts g = readFacts(dir_ / "a.mp4");
  ASSERT_TRUE(g.audio);
  EXPECT_EQ(g.audio->codec, "aac");
  EXPECT_EQ(g.audio->channels, 1);
  EXPECT_EQ(g.audio->sampleRate, 8000);
}

TEST_F(Fixtures, AacRefusesRatesItCannotTake) {
  MediaOptions o;
  o.audioChannels = 2;
  o.audioSampleRate = 192000;
  EXPECT_THROW(writeMedia(dir_ / "x.mp4", o), std::runtime_error);
}

TEST_F(Fixtures, HdrIsTenBitHevcWithTransferTags) {
  MediaOptions o;
  o.width = 64;
  o.height = 64;
  o.seconds = 0.2;
  o.hdr = Hdr::pq;
  writeMedia(dir_ / "pq.mov", o);
  MediaFacts f = readFacts(dir_ / "pq.mov");
  ASSERT_TRUE(f.video);
  EXPECT_EQ(f.video->codec, "hevc");
  EXPECT_EQ(f.video->pixelFormat, "yuv420p10le");
  EXPECT_EQ(f.video->colorPrimaries, "bt2020");
  EXPECT_EQ(f.video->colorTransfer, "smpte2084");
  EXPECT_EQ(f.video->colorSpace, "bt2020nc");

  o.hdr = Hdr::hlg;
  writeMedia(dir_ / "hlg.mp4", o);
  f = readFacts(dir_ / "hlg.mp4");
  ASSERT_TRUE(f.video);
  EXPECT_EQ(f.video->colorTransfer, "arib-std-b67");
}

TEST_F(Fixtures, VariableFrameRateHasIrregularSteps) {
  MediaOptions o;
  o.seconds = 1;
  o.variableFrameRate = true;
  writeMedia(dir_ / "v.mp4", o);
  const MediaFacts f = readFacts(dir_ / "v.mp4");
  ASSERT_TRUE(f.video);
  const auto& t = f.video->frameTimes;
  ASSERT_EQ(t.size(), 30u);
  EXPECT_NEAR(t[1] - t[0], 1.0 / 60, 1e-4);
  EXPECT_NEAR(t[2] - t[1], 2.0 / 60, 1e-4);
  EXPECT_NEAR(t[3] - t[2], 3.0 / 60, 1e-4);
  EXPECT_NEAR(f.video->fps, 30, 1.5);
}

TEST_F(Fixtures, KeyFrameIntervalLongerThanTheClipLeavesOneKeyFrame) {
  MediaOptions o;
  o.seconds = 10;
  writeMedia(dir_ / "default.mp4", o);
  EXPECT_GT(readFacts(dir_ / "default.mp4").video->keyFrames, 1);  // else the option proves nothing
  o.keyframeInterval = 600;
  writeMedia(dir_ / "long.mp4", o);
  const MediaFacts f = readFacts(dir_ / "long.mp4");
  ASSERT_TRUE(f.video);
  EXPECT_EQ(f.video->frameTimes.size(), 300u);
  EXPECT_EQ(f.video->keyFrames, 1);
}

TEST_F(Fixtures, AudioStartsBeforeVideo) {
  MediaOptions o;
  o.seconds = 0.5;
  o.audioChannels = 2;
  o.audioLeadSeconds = 0.5;
  writeMedia(dir_ / "lead.mov", o);
  const MediaFacts f = readFacts(dir_ / "lead.mov");
  ASSERT_TRUE(f.video && f.audio);
  EXPECT_NEAR(f.audio->packetTimes.front(), 0, 1e-6);
  EXPECT_NEAR(f.video->frameTimes.front() - f.audio->packetTimes.front(), 0.5, 0.02);
  EXPECT_NEAR(f.audio->duration, 1.0, 0.03);
}

TEST_F(Fixtures, PatternDecodesBack) {
  MediaOptions o;
  o.width = 128;
  o.height = 96;
  o.seconds = 0.5;
  writeMedia(dir_ / "p.mov", o);
  for (int index : {0, 5, 14}) {
    const Image luma = decodeVideoFrame(dir_ / "p.mov", index, PixelKind::luma);
    ASSERT_EQ(luma.width, 128);
    EXPECT_NEAR(luma.mean({40, 30, 40, 30}), 126, 6);
    EXPECT_GT(luma.mean(pattern::marker(128, 96)), 225);
    EXPECT_EQ(readFrameCounter(luma, {0, 0, 128, 96}), index);
  }
  const Image rgba = decodeVideoFrame(dir_ / "p.mov", 0, PixelKind::rgba);
  EXPECT_NEAR(rgba.mean({40, 30, 40, 30}, 0), 128, 6);
  EXPECT_NEAR(rgba.mean({40, 30, 40, 30}, 2), 128, 6);
  EXPECT_EQ(brightBounds(rgba, 30), (Rect{0, 0, 128, 96}));
}

TEST(FixturePixels, UprightRectTurnsClockwise) {
  const Rect marker = pattern::marker(160, 120);  // top-left 40x30
  EXPECT_EQ(uprightRect(marker, 160, 120, 0, false), marker);
  EXPECT_EQ(uprightRect(marker, 160, 120, 90, false), (Rect{90, 0, 30, 40}));  // top-right
  EXPECT_EQ(uprightRect(marker, 160, 120, 180, false), (Rect{120, 90, 40, 30}));
  EXPECT_EQ(uprightRect(marker, 160, 120, 270, false), (Rect{0, 120, 30, 40}));  // bottom-left
  EXPECT_EQ(uprightRect(marker, 160, 120, 0, true), (Rect{120, 0, 40, 30}));
  EXPECT_EQ(uprightRect(marker, 160, 120, 90, true), (Rect{0, 0, 30, 40}));
}
