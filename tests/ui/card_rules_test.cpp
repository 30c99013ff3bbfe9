#include <gtest/gtest.h>

#include "ui/card_rules.h"
#include "ui_fixture.h"

using namespace kivotra;
using namespace kivotra::ui;

namespace {

VideoItem probed(int w, int h, double duration, std::int64_t bytes, double fps) {
  VideoItem item = test::probedItem("clip.mov", w, h, duration, bytes);
  item.srcFPS = fps;
  return item;
}

}  // namespace

TEST(ThumbnailWidth, FollowsAspectBetween28And84) {
  EXPECT_DOUBLE_EQ(thumbnailWidth(1920, 1080), 84);    // 92.4 capped
  EXPECT_DOUBLE_EQ(thumbnailWidth(1080, 1920), 29.25);
  EXPECT_DOUBLE_EQ(thumbnailWidth(1080, 3840), 28);    // 14.6 raised
  EXPECT_DOUBLE_EQ(thumbnailWidth(1440, 1080), 52 * 4.0 / 3);
  EXPECT_DOUBLE_EQ(thumbnailWidth(0, 0), 84);
  EXPECT_DOUBLE_EQ(thumbnailWidth(1920, 0), 84);
}

TEST(RatioTone, PortraitWideAndNeutral) {
  EXPECT_EQ(ratioTone(1080, 1920), Tone::portrait);
  EXPECT_EQ(ratioTone(2560, 1080), Tone::wide);
  EXPECT_EQ(ratioTone(1998, 1080), Tone::secondaryLabel);  // exactly 1.85
  EXPECT_EQ(ratioTone(1080, 1080), Tone::secondaryLabel);
  EXPECT_EQ(ratioTone(0, 1080), Tone::tertiaryLabel);
}

TEST(Tags, RatioFpsCustomAndRemainingTime) {
  VideoItem item = probed(1920, 1080, 90, 45000000, 29.97);
  EXPECT_EQ(tags(item), (std::vector<Tag>{{"16:9 横屏", Tone::secondaryLabel}, {"30 FPS", Tone::secondaryLabel}}));

  item.customSettings = ItemSettings{.shortSide = 720};
  item.status = ItemStatus::compressing();
  item.etaSeconds = 65;
  EXPECT_EQ(tags(item), (std::vector<Tag>{{"16:9 横屏", Tone::secondaryLabel},
                                          {"30 FPS", Tone::secondaryLabel},
                                          {"单独设置", Tone::primary},
                                          {"剩 01:05", Tone::primary}}));
}

TEST(Tags, RemainingTimeOnlyWhileCompressingAndAboveThreeSeconds) {
  VideoItem item = probed(1080, 1920, 30, 1000000, 0);
  item.status = ItemStatus::compressing();
  item.etaSeconds = 3;
  EXPECT_EQ(tags(item), (std::vector<Tag>{{"9:16 竖屏", Tone::portrait}}));
  item.etaSeconds.reset();
  EXPECT_EQ(tags(item).size(), 1u);
  item.etaSeconds = 3.2;
  item.status = ItemStatus::ready();
  EXPECT_EQ(tags(item).size(), 1u);
  item.status = ItemStatus::compressing();
  EXPECT_EQ(tags(item).back(), (Tag{"剩 00:03", Tone::primary}));
}

TEST(Tags, UnprobedItemShowsDashInTertiary) {
  EXPECT_EQ(tags(VideoItem("/a.mp4")), (std::vector<Tag>{{"—", Tone::tertiaryLabel}}));
}

TEST(DimsText, DashWhileLoadingElseOutputSize) {
  VideoItem item("/a.mp4");
  EXPECT_EQ(dimsText(item, ItemSettings{}), "—");
  item = probed(1080, 1920, 10, 1000, 30);
  EXPECT_EQ(dimsText(item, ItemSettings{.shortSide = 720, .noUpscale = false}), "720×1280");
  // no-upscale keeps a small source at its size
  item = probed(640, 360, 10, 1000, 30);
  EXPECT_EQ(dimsText(item, ItemSettings{.shortSide = 1080}), "640×360");
}

TEST(SizeColumn, EveryStatus) {
  VideoItem item("/a.mp4");
  const ItemSettings settings;
  EXPECT_EQ(sizeColumn(item, settings), (SizeColumn{SizeColumn::Kind::loading, "—", "读取中", Tone::secondaryLabel}));

  item = probed(1920, 1080, 60, 100000000, 30);
  EXPECT_EQ(sizeColumn(item, settings), (SizeColumn{SizeColumn::Kind::estimate, "≈ 36.7 MB", "预估", Tone::primary}));
  EXPECT_EQ(sizeColumn(item, ItemSettings{.bitrateKbps = 3000}).value, "≈ 22.4 MB");

  item.status = ItemStatus::compressing();
  item.progress = 0.0734;
  EXPECT_EQ(sizeColumn(item, settings), (SizeColumn{SizeColumn::Kind::progress, "7.3%", "", Tone::primary}));

  item.status = ItemStatus::done();
  item.actualSize = 38460000;
  EXPECT_EQ(sizeColumn(item, settings), (SizeColumn{SizeColumn::Kind::result, "36.7 MB", "", Tone::primary}));

  item.status = ItemStatus::failed("读取失败：文件已损坏");
  EXPECT_EQ(sizeColumn(item, settings),
            (SizeColumn{SizeColumn::Kind::failed, "失败", "读取失败：文件已损坏", Tone::danger}));
}

TEST(SizeColumn, DoneWithoutSizeShowsZeroKB) {
  VideoItem item = probed(1920, 1080, 60, 100000000, 30);
  item.status = ItemStatus::done();
  EXPECT_EQ(sizeColumn(item, ItemSettings{}).value, "0 KB");
}

TEST(CardControls, WaitingItemWhileQueueRunsIsLocked) {
  const CardControls idle = cardControls(ItemStatus::ready(), false);
  EXPECT_TRUE(idle.clickable);
  EXPECT_TRUE(idle.editEnabled);
  EXPECT_DOUBLE_EQ(idle.editOpacity, 1);
  EXPECT_TRUE(idle.removeEnabled);
  EXPECT_DOUBLE_EQ(idle.removeOpacity, 0.85);

  const CardControls waiting = cardControls(ItemStatus::ready(), true);
  EXPECT_FALSE(waiting.clickable);
  EXPECT_FALSE(waiting.editEnabled);
  EXPECT_DOUBLE_EQ(waiting.editOpacity, 0.3);
  EXPECT_FALSE(waiting.removeEnabled);
  EXPECT_DOUBLE_EQ(waiting.removeOpacity, 0.85);
  EXPECT_FALSE(waiting.showStop);
  EXPECT_FALSE(waiting.showProgressBar);
}

TEST(CardControls, CompressingItemOffersStopAndBar) {
  const CardControls c = cardControls(ItemStatus::compressing(), true);
  EXPECT_FALSE(c.clickable);
  EXPECT_FALSE(c.removeEnabled);
  EXPECT_DOUBLE_EQ(c.removeOpacity, 0.25);
  EXPECT_DOUBLE_EQ(c.editOpacity, 0.3);
  EXPECT_TRUE(c.showStop);
  EXPECT_FALSE(c.showReveal);
  EXPECT_TRUE(c.showProgressBar);
}

TEST(CardControls, DoneItemOffersRevealAndFullBar) {
  const CardControls c = cardControls(ItemStatus::done(), false);
  EXPECT_TRUE(c.clickable);
  EXPECT_TRUE(c.showReveal);
  EXPECT_FALSE(c.showStop);
  EXPECT_TRUE(c.showProgressBar);
  EXPECT_DOUBLE_EQ(progressFraction(ItemStatus::done(), 0.4), 1);
  EXPECT_FALSE(cardControls(ItemStatus::failed("x"), false).showProgressBar);
  EXPECT_FALSE(cardControls(ItemStatus::loading(), false).showReveal);
}

TEST(CardLook, BorderBackgroundAndEditIcon) {
  EXPECT_EQ(cardBorder(true, ItemStatus::compressing()), (Stroke{Tone::primary, 0.75, 1.5}));
  EXPECT_EQ(cardBorder(false, ItemStatus::compressing()), (Stroke{Tone::primary, 0.55, 1.5}));
  EXPECT_EQ(cardBorder(false, ItemStatus::ready()), (Stroke{Tone::separator, 0.45, 1}));
  EXPECT_EQ(cardBackground(true), (Fill{Tone::soft, 0.75}));
  EXPECT_EQ(cardBackground(false), (Fill{Tone::controlBackground, 1}));
  EXPECT_EQ(editIconTone(false, false), Tone::secondaryLabel);
  EXPECT_EQ(editIconTone(false, true), Tone::primary);
  EXPECT_EQ(editIconTone(true, false), Tone::primary);
}

TEST(ProgressBar, NeverThinnerThanThreePoints) {
  EXPECT_DOUBLE_EQ(progressBarWidth(400, progressFraction(ItemStatus::compressing(), 0)), 3);
  EXPECT_DOUBLE_EQ(progressBarWidth(400, progressFraction(ItemStatus::compressing(), 0.5)), 200);
  EXPECT_DOUBLE_EQ(progressBarWidth(400, progressFraction(ItemStatus::compressing(), 1.7)), 400);
}

TEST(FileName, LastPathComponent) {
  EXPECT_EQ(fileName(VideoItem("/home/u/视频/假期 2024.MOV")), "假期 2024.MOV");
}
