// Sources faster than the output's rate: the pictures the rate conversion
// drops and nothing refers to are never decoded, and the output shows the
// same pictures, at a constant rate and in sync with the sound.

#include <gtest/gtest.h>

#include "transcode_fixture.h"
#include "transcoder/detail/picture_skip.h"

using namespace kivotra;
using kivotra::testing::TranscodeTest;
namespace fx = kivotra::fixtures;

TEST(RateDropsFrame, OnlyTheFrameTheNextOneReplacesOnTheSameTick) {
  const struct {
    const char* name;
    std::int64_t pts, duration;
    AVRational timeBase, rate;
    bool dropped;
  } rows[] = {
      {"60 to 30, even frame shown", 512, 256, {1, 15360}, {30, 1}, false},
      {"60 to 30, odd frame replaced", 768, 256, {1, 15360}, {30, 1}, true},
      {"59.94 to 29.97, odd frame", 3 * 1001, 1001, {1, 60000}, {30000, 1001}, true},
      {"120 to 30, the last before half a tick stays", 1, 1, {1, 120}, {30, 1}, false},
      {"120 to 30, the others go", 3, 1, {1, 120}, {30, 1}, true},
      {"same rate keeps all", 7, 1, {1, 30}, {30, 1}, false},
      {"no time, kept", AV_NOPTS_VALUE, 1, {1, 60}, {30, 1}, false},
      {"no duration, kept", 3, 0, {1, 60}, {30, 1}, false},
  };
  for (const auto& r : rows) {
    EXPECT_EQ(detail::rateDropsFrame(r.pts, r.duration, r.timeBase, r.rate), r.dropped) << r.name;
  }
}

class RateSkip : public TranscodeTest {};

TEST_F(RateSkip, SixtyToThirtyLeavesDroppedPicturesUndecodedAndShowsTheSameOnes) {
  const struct {
    const char* name;
    fx::Hdr hdr;
    int leastSkipped;  // x264 places B pictures as the content asks; x265's fast preset every other one
  } rows[] = {{"h264.mp4", fx::Hdr::none, 1}, {"hevc-hlg.mp4", fx::Hdr::hlg, 40}};
  for (const auto& row : rows) {
    fx::MediaOptions o = clip(160, 90, 2, 2);
    o.fps = {60, 1};
    o.hdr = row.hdr;
    o.keyframeInterval = 60;
    detail::RunStats stats;
    detail::RunLimits limits;
    limits.stats = &stats;
    const auto out = dir_ / (std::string("out-") + row.name);
    transcode(source(row.name, o), out, config(90, FitMode::keep, 30), infoFor(o), {}, {}, limits);

    // The encoders write non-reference pictures between the others: most of
    // the dropped half is never decoded, and what is decoded is shown.
    EXPECT_GE(stats.skippedPictures, row.leastSkipped) << row.name;
    EXPECT_EQ(stats.decodedPictures + stats.skippedPictures, 120) << row.name;
    const fx::MediaFacts facts = fx::readFacts(out);
    ASSERT_TRUE(facts.video && facts.audio) << row.name;
    const auto& t = facts.video->frameTimes;
    ASSERT_EQ(t.size(), 60u) << row.name;
    for (std::size_t i = 1; i < t.size(); ++i) ASSERT_NEAR(t[i] - t[i - 1], 1 / 30.0, 1e-3) << row.name << i;
    const double videoEnd = facts.video->startTime + facts.video->duration;
    EXPECT_NEAR(videoEnd, 2.0, 0.04) << row.name;
    EXPECT_NEAR(facts.audio->startTime + facts.audio->duration, videoEnd, 0.05) << row.name;
    // Output frame i shows source frame 2i, as when everything is decoded.
    for (const int i : {0, 1, 17, 59}) {
      const fx::Image luma = fx::decodeVideoFrame(out, i, fx::PixelKind::luma);
      EXPECT_EQ(fx::readFrameCounter(luma, {0, 0, luma.width, luma.height}), 2 * i) << row.name << " frame " << i;
    }
  }
}
