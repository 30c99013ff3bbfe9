#include <gtest/gtest.h>

#include "ui/panel_rules.h"
#include "ui_fixture.h"

namespace kivotra::ui {
namespace {

VideoItem probed(int w, int h, ItemStatus status = ItemStatus::ready()) {
  return test::probedItem("clip.mp4", w, h, 10, 50000000, std::move(status));
}

TEST(TierSwitch, NoFileToTestCountsAsAChange) {
  EXPECT_TRUE(outputDimsWouldChange({}, FitMode::keep, true, 1080, 720));
}

TEST(TierSwitch, SmallSourceUnderNoUpscaleKeepsItsSizeUnderBothTiers) {
  const VideoItem small = probed(640, 360);
  EXPECT_FALSE(outputDimsWouldChange({&small}, FitMode::keep, true, 1080, 720));
  EXPECT_TRUE(outputDimsWouldChange({&small}, FitMode::keep, false, 1080, 720));
  // On a 16:9 canvas the no-upscale factor still holds it at its own short side.
  EXPECT_FALSE(outputDimsWouldChange({&small}, FitMode::crop, true, 2160, 720));
}

TEST(TierSwitch, OneChangingFileIsEnough) {
  const VideoItem small = probed(640, 360);
  const VideoItem large = probed(1920, 1080);
  EXPECT_TRUE(outputDimsWouldChange({&small, &large}, FitMode::keep, true, 1080, 720));
  // 1920×1080 stays 1920×1080 from 1080P up to 4K under no-upscale.
  EXPECT_FALSE(outputDimsWouldChange({&small, &large}, FitMode::keep, true, 1080, 2160));
}

TEST(TierSwitch, LoadingFilesAreNotTested) {
  std::vector<VideoItem> items{probed(0, 0, ItemStatus::loading()), probed(640, 360, ItemStatus::failed("x")),
                               probed(1920, 1080, ItemStatus::done())};
  const auto files = tierTestFiles(items, std::nullopt);
  ASSERT_EQ(files.size(), 2u);
  EXPECT_EQ(files[0], &items[1]);
  EXPECT_EQ(files[1], &items[2]);

  items.pop_back();
  items.pop_back();
  EXPECT_TRUE(tierTestFiles(items, std::nullopt).empty());
}

TEST(TierSwitch, WhileEditingOnlyTheEditedFileIsTested) {
  std::vector<VideoItem> items{probed(1920, 1080), probed(640, 360), probed(3840, 2160)};
  const auto files = tierTestFiles(items, items[1].id);
  ASSERT_EQ(files.size(), 1u);
  EXPECT_EQ(files[0], &items[1]);
  // An id that names no listed file falls back to the whole list.
  EXPECT_EQ(tierTestFiles(items, Uuid::random()).size(), 3u);
}

TEST(EffectiveParameters, OwnThenParkedThenPanel) {
  ItemSettings own;
  own.shortSide = 720;
  own.bitrateKbps = 2000;
  ItemSettings parked;
  parked.bitrateKbps = 7000;
  ItemSettings panel;
  panel.bitrateKbps = 9000;

  VideoItem item = probed(1920, 1080);
  EXPECT_EQ(effectiveParameters(item, std::nullopt, panel), panel);
  EXPECT_EQ(effectiveParameters(item, parked, panel), parked);
  item.customSettings = own;
  EXPECT_EQ(effectiveParameters(item, parked, panel), own);
  EXPECT_EQ(effectiveParameters(item, std::nullopt, panel), own);
}

TEST(BitrateField, ZeroShowsAsAnEmptyField) {
  EXPECT_EQ(bitrateFieldText(0), "");
  EXPECT_EQ(bitrateFieldText(5000), "5000");
  EXPECT_EQ(bitrateFieldText(123456), "123456");
  EXPECT_EQ(bitrateFieldText(-40), "-40");
}

TEST(BitrateField, TakesAnyWholeNumber) {
  EXPECT_EQ(parseBitrateField(""), 0);
  EXPECT_EQ(parseBitrateField("   "), 0);
  EXPECT_EQ(parseBitrateField(" 4500 "), 4500);
  EXPECT_EQ(parseBitrateField("+800"), 800);
  EXPECT_EQ(parseBitrateField("-300"), -300);
  EXPECT_EQ(parseBitrateField("80000"), 80000);  // the slider's range does not bind the field
}

TEST(BitrateField, RefusesWhatIsNoWholeNumber) {
  for (const char* text : {"12a", "5,000", "4.5", "abc", "+-3", "+", "99999999999"}) {
    EXPECT_EQ(parseBitrateField(text), std::nullopt) << text;
  }
}

TEST(BitrateSlider, StoresTheValueTruncatedTowardZero) {
  EXPECT_EQ(bitrateFromSlider(4999.9), 4999);
  EXPECT_EQ(bitrateFromSlider(2000), 2000);
  EXPECT_EQ(bitrateFromSlider(40000.0), 40000);
}

}  // namespace
}  // namespace kivotra::ui
