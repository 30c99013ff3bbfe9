#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <sys/stat.h>

#include <cmath>
#include <fstream>

#include "ui/card_list_model.h"
#include "ui/card_rules.h"
#include "ui/intake_notice.h"
#include "state/state_fixture.h"
#include "ui/palette.h"
#include "ui/panel_rules.h"
#include "ui/parameter_panel.h"
#include "ui/summary.h"
#include "ui/summary_rules.h"
#include "ui/thumbnail_provider.h"

namespace kivotra::ui {

void PrintTo(const Saving& s, std::ostream* os) { *os << static_cast<int>(s.kind) << " \"" << s.text << "\""; }
void PrintTo(const SizeColumn& c, std::ostream* os) {
  *os << int(c.kind) << " \"" << c.value << "\" \"" << c.caption << "\" " << int(c.valueTone) << " \"" << c.note << '"';
}

namespace {

using test::idOf;
using test::probedItem;

VideoItem file(double seconds, std::int64_t bytes, ItemStatus status = ItemStatus::ready()) {
  return probedItem("clip.mov", 1920, 1080, seconds, bytes, std::move(status));
}
ItemSettings kbps(int bitrate) { return ItemSettings{.bitrateKbps = bitrate}; }

TEST(CardRules, ThumbnailWidthAndRatioToneFollowTheShape) {
  EXPECT_DOUBLE_EQ(thumbnailWidth(1920, 1080), 84);  // 92.4 capped
  EXPECT_DOUBLE_EQ(thumbnailWidth(1080, 1920), 29.25);
  EXPECT_DOUBLE_EQ(thumbnailWidth(1920, 0), 84);
  EXPECT_EQ(ratioTone(1920, 1080), Tone::secondaryLabel);
  EXPECT_EQ(ratioTone(1080, 1920), Tone::portrait);
  EXPECT_EQ(ratioTone(1920, 0), Tone::tertiaryLabel);
}

TEST(CardRules, TagsDimsAndTimeLeftWhileCompressing) {
  VideoItem item = test::probedItem("clip.mov", 1920, 1080, 90, 45000000, ItemStatus::compressing(), 29.97);
  item.customSettings = ItemSettings{.shortSide = 720};
  item.etaSeconds = 65;
  EXPECT_EQ(tags(item), (std::vector<Tag>{{"16:9 横屏", Tone::secondaryLabel}, {"30 FPS", Tone::secondaryLabel},
                                          {"单独设置", Tone::primary}, {"剩 01:05", Tone::primary}}));

  EXPECT_EQ(dimsText(test::probedItem("p.mp4", 1080, 1920), {.shortSide = 720, .noUpscale = false}), "720×1280");
  EXPECT_EQ(dimsText(test::probedItem("small.mp4", 640, 360), {}), "640×360");  // not enlarged
}

// What a card shows in its size column for every status, in both modes, and the
// note when the file would come out (or came out) bigger than its source.
TEST(CardRules, SizeColumnForEveryStatusAndMode) {
  using K = SizeColumn::Kind;
  constexpr std::int64_t MiB = 1048576;
  VideoItem compressing = file(60, 100 * MiB, ItemStatus::compressing());
  compressing.progress = 0.0734;
  VideoItem grown = file(60, 20 * MiB, ItemStatus::done());
  grown.actualSize = 21 * MiB;
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
      {file(60, 30 * MiB), bitrate5000, {K::estimate, "≈ 36.7 MB", "预估", Tone::primary, "大于源文件"}},
      {compressing, bitrate5000, {K::progress, "7.3%", "", Tone::primary}},
      {grown, bySize25, {K::result, "21.0 MB", "", Tone::primary, "大于源文件"}},
      {failed, bitrate5000, {K::failed, "失败", "读取失败：文件已损坏", Tone::danger}},
      // Size mode fills about 96 % of the limit; out of reach it names the smallest size.
      {file(60, 100 * MiB), bySize25, {K::estimate, "≈ 24.0 MB", "预估", Tone::primary}},
      {file(60, 100 * MiB), bySize1, {K::estimate, "≈ 1.7 MB", "超过上限", Tone::danger}},
      {file(0, 1000), bySize25, {K::estimate, "—", "时长未知", Tone::danger}},
  };
  for (const auto& row : rows) EXPECT_EQ(sizeColumn(row.item, row.settings), row.column);
}

// A cover is cut to the card's square; one whose pixels fall short of its size is not drawn
// (rather than read past their end).
TEST(CardRules, CoverIsCutToTheSquareUnlessItsPixelsFallShort) {
  RgbaBitmap cover{.width = 300, .height = 100, .pixels = std::vector<std::uint8_t>(300 * 100 * 4, 255)};
  EXPECT_EQ(coverImage(cover, QSize(100, 100), 8).size(), QSize(100, 100));
  cover.pixels.pop_back();
  EXPECT_TRUE(coverImage(cover, QSize(100, 100), 8).isNull());
}

TEST(CardRules, ControlsLockWhileTheQueueRuns) {
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
}

TEST(PanelRules, ATierSwitchChangesTheBitrateOnlyWhenATestedFileChangesSize) {
  const VideoItem small = probedItem("s.mp4", 640, 360), large = probedItem("l.mp4", 1920, 1080);
  EXPECT_TRUE(outputDimsWouldChange({}, FitMode::keep, true, 1080, 720));  // no file: a change
  EXPECT_FALSE(outputDimsWouldChange({&small}, FitMode::keep, true, 1080, 720));
  EXPECT_TRUE(outputDimsWouldChange({&small}, FitMode::keep, false, 1080, 720));
  EXPECT_FALSE(outputDimsWouldChange({&small}, FitMode::crop, true, 2160, 720));  // held at its own short side
  EXPECT_TRUE(outputDimsWouldChange({&small, &large}, FitMode::keep, true, 1080, 720));
  EXPECT_FALSE(outputDimsWouldChange({&small, &large}, FitMode::keep, true, 1080, 2160));

  // Tested: every file but those loading (the edited file alone is the panel's to pass).
  std::vector<VideoItem> items{probedItem("a", 0, 0, 0, 0, ItemStatus::loading()), small, large};
  EXPECT_EQ(tierTestFiles(items, std::nullopt), (std::vector<const VideoItem*>{&items[1], &items[2]}));
  EXPECT_TRUE(tierTestFiles({items[0]}, std::nullopt).empty());
}

TEST(PanelRules, FieldsTakeOnlyWhatTheEncoderHonours) {
  constexpr std::int64_t MiB = 1048576;
  const std::pair<const char*, std::optional<std::int64_t>> rows[] = {
      {" 8 ", 8 * MiB}, {"9.5", MiB * 19 / 2}, {"0", {}}, {"", {}}, {"-5", {}}, {"25MB", {}}, {"1e3", {}}};
  for (const auto& [text, bytes] : rows) EXPECT_EQ(parseSizeLimitField(text), bytes) << '"' << text << '"';

  const std::pair<const char*, std::optional<int>> bitrates[] = {
      {" \t ", 0},  {" 4500\t", 4500}, {"+800", 800}, {"1000000", 1000000}, {"-300", {}},
      {"0", {}},     {"1000001", {}},    {"12a", {}},   {"4.5", {}},         {"99999999999", {}}};
  for (const auto& [text, value] : bitrates) EXPECT_EQ(parseBitrateField(text), value) << '"' << text << '"';
}

TEST(SummaryRules, TotalsCountEachFileAtItsOwnBitrateAndTheSavingShowsAboveATenthOfAPercent) {
  std::vector<VideoItem> items{file(60, 100000000), file(10, 1), file(0, 5, ItemStatus::loading())};
  items[1].hasAudio = false;
  items[1].customSettings = kbps(2000);
  // 60 s at 5000 + 128 kbps, 10 s at 2000 kbps; the unprobed third adds its size and no estimate.
  EXPECT_EQ(estimatedTotal(items, std::nullopt, kbps(5000)), 38460000 + 2500000);
  // In size mode a file counts what its planned bitrate is expected to write.
  const ItemSettings bySize{.bySize = true, .sizeLimitBytes = 10 * 1048576};
  items[1].customSettings.reset();
  EXPECT_NEAR(estimatedTotal(items, std::nullopt, bySize), 2 * 0.96 * 10 * 1048576, 16000);
  EXPECT_EQ(totalOriginal(items), 100000006);

  const Saving smaller{Saving::Kind::sourceSmaller, "源已较小"};
  EXPECT_EQ(saving(38460000, 100000000), (Saving{Saving::Kind::percent, "↓ 61.5%"}));
  EXPECT_EQ(saving(998000, 1000000), (Saving{Saving::Kind::percent, "↓ 0.2%"}));
  EXPECT_EQ(saving(999500, 1000000), smaller);
  EXPECT_EQ(saving(2000, 1000), smaller);
  EXPECT_EQ(saving(1000, 0), Saving{});  // nothing probed that has a size
}

TEST(SummaryRules, DetailNamesTheBitratesOwnParametersAndProgress) {
  std::vector<VideoItem> items{file(10, 1, ItemStatus::done()), file(10, 1, ItemStatus::compressing()), file(10, 1)};
  const ItemSettings bySize{.bySize = true, .sizeLimitBytes = 8 * 1048576};
  EXPECT_EQ(countLine(0, detailText({}, kbps(5000), false, 0)), "共 0 个文件 · 视频 5000 kbps + 音频 128 kbps");
  EXPECT_EQ(detailText(items, kbps(5000), true, 1), "已完成 1/3  ·  视频 5000 kbps + 音频 128 kbps");
  EXPECT_EQ(detailText(items, bySize, true, 1, 130.4), "已完成 1/3  ·  全部剩 02:10  ·  每个不超过 8.0 MB");
  items.push_back(file(0, 0, ItemStatus::loading()));  // not among the files to do
  items[2].customSettings = kbps(9000);
  EXPECT_EQ(detailText(items, kbps(5000), true, 2), "已完成 2/3  ·  含单独设置的条目");
}

TEST(SummaryRules, StartNeedsAReadyFileUnlessRunning) {
  EXPECT_FALSE(canStart({}));
  EXPECT_FALSE(canStart({file(1, 1, ItemStatus::done()), file(1, 1, ItemStatus::failed("x")),
                         file(0, 0, ItemStatus::loading())}));
  EXPECT_TRUE(canStart({file(0, 0, ItemStatus::loading()), file(1, 1)}));
  EXPECT_TRUE(startEnabled(true, false));  // it then stops the queue
}

namespace fs = std::filesystem;

// What was handed over is listed or skipped, and the notice says why, grouped by reason. In a
// real folder: two movies and a text file beside a folder with two movies and a picture;
// "pipe.mov" is a named pipe, "gone.mp4" is named but not there.
TEST(Intake, SortsWhatWasHandedOverAndTheNoticeSaysWhyTheRestWasSkipped) {
  const test::Scope dir;
  const fs::path root = dir.path();
  fs::create_directory(root / "trip");
  for (const char* name : {"a.mp4", "b.MOV", "notes.txt", "trip/2.mov", "trip/1.mp4", "trip/cover.png"})
    std::ofstream(root / name) << "x";
  ASSERT_EQ(::mkfifo((root / "pipe.mov").c_str(), 0600), 0);
  const struct {
    std::vector<std::string> given;
    std::vector<std::string> listed;
    int room;
    std::vector<std::string> accepted;
    std::string notice;
  } cases[] = {
      // A folder brings its movies by name; its picture was not chosen, so it is not reported.
      {{"trip", "a.mp4"}, {}, 5, {"trip/1.mp4", "trip/2.mov", "a.mp4"}, ""},
      // Only the room left is taken, in the order given; the limit comes first, and past three
      // names, how many.
      {{"notes.txt", "trip", "a.mp4", "b.MOV", "gone.mp4"}, {}, 1, {"trip/1.mp4"},
       "未添加 5 个文件\n超出 5 个上限：2.mov、a.mp4、b.MOV 等 4 个\n格式不支持（仅 MP4 / MOV / M4V）：notes.txt"},
      // A pipe is never opened for reading (that would wait for a writer); a missing
      // file goes on to the list, which says why it failed.
      {{"pipe.mov", "gone.mp4"}, {}, 5, {"gone.mp4"}, "未添加 1 个文件\n无法读取：pipe.mov"},
      // Listed already, or twice in one hand-over: once.
      {{"a.mp4", "b.MOV", "b.MOV"}, {"a.mp4"}, 4, {"b.MOV"}, "未添加 2 个文件\n已在列表中：a.mp4、b.MOV"},
  };
  const auto paths = [&](const std::vector<std::string>& names) {
    std::vector<fs::path> out;
    for (const std::string& name : names) out.push_back(root / name);
    return out;
  };
  for (const auto& c : cases) {
    const ui::Intake intake = sortIntake(paths(c.given), paths(c.listed), c.room, {"mp4", "mov", "m4v"}, diskFacts());
    EXPECT_EQ(intake.accepted, paths(c.accepted)) << c.given.front() << " room " << c.room;
    EXPECT_EQ(skipNotice(intake.skipped, 5).toStdString(), c.notice) << c.given.front() << " room " << c.room;
  }
}

// WCAG contrast of a colour (with its alpha) laid over an opaque background.
double contrast(const QColor& ink, const QColor& background) {
  const auto over = [&](double a, double b) { return a * ink.alphaF() + b * (1 - ink.alphaF()); };
  const auto luminance = [](double r, double g, double b) {
    const auto lin = [](double c) { return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4); };
    return 0.2126 * lin(r) + 0.7152 * lin(g) + 0.0722 * lin(b);
  };
  const double l1 = luminance(over(ink.redF(), background.redF()), over(ink.greenF(), background.greenF()),
                              over(ink.blueF(), background.blueF()));
  const double l2 = luminance(background.redF(), background.greenF(), background.blueF());
  return (std::max(l1, l2) + 0.05) / (std::min(l1, l2) + 0.05);
}

// Both palettes keep the words readable where they are drawn: on the window, the
// cards and the field, and on the edited card's tint.
TEST(Palette, LabelsStayReadableOnEveryBackgroundInBothSchemes) {
  const struct {
    Tone ink;
    double minimum;
  } inks[] = {{Tone::label, 7}, {Tone::secondaryLabel, 3.5}, {Tone::primary, 2.5}, {Tone::danger, 2.5}};
  for (Scheme scheme : {Scheme::light, Scheme::dark}) {
    const QColor backgrounds[] = {Palette::windowBackground(scheme), Palette::colour(Tone::controlBackground, scheme),
                                  Palette::textBackground(scheme), Palette::colour(Tone::soft, scheme)};
    for (const auto& [ink, minimum] : inks)
      for (const QColor& background : backgrounds)
        EXPECT_GE(contrast(Palette::colour(ink, scheme), background), minimum)
            << "scheme " << int(scheme) << " tone " << int(ink) << " on " << background.name().toStdString();
  }
}

// An AppState over a private settings file, the window's CompressionSettings and the right
// pane's two view-models over them.
class PaneTest : public ::testing::Test {
 protected:
  const VideoItem& item(int row) const { return state.items()[static_cast<std::size_t>(row)]; }

  test::Scope scope;
  AppState state{scope.settings()};
  CompressionSettings settings;
  ParameterPanel panel{state, settings};
  SummaryModel summary{state, settings, panel};
};

// (The header, 跟随全局 and the fields' texts are read in the window.)
TEST_F(PaneTest, EditingWritesThroughToTheEditedFileOnlyAndHoweverItEndsTheGlobalValuesReturn) {
  VideoItem a = probedItem("a.mp4", 1920, 1080);
  a.customSettings = ItemSettings{720, 0, 2000, FitMode::keep, true};
  state.setItems({a, probedItem("b.mp4", 1920, 1080), probedItem("small.mp4", 640, 360)});
  settings.setFps(30);
  const ItemSettings global = settings.snapshot();

  panel.toggleEditing(idOf(item(0)));
  EXPECT_EQ(settings.snapshot(), *a.customSettings);
  panel.toggleEditing(idOf(item(1)));  // another file: the global values, not a's
  EXPECT_EQ(settings.snapshot(), global);
  panel.setBitrateFromSlider(7000.0);
  EXPECT_EQ(item(1).customSettings->bitrateKbps, 7000);
  panel.selectShortSide(720);  // the edited file changes size: recommended bitrate
  EXPECT_EQ(item(1).customSettings, (ItemSettings{720, 30, 3000, FitMode::keep, true}));
  panel.beginEditing(idOf(item(2)));
  panel.selectShortSide(720);  // the small one does not: its bitrate stays
  EXPECT_EQ(item(2).customSettings, (ItemSettings{720, 30, 5000, FitMode::keep, true}));
  QSignalSpy limitText(&panel, &ParameterPanel::sizeLimitTextChanged);
  settings.setSizeLimitBytes(1048576 * 19 / 2);
  EXPECT_EQ(limitText.count(), 1);
  panel.toggleEditing(idOf(item(2)));  // a second click on the same card closes
  EXPECT_EQ(state.editingID(), std::nullopt);
  EXPECT_EQ(settings.snapshot(), global);
  EXPECT_EQ(item(0).customSettings, a.customSettings);

  // Editing ended outside the panel (the edited file removed) restores the global values too.
  panel.beginEditing(item(1));
  settings.setBitrateKbps(2500);
  state.remove(Uuid(item(1).id));
  EXPECT_EQ(state.editingBackup(), std::nullopt);
  EXPECT_EQ(settings.snapshot(), global);
  EXPECT_FALSE(settings.onChange());  // the write-through is gone

  // A list that goes first (as at quit) leaves the write-through with nothing to write to.
  auto gone = std::make_unique<AppState>(scope.settings());
  gone->setItems({probedItem("c.mp4", 1920, 1080)});
  ParameterPanel other(*gone, settings);
  other.beginEditing(gone->items().front());
  gone.reset();
  settings.setFps(60);
  EXPECT_EQ(settings.fps(), 60);
}

TEST_F(PaneTest, CardListKeepsTheItemModelContractThroughListAndParameterChanges) {
  CardListModel cards(state, settings);
  QAbstractItemModelTester tester(&cards, QAbstractItemModelTester::FailureReportingMode::Fatal);
  VideoItem a = probedItem("a.mp4", 1920, 1080), b = probedItem("b.mp4", 1080, 1920);
  state.setItems({a, b});
  // A tag keeps its tone's own transparency.
  const QVariantMap tag = cards.data(cards.index(0, 0), CardListModel::TagsRole).toList().value(0).toMap();
  EXPECT_EQ(tag.value("color").value<QColor>(), Palette::colour(Tone::secondaryLabel));
  panel.selectShortSide(720);
  state.setCustom(b.id, ItemSettings{1440, 30, 8000, FitMode::crop, false});
  state.remove(a.id);
  state.setItems({});
}

// While a file is edited, the others count at the parked global bitrate.
TEST_F(PaneTest, SummaryCountsOwnAndParkedBitrates) {
  state.setItems({probedItem("a.mov", 1920, 1080, 10), probedItem("b.mov", 1920, 1080, 10)});
  QSignalSpy totals(&summary, &SummaryModel::totalsChanged);
  panel.beginEditing(item(0));
  settings.setBitrateKbps(2000);
  const std::int64_t expected = item(0).estimatedBytes(2000) + item(1).estimatedBytes(5000);
  EXPECT_EQ(summary.estimatedTotal(), expected);
  EXPECT_EQ(totals.count(), 1);
  panel.endEditing();
  EXPECT_EQ(summary.estimatedTotal(), expected);
}

}  // namespace
}  // namespace kivotra::ui
