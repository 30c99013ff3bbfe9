#include <gtest/gtest.h>

#include "models/geometry.h"
#include "transcode_fixture.h"

using namespace kivotra;
using namespace kivotra::testing;
namespace fx = kivotra::fixtures;

namespace {

struct CanvasCase {
  const char* name;
  int width, height, rotation;  // stored source
  FitMode fit;
  Dims canvas;
  fx::Rect picture;  // where the source picture shows on the canvas
};

// Short, small sources: geometry does not need many frames.
fx::MediaOptions picture(int width, int height, int rotation = 0, bool hflip = false) {
  fx::MediaOptions o;
  o.width = width;
  o.height = height;
  o.rotation = rotation;
  o.hflip = hflip;
  o.seconds = 0.4;
  return o;
}

void expectNear(const fx::Rect& actual, const fx::Rect& expected, int tolerance, const char* name) {
  EXPECT_NEAR(actual.x, expected.x, tolerance) << name;
  EXPECT_NEAR(actual.y, expected.y, tolerance) << name;
  EXPECT_NEAR(actual.w, expected.w, tolerance) << name;
  EXPECT_NEAR(actual.h, expected.h, tolerance) << name;
}

}  // namespace

class Canvas : public TranscodeTest {};

TEST_F(Canvas, KeepCropAndPadOnLandscapePortraitAndTurnedSources) {
  const CanvasCase cases[] = {
      {"landscape keep", 320, 180, 0, FitMode::keep, {160, 90}, {0, 0, 160, 90}},
      {"4:3 pad", 240, 180, 0, FitMode::pad, {160, 90}, {20, 0, 120, 90}},
      {"4:3 crop", 240, 180, 0, FitMode::crop, {160, 90}, {0, 0, 160, 90}},
      {"portrait keep", 180, 320, 0, FitMode::keep, {90, 160}, {0, 0, 90, 160}},
      {"portrait pad", 180, 320, 0, FitMode::pad, {160, 90}, {55, 0, 50, 90}},
      {"portrait crop", 180, 320, 0, FitMode::crop, {160, 90}, {0, 0, 160, 90}},
      {"turned keep", 320, 180, 90, FitMode::keep, {90, 160}, {0, 0, 90, 160}},
      {"turned pad", 320, 180, 90, FitMode::pad, {160, 90}, {55, 0, 50, 90}},
      {"turned crop", 320, 180, 90, FitMode::crop, {160, 90}, {0, 0, 160, 90}},
  };
  int n = 0;
  for (const CanvasCase& c : cases) {
    const fx::MediaOptions o = picture(c.width, c.height, c.rotation);
    const auto src = source("src" + std::to_string(n) + ".mov", o);
    const auto dst = dir_ / ("out" + std::to_string(n++) + ".mp4");
    const ProbeInfo info = infoFor(o);
    const Transcoder::Config cfg = config(90, c.fit);
    Transcoder::transcodeSync(src, dst, cfg, info, {}, {});

    const fx::MediaFacts facts = fx::readFacts(dst);
    ASSERT_TRUE(facts.video) << c.name;
    EXPECT_EQ((Dims{facts.video->width, facts.video->height}), c.canvas) << c.name;
    EXPECT_EQ((Dims{facts.video->width, facts.video->height}), outputDims(info.width, info.height, cfg.itemSettings()))
        << c.name;
    EXPECT_EQ(facts.video->rotation, 0) << c.name;

    // Black (16) bands where the picture (grey 126 and brighter) does not reach.
    const fx::Image luma = fx::decodeVideoFrame(dst, 3, fx::PixelKind::luma);
    expectNear(fx::brightBounds(luma, 40), c.picture, 2, c.name);
    if (c.picture.x > 4) {
      EXPECT_LT(luma.mean({0, 0, c.picture.x - 2, luma.height}), 20) << c.name;
      EXPECT_LT(luma.mean({c.picture.x + c.picture.w + 2, 0, luma.width, luma.height}), 20) << c.name;
    }
  }
}

TEST_F(Canvas, EveryTurnAndMirrorEndsUpright) {
  // The white marker sits top-left in the stored picture; after turning it
  // must be where the display matrix puts it, on a canvas of the upright shape.
  int n = 0;
  for (int rotation : {0, 90, 180, 270}) {
    for (bool hflip : {false, true}) {
      const fx::MediaOptions o = picture(192, 108, rotation, hflip);
      const auto src = source("src" + std::to_string(n) + ".mov", o);
      const auto dst = dir_ / ("out" + std::to_string(n++) + ".mp4");
      Transcoder::transcodeSync(src, dst, config(54), infoFor(o), {}, {});

      const fx::Image luma = fx::decodeVideoFrame(dst, 0, fx::PixelKind::luma);
      const bool turned = rotation % 180 != 0;
      ASSERT_EQ(luma.width, turned ? 54 : 96);
      ASSERT_EQ(luma.height, turned ? 96 : 54);
      const int uprightW = turned ? 108 : 192;
      const double scale = static_cast<double>(luma.width) / uprightW;
      const fx::Rect m = fx::uprightRect(fx::pattern::marker(192, 108), 192, 108, rotation, hflip);
      // The marker's middle, and the same spot mirrored through the centre.
      const fx::Rect inner{static_cast<int>((m.x + m.w / 4.0) * scale), static_cast<int>((m.y + m.h / 4.0) * scale),
                           std::max(1, static_cast<int>(m.w / 2.0 * scale)),
                           std::max(1, static_cast<int>(m.h / 2.0 * scale))};
      const fx::Rect opposite{luma.width - inner.x - inner.w, luma.height - inner.y - inner.h, inner.w, inner.h};
      EXPECT_GT(luma.mean(inner), 200) << "rotation " << rotation << " hflip " << hflip;
      EXPECT_LT(luma.mean(opposite), 160) << "rotation " << rotation << " hflip " << hflip;
    }
  }
}

TEST_F(Canvas, CoverArtIsNotMistakenForTheVideo) {
  fx::MediaOptions o = picture(320, 180);
  o.coverArt = true;
  o.audioChannels = 2;
  const auto src = source("cover.mp4", o);
  const auto dst = dir_ / "out.mp4";
  Transcoder::transcodeSync(src, dst, config(90), infoFor(o), {}, {});
  const fx::MediaFacts facts = fx::readFacts(dst);
  EXPECT_EQ(facts.streamKinds, (std::vector<std::string>{"video", "audio"}));
  ASSERT_TRUE(facts.video);
  EXPECT_EQ(facts.video->width, 160);
  const fx::Image luma = fx::decodeVideoFrame(dst, 0, fx::PixelKind::luma);
  EXPECT_NEAR(luma.mean({60, 30, 40, 20}), 126, 20);  // the grey picture, not the red cover
}
