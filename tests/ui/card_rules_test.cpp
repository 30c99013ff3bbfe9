#include <gtest/gtest.h>

#include "ui/card_rules.h"
#include "ui/icon_provider.h"
#include "ui/thumbnail_provider.h"
#include "ui_fixture.h"

namespace kivotra::ui {

void PrintTo(const SizeColumn& c, std::ostream* os) {
  *os << int(c.kind) << " \"" << c.value << "\" \"" << c.caption << "\" " << int(c.valueTone) << " \"" << c.note << '"';
}

namespace {

TEST(CardRules, ThumbnailWidthAndRatioToneFollowTheShape) {
  const struct {
    int w, h;
    double thumb;
    Tone tone;
  } rows[] = {
      {1920, 1080, 84, Tone::secondaryLabel},  // 92.4 capped
      {1080, 1920, 29.25, Tone::portrait},        {1080, 3840, 28, Tone::portrait},  // 14.6 raised
      {1440, 1080, 52 * 4.0 / 3, Tone::secondaryLabel}, {1998, 1080, 84, Tone::secondaryLabel},  // exactly 1.85
      {2560, 1080, 84, Tone::wide},               {1080, 1080, 52, Tone::secondaryLabel},
      {0, 0, 84, Tone::tertiaryLabel},            {1920, 0, 84, Tone::tertiaryLabel},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(::testing::Message() << row.w << "x" << row.h);
    EXPECT_DOUBLE_EQ(thumbnailWidth(row.w, row.h), row.thumb);
    EXPECT_EQ(ratioTone(row.w, row.h), row.tone);
  }
}

TEST(CardRules, TagsDimsAndTimeLeftWhileCompressing) {
  VideoItem item = test::probedItem("clip.mov", 1920, 1080, 90, 45000000, ItemStatus::ready(), 29.97);
  item.etaSeconds = 65;  // not compressing: not shown
  EXPECT_EQ(tags(item), (std::vector<Tag>{{"16:9 横屏", Tone::secondaryLabel}, {"30 FPS", Tone::secondaryLabel}}));
  item.customSettings = ItemSettings{.shortSide = 720};
  item.status = ItemStatus::compressing();
  EXPECT_EQ(tags(item).back(), (Tag{"剩 01:05", Tone::primary}));
  EXPECT_EQ(tags(item)[2], (Tag{"单独设置", Tone::primary}));
  item.etaSeconds = 3;  // three seconds or less: not shown
  EXPECT_EQ(tags(item).size(), 3u);
  item.etaSeconds = 3.2;
  EXPECT_EQ(tags(item).back(), (Tag{"剩 00:03", Tone::primary}));
  EXPECT_EQ(tags(VideoItem("/a.mp4")), (std::vector<Tag>{{"—", Tone::tertiaryLabel}}));

  EXPECT_EQ(dimsText(VideoItem("/a.mp4"), {}), "—");
  EXPECT_EQ(dimsText(test::probedItem("p.mp4", 1080, 1920), {.shortSide = 720, .noUpscale = false}), "720×1280");
  EXPECT_EQ(dimsText(test::probedItem("small.mp4", 640, 360), {}), "640×360");  // not enlarged
}

// What a card shows in its size column for every status, in both modes, and the
// note when the file would come out (or came out) bigger than its source.
TEST(CardRules, SizeColumnForEveryStatusAndMode) {
  using K = SizeColumn::Kind;
  constexpr std::int64_t MiB = 1048576;
  const auto file = [](double seconds, std::int64_t bytes, ItemStatus status = ItemStatus::ready()) {
    return test::probedItem("a.mp4", 1920, 1080, seconds, bytes, std::move(status));
  };
  VideoItem compressing = file(60, 100 * MiB, ItemStatus::compressing());
  compressing.progress = 0.0734;
  VideoItem grown = file(60, 20 * MiB, ItemStatus::done()), shrunk = grown;
  grown.actualSize = 21 * MiB;
  shrunk.actualSize = 19 * MiB;
  VideoItem failed("/a.mp4");
  failed.status = ItemStatus::failed("读取失败：文件已损坏");
  const ItemSettings bitrate5000, bySize25{.bySize = true}, bySize1{.bySize = true, .sizeLimitBytes = MiB};
  const struct {
    VideoItem item;
    ItemSettings settings;
    SizeColumn column;
  } rows[] = {
      {VideoItem("/a.mp4"), bitrate5000, {K::loading, "—", "读取中", Tone::secondaryLabel}},
      {file(60, 100 * MiB), bitrate5000, {K::estimate, "≈ 36.7 MB", "预估", Tone::primary}},
      {file(60, 100 * MiB), {.bitrateKbps = 3000}, {K::estimate, "≈ 22.4 MB", "预估", Tone::primary}},
      {file(60, 30 * MiB), bitrate5000, {K::estimate, "≈ 36.7 MB", "预估", Tone::primary, "大于源文件"}},
      {compressing, bitrate5000, {K::progress, "7.3%", "", Tone::primary}},
      {grown, bySize25, {K::result, "21.0 MB", "", Tone::primary, "大于源文件"}},
      {shrunk, bySize25, {K::result, "19.0 MB", "", Tone::primary}},
      {failed, bitrate5000, {K::failed, "失败", "读取失败：文件已损坏", Tone::danger}},
      // Size mode fills about 96 % of the limit; out of reach it names the smallest size.
      {file(60, 100 * MiB), bySize25, {K::estimate, "≈ 24.0 MB", "预估", Tone::primary}},
      {file(60, 10 * MiB), bySize25, {K::estimate, "≈ 24.0 MB", "预估", Tone::primary, "大于源文件"}},
      {file(60, 100 * MiB), bySize1, {K::estimate, "≈ 1.7 MB", "超过上限", Tone::danger}},
      {file(0, 1000), bySize25, {K::estimate, "—", "时长未知", Tone::danger}},
  };
  for (const auto& row : rows) EXPECT_EQ(sizeColumn(row.item, row.settings), row.column);
}

// A wide cover in three bands (red, green, blue) cut to a square keeps the middle band,
// with its corners rounded off; a cover whose pixels fall short is not drawn.
TEST(CardRules, CoverKeepsTheMiddleAndRoundsTheCornersAndIconsTakeTheirColoursAlpha) {
  RgbaBitmap cover{.width = 300, .height = 100, .pixels = std::vector<std::uint8_t>(300 * 100 * 4)};
  for (int i = 0; i < 300 * 100; ++i) {
    cover.pixels[static_cast<std::size_t>(i) * 4 + static_cast<std::size_t>(i % 300 / 100)] = 255;
    cover.pixels[static_cast<std::size_t>(i) * 4 + 3] = 255;
  }
  const QImage square = coverImage(cover, QSize(100, 100), 8);
  ASSERT_EQ(square.size(), QSize(100, 100));
  for (const QPoint at : {QPoint(2, 50), QPoint(50, 50), QPoint(97, 50)}) EXPECT_EQ(square.pixelColor(at), Qt::green) << at.x();
  EXPECT_EQ(square.pixelColor(0, 0).alpha(), 0);
  EXPECT_EQ(coverImage(cover, QSize(), 0).size(), QSize(300, 100));
  cover.pixels.pop_back();
  EXPECT_TRUE(coverImage(cover, QSize(100, 100), 8).isNull());

  // A colour with alpha lays the whole icon down at that alpha: a half-transparent
  // icon is nowhere more opaque than half.
  ui::IconProvider icons;
  QSize size;
  const QImage icon = icons.requestImage(QStringLiteral("checkmark/80ff0000"), &size, QSize(32, 32));
  ASSERT_FALSE(icon.isNull());
  int most = 0;
  for (int y = 0; y < icon.height(); ++y)
    for (int x = 0; x < icon.width(); ++x) most = std::max(most, icon.pixelColor(x, y).alpha());
  EXPECT_NEAR(most, 128, 4);
}

TEST(CardRules, ControlsLockWhileTheQueueRunsAndTheBarStaysOnItsTrack) {
  const struct {
    ItemStatus status;
    bool running;
    CardControls controls;  // clickable, edit, its opacity, remove, its opacity, stop, reveal, bar
  } rows[] = {
      {ItemStatus::ready(), false, {true, true, 1, true, 0.85, false, false, false}},
      {ItemStatus::ready(), true, {false, false, 0.3, false, 0.85, false, false, false}},
      {ItemStatus::compressing(), true, {false, false, 0.3, false, 0.25, true, false, true}},
      {ItemStatus::done(), false, {true, true, 1, true, 0.85, false, true, true}},
      {ItemStatus::failed("x"), false, {true, true, 1, true, 0.85, false, false, false}},
  };
  for (const auto& row : rows)
    EXPECT_EQ(cardControls(row.status, row.running), row.controls)
        << ItemListModel::statusKey(row.status).toStdString() << (row.running ? " running" : "");

  EXPECT_EQ(cardBorder(true, ItemStatus::ready()).tone, Tone::primary);
  EXPECT_EQ(cardBorder(false, ItemStatus::compressing()).tone, Tone::primary);
  EXPECT_EQ(cardBorder(false, ItemStatus::ready()).tone, Tone::separator);
  EXPECT_EQ(editIconTone(false, false), Tone::secondaryLabel);
  EXPECT_EQ(editIconTone(false, true), Tone::primary);
  EXPECT_EQ(editIconTone(true, false), Tone::primary);
  // The bar: full when done, never thinner than three points, never past its track.
  EXPECT_DOUBLE_EQ(progressFraction(ItemStatus::done(), 0.4), 1);
  EXPECT_DOUBLE_EQ(progressBarWidth(400, progressFraction(ItemStatus::compressing(), 0)), 3);
  EXPECT_DOUBLE_EQ(progressBarWidth(400, progressFraction(ItemStatus::compressing(), 0.5)), 200);
  EXPECT_DOUBLE_EQ(progressBarWidth(400, progressFraction(ItemStatus::compressing(), 1.7)), 400);
}

}  // namespace
}  // namespace kivotra::ui
