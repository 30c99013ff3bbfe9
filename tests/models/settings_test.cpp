#include <gtest/gtest.h>

#include "models/fit_mode.h"
#include "models/item_settings.h"
#include "models/tiers.h"

using namespace kivotra;

TEST(FitMode, BuildsOnlyFromExactLabel) {
  EXPECT_EQ(fitModeFromRaw("裁切 16:9"), FitMode::crop);
  EXPECT_EQ(fitModeFromRaw("保持原始"), FitMode::keep);
  EXPECT_EQ(fitModeFromRaw("加黑边 16:9"), FitMode::pad);
  EXPECT_EQ(fitModeFromRaw("裁切16:9"), std::nullopt);
  EXPECT_EQ(fitModeFromRaw("crop"), std::nullopt);
  EXPECT_EQ(fitModeFromRaw(""), std::nullopt);
}

TEST(FitMode, LabelsRoundTripInDeclarationOrder) {
  ASSERT_EQ(kAllFitModes.size(), 3u);
  EXPECT_EQ(kAllFitModes[0], FitMode::keep);
  EXPECT_EQ(kAllFitModes[2], FitMode::pad);
  for (FitMode mode : kAllFitModes) EXPECT_EQ(fitModeFromRaw(rawValue(mode)), mode);
}

TEST(ItemSettings, DefaultsAndFieldwiseEquality) {
  ItemSettings defaults;
  EXPECT_EQ(defaults, (ItemSettings{1080, 0, 5000, FitMode::keep, true}));

  ItemSettings other = defaults;
  other.noUpscale = false;
  EXPECT_NE(defaults, other);
  other = defaults;
  other.fit = FitMode::pad;
  EXPECT_NE(defaults, other);
  other = defaults;
  other.fps = 30;
  EXPECT_NE(defaults, other);
}

TEST(Tiers, LabelsAndRecommendedBitrates) {
  EXPECT_EQ(tierLabel(720), "720P");
  EXPECT_EQ(tierLabel(1080), "1080P");
  EXPECT_EQ(tierLabel(1440), "2K");
  EXPECT_EQ(tierLabel(2160), "4K");
  EXPECT_EQ(tierLabel(480), "480P");
  EXPECT_EQ(tierLabel(900), "900P");
  EXPECT_EQ(tierLabel(0), "0P");

  EXPECT_EQ(recommendedBitrate(720), 3000);
  EXPECT_EQ(recommendedBitrate(1080), 5000);
  EXPECT_EQ(recommendedBitrate(1440), 10000);
  EXPECT_EQ(recommendedBitrate(2160), 20000);
  EXPECT_EQ(recommendedBitrate(900), 5000);
}
