#include <gtest/gtest.h>

#include <cmath>

#include "ui/panel_rules.h"
#include "ui/summary_rules.h"
#include "ui_fixture.h"

namespace kivotra::ui {

void PrintTo(const Saving& s, std::ostream* os) { *os << static_cast<int>(s.kind) << " \"" << s.text << "\""; }

namespace {

using test::probedItem;

VideoItem file(double seconds, std::int64_t bytes, ItemStatus status = ItemStatus::ready()) {
  return probedItem("clip.mov", 1920, 1080, seconds, bytes, std::move(status));
}
ItemSettings kbps(int bitrate) { return ItemSettings{.bitrateKbps = bitrate}; }

TEST(PanelRules, ATierSwitchChangesTheBitrateOnlyWhenATestedFileChangesSize) {
  const VideoItem small = probedItem("s.mp4", 640, 360), large = probedItem("l.mp4", 1920, 1080);
  EXPECT_TRUE(outputDimsWouldChange({}, FitMode::keep, true, 1080, 720));  // no file: a change
  EXPECT_FALSE(outputDimsWouldChange({&small}, FitMode::keep, true, 1080, 720));
  EXPECT_TRUE(outputDimsWouldChange({&small}, FitMode::keep, false, 1080, 720));
  EXPECT_FALSE(outputDimsWouldChange({&small}, FitMode::crop, true, 2160, 720));  // held at its own short side
  EXPECT_TRUE(outputDimsWouldChange({&small, &large}, FitMode::keep, true, 1080, 720));
  EXPECT_FALSE(outputDimsWouldChange({&small, &large}, FitMode::keep, true, 1080, 2160));

  // Tested: the edited file alone, else every file but those loading.
  std::vector<VideoItem> items{probedItem("a", 0, 0, 0, 0, ItemStatus::loading()), small, large};
  EXPECT_EQ(tierTestFiles(items, std::nullopt), (std::vector<const VideoItem*>{&items[1], &items[2]}));
  EXPECT_EQ(tierTestFiles(items, items[1].id), (std::vector<const VideoItem*>{&items[1]}));
  EXPECT_TRUE(tierTestFiles({items[0]}, std::nullopt).empty());
}

TEST(PanelRules, FieldsShowTheirValuesAndTakeOnlyWhatTheEncoderHonours) {
  constexpr std::int64_t MiB = 1048576;
  EXPECT_EQ(sizeLimitFieldText(25 * MiB), "25");
  EXPECT_EQ(sizeLimitFieldText(MiB * 19 / 2), "9.5");
  EXPECT_EQ(sizeLimitFieldText(MiB + MiB / 3), "1.33");
  const std::pair<const char*, std::optional<std::int64_t>> rows[] = {
      {"25", 25 * MiB}, {" 8 ", 8 * MiB}, {"9.5", MiB * 19 / 2}, {"0", {}},  {"", {}},
      {"-5", {}},       {"25M", {}},      {"25MB", {}},         {"1e3", {}}, {"2 5", {}}};
  for (const auto& [text, bytes] : rows) EXPECT_EQ(parseSizeLimitField(text), bytes) << '"' << text << '"';

  EXPECT_EQ(bitrateFieldText(0), "");
  EXPECT_EQ(bitrateFieldText(-40), "-40");
  const std::pair<const char*, std::optional<int>> bitrates[] = {
      {"", 0},     {" \t ", 0},   {" 4500\t", 4500}, {"+800", 800}, {"1000000", 1000000}, {"80000", 80000},
      {"-300", {}}, {"0", {}},     {"1000001", {}},   {"12a", {}},   {"5,000", {}},        {"4.5", {}},
      {"+-3", {}},  {"+", {}},     {"99999999999", {}}};
  for (const auto& [text, value] : bitrates) EXPECT_EQ(parseBitrateField(text), value) << '"' << text << '"';
  EXPECT_EQ(bitrateFromSlider(4999.9), 4999);
  EXPECT_EQ(bitrateFromSlider(40000.0), 40000);
}

TEST(SummaryRules, TotalsCountEachFileAtItsOwnBitrateAndTheSavingShowsAboveATenthOfAPercent) {
  std::vector<VideoItem> items{file(60, 100000000), file(10, 1), file(0, 5, ItemStatus::loading())};
  items[1].hasAudio = false;
  items[1].customSettings = kbps(2000);
  // 60 s at 5000 + 128 kbps, 10 s at 2000 kbps; the unprobed third adds its size and no estimate.
  EXPECT_EQ(estimatedTotal(items, std::nullopt, kbps(5000)), 38460000 + 2500000);
  EXPECT_EQ(estimatedTotal(items, kbps(3000), kbps(5000)), 23460000 + 2500000);  // the parked global
  // In size mode a file counts what its planned bitrate is expected to write.
  const ItemSettings bySize{.bySize = true, .sizeLimitBytes = 10 * 1048576};
  items[1].customSettings.reset();
  EXPECT_NEAR(estimatedTotal(items, std::nullopt, bySize), 2 * 0.96 * 10 * 1048576, 16000);
  EXPECT_EQ(totalOriginal(items), 100000006);
  EXPECT_EQ(totalText(38460000), "≈ 36.7 MB");

  const Saving smaller{Saving::Kind::sourceSmaller, "源已较小"};
  EXPECT_EQ(saving(38460000, 100000000), (Saving{Saving::Kind::percent, "↓ 61.5%"}));
  EXPECT_EQ(saving(998000, 1000000), (Saving{Saving::Kind::percent, "↓ 0.2%"}));
  EXPECT_EQ(saving(999500, 1000000), smaller);
  EXPECT_EQ(saving(2000, 1000), smaller);
  EXPECT_EQ(saving(1000, 0), Saving{});  // nothing probed that has a size
  EXPECT_EQ(saving(0, 1000), Saving{});  // nothing with a length
}

TEST(SummaryRules, TipNamesTheCanvasOrTheThreeShapesAndDetailTheBitratesOwnParametersAndProgress) {
  EXPECT_EQ(tipText(1080, FitMode::pad), "统一为 16:9 横屏画布：输出 1920×1080，竖屏素材将两侧加黑边");
  EXPECT_EQ(tipText(1440, FitMode::crop), "统一为 16:9 横屏画布：输出 2560×1440，竖屏素材将居中裁切");
  EXPECT_EQ(tipText(2160, FitMode::keep), "长边按画面比例自动计算：16:9 → 3840×2160，9:16 → 2160×3840，2.35:1 → 5076×2160");
  std::vector<VideoItem> items{file(10, 1, ItemStatus::done()), file(10, 1, ItemStatus::compressing()), file(10, 1)};
  const ItemSettings bySize{.bySize = true, .sizeLimitBytes = 8 * 1048576};
  EXPECT_EQ(countLine(0, detailText({}, kbps(5000), false, 0)), "共 0 个文件 · 视频 5000 kbps + 音频 128 kbps");
  EXPECT_EQ(detailText(items, kbps(5000), true, 1), "已完成 1/3  ·  视频 5000 kbps + 音频 128 kbps");
  EXPECT_EQ(detailText(items, bySize, true, 1, 130.4), "已完成 1/3  ·  全部剩 02:10  ·  每个不超过 8.0 MB");
  EXPECT_EQ(detailText(items, bySize, false, 1, 130.4), "每个不超过 8.0 MB");
  items.push_back(file(0, 0, ItemStatus::loading()));  // not among the files to do
  items[2].customSettings = kbps(9000);
  EXPECT_EQ(detailText(items, kbps(5000), true, 2), "已完成 2/3  ·  含单独设置的条目");
  EXPECT_EQ(detailText(items, kbps(5000), false, 2), "含单独设置的条目");
}

// The hover spring, stepped as Qt Quick does (16 ms) from 1 towards 1.015: its peak and when it settled.
std::pair<double, double> peakAndSettled(const Spring& s) {
  double x = 1, v = 0, peak = 0, settled = 0;
  for (int step = 1; step <= 500; ++step) {
    v = v + s.spring * (1.015 - x) - s.damping * v;
    x += v * 0.016;
    peak = std::max(peak, x);
    if (std::abs(x - 1.015) > 0.01 * 0.015) settled = step * 0.016;
  }
  return {peak, settled};
}

TEST(SummaryRules, StartNeedsAReadyFileUnlessRunningAndItsHoverSpringSettles) {
  EXPECT_FALSE(canStart({}));
  EXPECT_FALSE(canStart({file(1, 1, ItemStatus::done()), file(1, 1, ItemStatus::failed("x")),
                         file(0, 0, ItemStatus::loading())}));
  EXPECT_TRUE(canStart({file(0, 0, ItemStatus::loading()), file(1, 1)}));
  EXPECT_EQ(startOpacity(false, false), 0.4);
  EXPECT_EQ(startOpacity(false, true), 1.0);
  EXPECT_TRUE(startEnabled(true, false));  // it then stops the queue
  EXPECT_EQ(startScale(false, true), 1.0);  // a disabled control does not react
  // Damping fraction 0.7 overshoots by about e^(-πζ/√(1-ζ²)) ≈ 4.6 % of the distance and a
  // 0.28 s response settles within a few tenths of a second; critically damped, no overshoot.
  const auto [peak, settled] = peakAndSettled(springFor(0.28, 0.7));
  EXPECT_NEAR((peak - 1.015) / 0.015, 0.046, 0.02);
  EXPECT_TRUE(settled > 0.15 && settled < 0.6) << settled;
  EXPECT_NEAR(peakAndSettled(springFor(0.28, 1.0)).first, 1.015, 1e-6);
}

}  // namespace
}  // namespace kivotra::ui
