#include <gtest/gtest.h>

#include "transcoder/placement.h"

using namespace kivotra;
using namespace kivotra::detail;

TEST(Placement, SameShapeFillsTheCanvasAndPadCentresANarrowerPicture) {
  const struct {
    int w;
    FitMode fit;
    int scaledWidth, x;
  } rows[] = {{1920, FitMode::keep, 1280, 0}, {1920, FitMode::crop, 1280, 0}, {1920, FitMode::pad, 1280, 0},
              {1440, FitMode::pad, 960, 160}};
  for (const auto& row : rows) {
    SCOPED_TRACE(::testing::Message() << row.w << " " << rawValue(row.fit));
    const Placement p = placeFrame(row.w, 1080, 1, {}, {1280, 720}, row.fit);
    EXPECT_FALSE(p.cropsSource());
    EXPECT_EQ(p.fillsCanvas(), row.x == 0);
    EXPECT_EQ(p.scaledWidth, row.scaledWidth);
    EXPECT_EQ(p.scaledHeight, 720);
    EXPECT_EQ(p.x, row.x);
    EXPECT_EQ(p.y, 0);
  }
}

TEST(Placement, CropCutsTheOverflowEvenlyAndFillsTheCanvas) {
  const Placement p = placeFrame(1440, 1080, 1, {}, {1280, 720}, FitMode::crop);
  // Scale 8/9: 1280x960, of which the middle 720 rows show, i.e. 810 source rows.
  EXPECT_EQ(p.crop.x, 0);
  EXPECT_EQ(p.crop.w, 1440);
  EXPECT_EQ(p.crop.h, 810);
  EXPECT_NEAR(p.crop.y, 135, 1);
  EXPECT_TRUE(p.fillsCanvas());
}

TEST(Placement, QuarterTurnedPortraitStandsUpright) {
  const av::Orientation turned{90, false};
  const Placement keep = placeFrame(1920, 1080, 1, turned, {720, 1280}, FitMode::keep);
  EXPECT_EQ(keep.uprightWidth(), 720);
  EXPECT_EQ(keep.uprightHeight(), 1280);
  EXPECT_EQ(keep.scaledWidth, 1280);  // scaled before it is turned
  EXPECT_TRUE(keep.fillsCanvas());

  const Placement pad = placeFrame(1920, 1080, 1, turned, {1280, 720}, FitMode::pad);
  EXPECT_NEAR(pad.uprightWidth(), 405, 1);
  EXPECT_EQ(pad.uprightHeight(), 720);
  EXPECT_NEAR(pad.x, 437.5, 1.5);

  // Upright 1280x2275.6 of which the middle 720 rows show: 607.5 of the
  // picture's 1920 stored columns.
  const Placement crop = placeFrame(1920, 1080, 1, turned, {1280, 720}, FitMode::crop);
  EXPECT_NEAR(crop.crop.w, 607.5, 1);
  EXPECT_EQ(crop.crop.h, 1080);
  EXPECT_NEAR(crop.crop.x, (1920 - 607.5) / 2, 1.5);
  EXPECT_TRUE(crop.fillsCanvas());
}

TEST(Placement, EvenRoundingLeavesNoSliver) {
  // 1366x768 at tier 720: canvas 1282x720, exact picture 1280.6x720.
  const Placement p = placeFrame(1366, 768, 1, {}, {1282, 720}, FitMode::keep);
  EXPECT_TRUE(p.fillsCanvas());
  EXPECT_FALSE(p.cropsSource());
}

TEST(Placement, AnamorphicPixelsAreShownAtTheirDisplayShape) {
  // 1440x1080 stored with 4:3 pixels is a 16:9 picture.
  const Placement p = placeFrame(1440, 1080, 4.0 / 3.0, {}, {1280, 720}, FitMode::pad);
  EXPECT_TRUE(p.fillsCanvas());
  EXPECT_FALSE(p.cropsSource());
}

TEST(Placement, EverySizeAndOffsetIsEven) {
  for (FitMode fit : kAllFitModes) {
    for (const av::Orientation o : {av::Orientation{}, av::Orientation{90, false}}) {
      const Placement p = placeFrame(1079, 719, 1, o, {854, 480}, fit);
      for (int v : {p.crop.x, p.crop.y, p.crop.w, p.crop.h, p.scaledWidth, p.scaledHeight, p.x, p.y}) {
        EXPECT_EQ(v % 2, 0) << "fit " << static_cast<int>(fit);
      }
      EXPECT_LE(p.crop.x + p.crop.w, 1079);
      EXPECT_LE(p.crop.y + p.crop.h, 719);
      EXPECT_LE(p.x + p.uprightWidth(), 854);
      EXPECT_LE(p.y + p.uprightHeight(), 480);
    }
  }
}

TEST(Placement, EmptySourceSizeStaysFinite) {
  const Placement p = placeFrame(0, 0, 1, {}, {1280, 720}, FitMode::crop);
  EXPECT_TRUE(p.fillsCanvas());
  EXPECT_GE(p.crop.w, 2);
  EXPECT_GE(p.crop.h, 2);
}
