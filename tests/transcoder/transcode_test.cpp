// Whole transcodes of small generated clips: what the output file holds.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "models/geometry.h"
#include "transcode_fixture.h"

using namespace kivotra;
using namespace kivotra::testing;

namespace {

using Transcode = TranscodeTest;

// Where a stored rectangle of a w x h picture appears once turned clockwise by
// a quarter-turn multiple and then mirrored.
fx::Rect uprightRect(const fx::Rect& s, int w, int h, int rotation, bool hflip) {
  fx::Rect r = s;
  int displayWidth = w;
  switch (rotation) {
    case 90: r = {h - (s.y + s.h), s.x, s.h, s.w}; displayWidth = h; break;
    case 180: r = {w - (s.x + s.w), h - (s.y + s.h), s.w, s.h}; break;
    case 270: r = {s.y, w - (s.x + s.w), s.h, s.w}; displayWidth = h; break;
  }
  if (hflip) r.x = displayWidth - (r.x + r.w);
  return r;
}

}  // namespace

TEST_F(Transcode, KeepCropAndPadOnLandscapePortraitAndTurnedSources) {
  const struct {
    const char* name;
    int width, height, rotation;  // stored source
    FitMode fit;
    Dims canvas;
    fx::Rect picture;  // where the source picture shows on the canvas
    fx::Hdr hdr = fx::Hdr::none;
  } cases[] = {
      {"4:3 pad", 240, 180, 0, FitMode::pad, {160, 90}, {20, 0, 120, 90}},
      {"4:3 crop", 240, 180, 0, FitMode::crop, {160, 90}, {0, 0, 160, 90}},
      {"turned pad", 320, 180, 90, FitMode::pad, {160, 90}, {55, 0, 50, 90}},
      {"turned HLG pad (a phone held upright)", 320, 180, 90, FitMode::pad, {160, 90}, {55, 0, 50, 90}, fx::Hdr::hlg},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    fx::MediaOptions o = clip(c.width, c.height, 0.2);
    o.rotation = c.rotation;
    o.hdr = c.hdr;
    transcode(source("src.mov", o), dir_ / "out.mp4", config(90, c.fit), infoFor(o));
    const fx::MediaFacts facts = fx::readFacts(dir_ / "out.mp4");
    ASSERT_TRUE(facts.video);
    EXPECT_EQ((Dims{facts.video->width, facts.video->height}), c.canvas);
    EXPECT_EQ(facts.video->rotation, 0);
    // The picture (grey 126 and brighter) between black (16) bands, to 2 pixels.
    const fx::Image luma = frame("out.mp4", 3);
    const int left = c.picture.x, right = c.picture.x + c.picture.w;
    EXPECT_GT(luma.mean({left + 2, 0, c.picture.w - 4, luma.height}), 100);
    // Both bands are as wide: pads on the right as on the left.
    if (left > 0) {
      EXPECT_LT(luma.mean({0, 0, left - 2, luma.height}), 20);
      EXPECT_LT(luma.mean({right + 2, 0, luma.width - right - 2, luma.height}), 20);
    }
  }
}

// The white marker and its tail land where the display matrix puts them, and
// not where the other orientations of that shape would: in the probe's size
// and cover, and in the output, whose canvas has the upright shape.
TEST_F(Transcode, EveryTurnAndMirrorIsProbedAndWrittenUpright) {
  const int w = 192, h = 108;
  for (int rotation : {0, 90, 180, 270}) {
    for (bool mirrored : {false, true}) {
      const std::string name = std::to_string(rotation) + (mirrored ? "m" : "");
      SCOPED_TRACE(name);
      fx::MediaOptions o = clip(w, h, 0.1);
      o.rotation = rotation;
      o.hflip = mirrored;
      const bool sideways = rotation % 180 != 0;
      const ProbeInfo info = probe(source(name + ".mov", o));
      EXPECT_EQ(info.width, sideways ? h : w);
      EXPECT_EQ(info.height, sideways ? w : h);
      ASSERT_TRUE(info.thumbnail);
      transcode(dir_ / (name + ".mov"), dir_ / (name + ".mp4"), config(h), info);
      const fx::Image pictures[] = {{info.thumbnail->width, info.thumbnail->height, 4, info.thumbnail->pixels},
                                    frame(name + ".mp4", 0)};
      for (const fx::Image& picture : pictures) {
        ASSERT_EQ(std::pair(picture.width, picture.height), std::pair(info.width, info.height));
        for (int other : {0, 90, 180, 270}) {
          for (bool otherMirror : {false, true}) {
            if ((other % 180 != 0) != sideways) continue;
            const fx::Rect tail = uprightRect(fx::pattern::tail(w, h), w, h, other, otherMirror);
            const fx::Rect marker = uprightRect(fx::pattern::marker(w, h), w, h, other, otherMirror);
            const double darker = std::min(picture.mean(tail), picture.mean(marker));
            if (other == rotation && otherMirror == mirrored) {
              EXPECT_GT(darker, 200);
            } else {
              EXPECT_LT(darker, 160) << other << " " << otherMirror;
            }
          }
        }
      }
    }
  }
}

// Constant output rate, each tick showing the source frame on screen at that
// moment; sources faster than the output skip decoding the pictures the rate
// conversion drops that nothing refers to. Sound that starts first starts the
// timeline, the first picture held until the video began; both end together.
// HDR comes out tone-mapped: the pattern's code values mean light levels there
// (in PQ the grey is about 92 cd/m², nearly SDR white, the white marker 10000
// cd/m²); re-tagging alone would show that grey at 126 and the white above 235.
TEST_F(Transcode, OutputRateIsConstantShowsTheSameFramesAsFullDecodingAndHdrIsToneMapped) {
  const struct {
    const char* name;
    fx::Rational source;
    bool variable;
    fx::Hdr hdr;
    int asked;
    fx::Rational expected;
    int leastSkipped;  // x264 places B pictures as the content asks; x265's fast preset every other one
    double lead = 0;  // seconds of sound before the first picture
    double greyMin = 115, greyMax = 140;  // the pattern's grey in 8-bit BT.709 luma
  } cases[] = {
      {"60 asked 30", {60, 1}, false, fx::Hdr::none, 30, {30, 1}, 1},
      {"60 HLG asked 30", {60, 1}, false, fx::Hdr::hlg, 30, {30, 1}, 20, 0, 110, 200},
      {"30 PQ", {30, 1}, false, fx::Hdr::pq, 0, {30, 1}, 0, 0, 170, 225},
      {"29.97 kept as 30000 over 1001", {30000, 1001}, false, fx::Hdr::none, 0, {30000, 1001}, 0},
      {"variable 30", {30, 1}, true, fx::Hdr::none, 0, {30, 1}, 0},
      {"30, sound half a second ahead", {30, 1}, false, fx::Hdr::none, 0, {30, 1}, 0, 0.5},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    fx::MediaOptions o = clip(160, 90, 1, 2);
    o.fps = c.source;
    o.variableFrameRate = c.variable;
    o.hdr = c.hdr;
    o.keyframeInterval = 60;
    o.audioLeadSeconds = c.lead;
    detail::RunStats stats;
    detail::RunLimits limits;
    limits.stats = &stats;
    transcode(source(c.name + std::string(".mov"), o), dir_ / "out.mp4", config(90, FitMode::keep, c.asked), infoFor(o), {},
              {}, limits);
    const int frames = static_cast<int>(std::floor(c.source.value() + 1e-9));
    EXPECT_GE(stats.skippedPictures, c.leastSkipped);
    EXPECT_EQ(stats.decodedPictures + stats.skippedPictures, frames);
    const fx::MediaFacts facts = fx::readFacts(dir_ / "out.mp4");
    ASSERT_TRUE(facts.video && facts.audio);
    EXPECT_EQ(facts.video->pixelFormat + " " + facts.video->colorTransfer, "yuv420p bt709");
    const auto& t = facts.video->frameTimes;
    EXPECT_EQ(static_cast<std::int64_t>(facts.video->avgFrameRate.num) * c.expected.den,
              static_cast<std::int64_t>(c.expected.num) * facts.video->avgFrameRate.den);
    ASSERT_GT(t.size(), 1u);
    EXPECT_NEAR(t.front(), 0, 1e-6);
    EXPECT_NEAR(facts.audio->startTime, 0, 0.03);
    for (std::size_t i = 1; i < t.size(); ++i) ASSERT_NEAR(t[i] - t[i - 1], 1.0 / c.expected.value(), 1e-3) << i;
    // As long as the source, one frame per tick, the sound ending with the picture.
    const double length = frames / c.source.value() + c.lead;
    EXPECT_NEAR(t.size(), length * c.expected.value(), 2.01);
    EXPECT_NEAR(facts.audio->startTime + facts.audio->duration, facts.video->startTime + facts.video->duration, 0.05);
    // The grey, and the white marker: highlights roll off to white inside the video range.
    const fx::Image first = frame("out.mp4", 0);
    EXPECT_GT(first.mean({80, 30, 40, 30}), c.greyMin);
    EXPECT_LT(first.mean({80, 30, 40, 30}), c.greyMax);
    EXPECT_NEAR(first.mean({5, 5, 30, 12}), 232, 4);
    // The counter starts at 0 and never runs backwards; a halved rate shows every other source frame.
    std::vector<int> checked{static_cast<int>(t.size()) - 1};  // the last, whose references end the stream
    for (int i = 0; i < checked.front(); i += 7) checked.insert(checked.end() - 1, i);
    int last = 0;
    for (const int i : checked) {
      const int counter = counterOf(frame("out.mp4", i));
      const bool halved = c.source.value() == 2 * c.expected.value();
      EXPECT_EQ(counter, halved ? 2 * i : i == 0 ? 0 : std::max(counter, last)) << "output frame " << i;
      last = counter;
    }
  }
}
