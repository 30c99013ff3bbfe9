#include <gtest/gtest.h>

#include <cmath>

#include "ui/summary_rules.h"
#include "ui_fixture.h"

namespace kivotra::ui {

void PrintTo(const Saving& s, std::ostream* os) { *os << static_cast<int>(s.kind) << " \"" << s.text << "\""; }

namespace {

VideoItem file(double seconds, std::int64_t bytes, bool audio, ItemStatus status = ItemStatus::ready()) {
  VideoItem item = test::probedItem("clip.mov", 1920, 1080, seconds, bytes, std::move(status));
  item.hasAudio = audio;
  return item;
}

ItemSettings withBitrate(int kbps) {
  ItemSettings s;
  s.bitrateKbps = kbps;
  return s;
}

TEST(TipText, SixteenByNineCanvasNamesWhatHappensToPortraitSources) {
  EXPECT_EQ(tipText(1080, FitMode::pad), "统一为 16:9 横屏画布：输出 1920×1080，竖屏素材将两侧加黑边");
  EXPECT_EQ(tipText(1440, FitMode::crop), "统一为 16:9 横屏画布：输出 2560×1440，竖屏素材将居中裁切");
}

TEST(TipText, KeepListsThreeShapes) {
  EXPECT_EQ(tipText(720, FitMode::keep), "长边按画面比例自动计算：16:9 → 1280×720，9:16 → 720×1280，2.35:1 → 1692×720");
  // 2160 × 2.35 = 5076; 2160 × 16 ÷ 9 = 3840.
  EXPECT_EQ(tipText(2160, FitMode::keep), "长边按画面比例自动计算：16:9 → 3840×2160，9:16 → 2160×3840，2.35:1 → 5076×2160");
}

TEST(Summary, OneMinuteWithAudioAtFiveThousand) {
  const std::vector<VideoItem> items{file(60, 100000000, true)};
  const std::int64_t total = estimatedTotal(items, std::nullopt, withBitrate(5000));
  EXPECT_EQ(total, 38460000);
  EXPECT_EQ(totalText(total), "≈ 36.7 MB");
  EXPECT_EQ(totalOriginal(items), 100000000);
  EXPECT_EQ(saving(total, totalOriginal(items)), (Saving{Saving::Kind::percent, "↓ 61.5%"}));
}

TEST(Summary, EachItemCountsAtItsEffectiveBitrate) {
  std::vector<VideoItem> items{file(10, 1, false), file(10, 1, false), file(0, 5, false, ItemStatus::loading())};
  items[0].customSettings = withBitrate(2000);
  // The second follows the global bitrate: the parked one while editing, else the panel's.
  EXPECT_EQ(estimatedTotal(items, std::nullopt, withBitrate(3000)), 2500000 + 3750000);
  EXPECT_EQ(estimatedTotal(items, withBitrate(4000), withBitrate(3000)), 2500000 + 5000000);
  // The unprobed third adds its size, which is all it has, and no estimate.
  EXPECT_EQ(totalOriginal(items), 7);
}

TEST(Summary, NoSavingShownWithoutSourcesOrWithoutEstimate) {
  EXPECT_EQ(totalText(estimatedTotal({}, std::nullopt, ItemSettings{})), "≈ 0 KB");
  EXPECT_EQ(totalOriginal({}), 0);
  EXPECT_EQ(saving(0, 0), Saving{});
  EXPECT_EQ(saving(1000, 0), Saving{});  // nothing probed that has a size
  EXPECT_EQ(saving(0, 1000), Saving{});  // nothing with a length
}

TEST(Summary, SourceAlreadySmallerThanItsEstimate) {
  const Saving smaller{Saving::Kind::sourceSmaller, "源已较小"};
  EXPECT_EQ(saving(2000, 1000), smaller);
  EXPECT_EQ(saving(1000, 1000), smaller);
  // A saving of 0.1 % or less is no saving worth showing.
  EXPECT_EQ(saving(999500, 1000000), smaller);
  EXPECT_EQ(saving(998000, 1000000), (Saving{Saving::Kind::percent, "↓ 0.2%"}));
}

TEST(DetailText, GlobalBitratesWhileNoFileHasItsOwn) {
  EXPECT_EQ(detailText({}, 5000, false, 0), "视频 5000 kbps + 音频 128 kbps");
  EXPECT_EQ(countLine(0, detailText({}, 5000, false, 0)), "共 0 个文件 · 视频 5000 kbps + 音频 128 kbps");
  const std::vector<VideoItem> items{file(10, 1, true)};
  EXPECT_EQ(detailText(items, 12000, false, 0), "视频 12000 kbps + 音频 128 kbps");
}

TEST(DetailText, AnyOwnParametersReplaceTheBitrates) {
  std::vector<VideoItem> items{file(10, 1, true), file(10, 1, true)};
  items[1].customSettings = withBitrate(2000);
  EXPECT_EQ(detailText(items, 5000, false, 0), "含单独设置的条目");
}

TEST(DetailText, RunningPutsProgressInFront) {
  std::vector<VideoItem> items{file(10, 1, true, ItemStatus::done()), file(10, 1, true, ItemStatus::compressing()),
                               file(10, 1, true)};
  EXPECT_EQ(detailText(items, 5000, true, 1), "已完成 1/3  ·  视频 5000 kbps + 音频 128 kbps");
  EXPECT_EQ(countLine(3, detailText(items, 5000, true, 1)), "共 3 个文件 · 已完成 1/3  ·  视频 5000 kbps + 音频 128 kbps");
  // Files still loading are not among the T.
  items.push_back(file(0, 0, false, ItemStatus::loading()));
  items[2].customSettings = withBitrate(9000);
  EXPECT_EQ(detailText(items, 5000, true, 2), "已完成 2/3  ·  含单独设置的条目");
}

TEST(StartControl, NeedsAReadyFileUnlessRunning) {
  EXPECT_FALSE(canStart({}));
  EXPECT_FALSE(canStart({file(0, 0, false, ItemStatus::loading())}));
  EXPECT_FALSE(canStart({file(1, 1, false, ItemStatus::done()), file(1, 1, false, ItemStatus::failed("读取失败：x"))}));
  EXPECT_TRUE(canStart({file(0, 0, false, ItemStatus::loading()), file(1, 1, false)}));

  EXPECT_FALSE(startEnabled(false, false));
  EXPECT_EQ(startOpacity(false, false), 0.4);
  EXPECT_TRUE(startEnabled(false, true));
  EXPECT_EQ(startOpacity(false, true), 1.0);
  // While running it stops the queue, ready file or not.
  EXPECT_TRUE(startEnabled(true, false));
  EXPECT_EQ(startOpacity(true, false), 1.0);
}

TEST(StartControl, TitleAndSymbolFollowTheQueue) {
  EXPECT_EQ(startTitle(false), "开始压缩");
  EXPECT_EQ(startIcon(false), "wand-stars");
  EXPECT_EQ(startTitle(true), "取消压缩");
  EXPECT_EQ(startIcon(true), "stop");
}

TEST(StartControl, ShadowAndScaleUnderThePointer) {
  const Shadow idle = startShadow(false, false);
  EXPECT_EQ(idle.colour.red, Theme::deep.red);
  EXPECT_EQ(idle.opacity, 0.26);
  EXPECT_EQ(idle.radius, 8);
  EXPECT_EQ(idle.offsetY, 3);
  const Shadow hovered = startShadow(false, true);
  EXPECT_EQ(hovered.opacity, 0.42);
  EXPECT_EQ(hovered.radius, 14);
  EXPECT_EQ(hovered.offsetY, 7);
  const Shadow running = startShadow(true, true);
  EXPECT_EQ(running.colour.red, kStopRed.red);
  EXPECT_EQ(running.opacity, 0.28);
  EXPECT_EQ(running.radius, 14);

  EXPECT_EQ(startScale(true, true), 1.015);
  EXPECT_EQ(startScale(true, false), 1.0);
  EXPECT_EQ(startScale(false, true), 1.0);  // a disabled control does not react
  EXPECT_EQ(startHighlight(true), 0.14);
  EXPECT_EQ(startHighlight(false), 0.0);
}

// Runs Qt Quick's spring integration (16 ms steps) from 1 towards 1.015.
struct SpringRun {
  double peak = 0;
  double settledAfter = 0;  // seconds until it stays within 1 % of the distance
};
SpringRun runSpring(const Spring& s) {
  const double from = 1, to = 1.015;
  double x = from, v = 0;
  SpringRun run;
  for (int step = 1; step <= 500; ++step) {
    v = v + s.spring * (to - x) - s.damping * v;
    x += v * 0.016;
    run.peak = std::max(run.peak, x);
    if (std::abs(x - to) > 0.01 * (to - from)) run.settledAfter = step * 0.016;
  }
  return run;
}

TEST(StartControl, HoverSpringBehavesLikeItsResponseAndDamping) {
  const SpringRun run = runSpring(springFor(0.28, 0.7));
  // Damping fraction 0.7 overshoots by about e^(-πζ/√(1-ζ²)) ≈ 4.6 % of the distance.
  const double overshoot = (run.peak - 1.015) / 0.015;
  EXPECT_NEAR(overshoot, 0.046, 0.02);
  // A 0.28 s response settles within a few tenths of a second, not in one frame nor in seconds.
  EXPECT_GT(run.settledAfter, 0.15);
  EXPECT_LT(run.settledAfter, 0.6);
  // A critically damped spring does not overshoot.
  EXPECT_LT(runSpring(springFor(0.28, 1.0)).peak, 1.015 + 1e-6);
}

}  // namespace
}  // namespace kivotra::ui
