#include <gtest/gtest.h>

#include <QSignalSpy>

#include "support/media_fixtures.h"
#include "transcoder/transcoder.h"
#include "ui_fixture.h"

namespace kivotra {
namespace {

using test::probedItem;

class SummaryTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(pane.scope.valid()); }

  const VideoItem& item(int row) const { return pane.state.items()[static_cast<std::size_t>(row)]; }

  // A small generated movie in the test's folder.
  std::filesystem::path movie(const std::string& name, double seconds) const {
    const std::filesystem::path at = pane.scope.path(name);
    fixtures::MediaOptions options;
    options.width = 160;
    options.height = 90;
    options.seconds = seconds;
    fixtures::writeMedia(at, options);
    return at;
  }

  test::Pane pane;
  ui::SummaryModel& summary = pane.summary;
  CompressionSettings& settings = pane.settings;
  AppState& state = pane.state;
};

TEST_F(SummaryTest, EmptyListShowsZeroAndCannotStart) {
  EXPECT_EQ(summary.totalText(), QStringLiteral("≈ 0 KB"));
  EXPECT_EQ(summary.countLine(), QStringLiteral("共 0 个文件 · 视频 5000 kbps + 音频 128 kbps"));
  EXPECT_EQ(summary.savingText(), QString());
  EXPECT_FALSE(summary.canStart());
  EXPECT_FALSE(summary.startEnabled());
  EXPECT_EQ(summary.startOpacity(), 0.4);
  EXPECT_EQ(summary.startTitle(), QStringLiteral("开始压缩"));
  EXPECT_EQ(summary.tipText(),
            QStringLiteral("长边按画面比例自动计算：16:9 → 1920×1080，9:16 → 1080×1920，2.35:1 → 2538×1080"));
}

TEST_F(SummaryTest, OneMinuteFileOfAHundredMillionBytes) {
  state.setItems({probedItem("a.mov", 1920, 1080, 60, 100000000)});
  EXPECT_EQ(summary.estimatedTotal(), 38460000);
  EXPECT_EQ(summary.totalText(), QStringLiteral("≈ 36.7 MB"));
  EXPECT_EQ(summary.savingText(), QStringLiteral("↓ 61.5%"));
  EXPECT_TRUE(summary.savingIsPercent());
  EXPECT_EQ(summary.countLine(), QStringLiteral("共 1 个文件 · 视频 5000 kbps + 音频 128 kbps"));
  EXPECT_TRUE(summary.startEnabled());
  EXPECT_EQ(summary.startOpacity(), 1.0);
}

TEST_F(SummaryTest, LowBitrateSourceIsAlreadySmaller) {
  state.setItems({probedItem("a.mov", 1920, 1080, 60, 10000000)});
  settings.setBitrateKbps(20000);
  EXPECT_EQ(summary.savingText(), QStringLiteral("源已较小"));
  EXPECT_FALSE(summary.savingIsPercent());
}

TEST_F(SummaryTest, OwnParametersChangeTheDetailButEachFileKeepsItsBitrate) {
  state.setItems({probedItem("a.mov", 1920, 1080, 10), probedItem("b.mov", 1920, 1080, 10)});
  QSignalSpy detail(&summary, &ui::SummaryModel::detailChanged);
  pane.panel.beginEditing(item(0));
  settings.setBitrateKbps(2000);
  EXPECT_EQ(summary.detailText(), QStringLiteral("含单独设置的条目"));
  // a at its own 2000, b at the parked global 5000 (not the 2000 the panel now shows).
  const std::int64_t expected = item(0).estimatedBytes(2000) + item(1).estimatedBytes(5000);
  EXPECT_EQ(summary.estimatedTotal(), expected);
  pane.panel.endEditing();
  EXPECT_EQ(summary.estimatedTotal(), expected);
  EXPECT_EQ(summary.detailText(), QStringLiteral("含单独设置的条目"));
  EXPECT_EQ(detail.count(), 1);
}

TEST_F(SummaryTest, TipFollowsThePanelAlsoWhileEditing) {
  settings.setFit(FitMode::crop);
  settings.setShortSide(1440);
  EXPECT_EQ(summary.tipText(), QStringLiteral("统一为 16:9 横屏画布：输出 2560×1440，竖屏素材将居中裁切"));

  VideoItem a = probedItem("a.mov", 1920, 1080);
  a.customSettings = ItemSettings{720, 0, 3000, FitMode::pad, true};
  state.setItems({a});
  pane.panel.beginEditing(item(0));
  EXPECT_EQ(summary.tipText(), QStringLiteral("统一为 16:9 横屏画布：输出 1280×720，竖屏素材将两侧加黑边"));
}

TEST_F(SummaryTest, AnnouncesOnlyWhatChanged) {
  state.setItems({probedItem("a.mov", 1920, 1080, 60, 100000000)});
  QSignalSpy tip(&summary, &ui::SummaryModel::tipChanged);
  QSignalSpy totals(&summary, &ui::SummaryModel::totalsChanged);
  QSignalSpy detail(&summary, &ui::SummaryModel::detailChanged);
  QSignalSpy start(&summary, &ui::SummaryModel::startChanged);

  settings.setFps(30);  // no text shows the frame rate
  settings.setNoUpscale(false);
  EXPECT_EQ(tip.count() + totals.count() + detail.count() + start.count(), 0);

  settings.setBitrateKbps(6000);
  EXPECT_EQ(totals.count(), 1);
  EXPECT_EQ(detail.count(), 1);
  EXPECT_EQ(tip.count(), 0);
  EXPECT_EQ(start.count(), 0);

  settings.setShortSide(720);
  EXPECT_EQ(tip.count(), 1);
  EXPECT_EQ(totals.count(), 1);
}

TEST_F(SummaryTest, StartControlWaitsForTheFirstProbedFile) {
  QSignalSpy start(&summary, &ui::SummaryModel::startChanged);
  state.add(std::vector<std::filesystem::path>{movie("first.mov", 0.5)});
  ASSERT_EQ(state.itemCount(), 1);
  EXPECT_FALSE(summary.canStart());  // still loading
  EXPECT_EQ(summary.startOpacity(), 0.4);
  EXPECT_EQ(start.count(), 0);

  ASSERT_TRUE(test::waitUntil([&] { return item(0).status.is(ItemStatus::Kind::ready); }));
  EXPECT_TRUE(summary.canStart());
  EXPECT_TRUE(summary.startEnabled());
  EXPECT_EQ(start.count(), 1);
  EXPECT_EQ(summary.countLine(), QStringLiteral("共 1 个文件 · 视频 5000 kbps + 音频 128 kbps"));
}

TEST_F(SummaryTest, StartClosesTheEditorBeforeTheQueueTakesTheGlobalValues) {
  const std::filesystem::path clip = movie("clip.mov", 3);
  VideoItem a(clip);
  a.applyProbe(Transcoder::probeSync(clip));
  a.status = ItemStatus::ready();
  state.setItems({a, probedItem("b.mov", 1920, 1080)});

  pane.panel.beginEditing(item(0));
  settings.setBitrateKbps(800);
  QSignalSpy finished(&state, &AppState::runFinished);
  bool editorClosedAtStart = false;
  QObject::connect(&state, &AppState::isRunningChanged, &state, [&] {
    if (state.isRunning()) editorClosedAtStart = !state.editingID() && settings.snapshot() == ItemSettings{};
  });

  summary.pressStart();
  EXPECT_TRUE(editorClosedAtStart);
  EXPECT_TRUE(summary.isRunning());
  EXPECT_EQ(summary.startTitle(), QStringLiteral("取消压缩"));
  EXPECT_TRUE(summary.startEnabled());
  EXPECT_EQ(item(0).customSettings->bitrateKbps, 800);

  // The same control now stops the whole queue; the parameters stay as they are.
  summary.pressStart();
  EXPECT_TRUE(state.cancelRequested());
  ASSERT_TRUE(test::waitUntil([&] { return finished.count() == 1; }, 60000));
  EXPECT_FALSE(summary.isRunning());
  EXPECT_EQ(settings.snapshot(), ItemSettings{});
  EXPECT_EQ(item(0).customSettings->bitrateKbps, 800);
  EXPECT_EQ(summary.startTitle(), QStringLiteral("开始压缩"));
}

}  // namespace
}  // namespace kivotra
