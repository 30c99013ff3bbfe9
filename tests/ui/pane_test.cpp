#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QSignalSpy>

#include "ui/card_list_model.h"
#include "ui/palette.h"

#include "ui_fixture.h"

namespace kivotra {
namespace {

using test::idOf;
using test::probedItem;

// An AppState over a private settings file, the window's CompressionSettings and the right
// pane's two view-models over them.
class PaneTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(scope.valid()); }
  const VideoItem& item(int row) const { return state.items()[static_cast<std::size_t>(row)]; }

  test::Scope scope;
  AppState state{scope.settings()};
  CompressionSettings settings;
  ui::ParameterPanel panel{state, settings};
  ui::SummaryModel summary{state, settings, panel};
};

// (The header, 跟随全局 and the fields' texts are read in the window.)
TEST_F(PaneTest, EditingWritesThroughToTheEditedFileOnlyAndClosingRestoresTheGlobalValues) {
  VideoItem a = probedItem("a.mp4", 1920, 1080);
  a.customSettings = ItemSettings{720, 0, 2000, FitMode::keep, true};
  state.setItems({a, probedItem("b.mp4", 1920, 1080), probedItem("small.mp4", 640, 360)});
  settings.setFps(30);
  const ItemSettings global = settings.snapshot();

  panel.beginEditing(item(2));
  panel.selectShortSide(1080);  // the tier it already has: nothing is assigned
  panel.endEditing();
  EXPECT_FALSE(item(2).customSettings);
  EXPECT_FALSE(settings.onChange());

  panel.toggleEditing(idOf(item(0)));
  EXPECT_EQ(settings.snapshot(), *a.customSettings);
  panel.toggleEditing(idOf(item(1)));  // another file: the global values, not a's
  EXPECT_EQ(settings.snapshot(), global);
  EXPECT_EQ(state.editingBackup(), global);
  panel.setBitrateFromSlider(7000.0);
  EXPECT_EQ(item(1).customSettings->bitrateKbps, 7000);
  panel.selectShortSide(720);  // the edited file changes size: recommended bitrate
  EXPECT_EQ(item(1).customSettings, (ItemSettings{720, 30, 3000, FitMode::keep, true}));
  panel.beginEditing(idOf(item(2)));
  panel.selectShortSide(720);  // the small one does not: its bitrate stays
  EXPECT_EQ(item(2).customSettings, (ItemSettings{720, 30, 5000, FitMode::keep, true}));
  QSignalSpy limitText(&panel, &ui::ParameterPanel::sizeLimitTextChanged);
  settings.setSizeLimitBytes(1048576 * 19 / 2);
  EXPECT_EQ(limitText.count(), 1);
  panel.toggleEditing(idOf(item(2)));  // a second click on the same card closes
  EXPECT_EQ(state.editingID(), std::nullopt);
  EXPECT_EQ(state.editingBackup(), std::nullopt);
  EXPECT_EQ(settings.snapshot(), global);
  EXPECT_EQ(item(0).customSettings, a.customSettings);
}

TEST_F(PaneTest, EditingEndedOutsideThePanelRestoresTheGlobalValuesToo) {
  state.setItems({probedItem("a.mp4", 1920, 1080), probedItem("b.mp4", 1920, 1080)});
  panel.beginEditing(item(1));
  settings.setBitrateKbps(2500);
  state.remove(Uuid(item(1).id));
  EXPECT_EQ(state.editingBackup(), std::nullopt);
  EXPECT_EQ(settings.snapshot(), ItemSettings{});
  EXPECT_FALSE(settings.onChange());  // the write-through is gone

  // A list that goes first (as at quit) leaves the write-through with nothing to write to.
  auto gone = std::make_unique<AppState>(scope.settings());
  gone->setItems({probedItem("c.mp4", 1920, 1080)});
  ui::ParameterPanel other(*gone, settings);
  other.beginEditing(gone->items().front());
  gone.reset();
  settings.setFps(60);
  EXPECT_EQ(settings.fps(), 60);
}

TEST_F(PaneTest, CardListKeepsTheItemModelContractThroughListAndParameterChanges) {
  ui::CardListModel cards(state, settings);
  QAbstractItemModelTester tester(&cards, QAbstractItemModelTester::FailureReportingMode::Fatal);
  VideoItem a = probedItem("a.mp4", 1920, 1080), b = probedItem("b.mp4", 1080, 1920);
  state.setItems({a, b});
  // A tag keeps its tone's own transparency.
  const QVariantMap tag = cards.data(cards.index(0, 0), ui::CardListModel::TagsRole).toList().value(0).toMap();
  EXPECT_EQ(tag.value("color").value<QColor>(), ui::Palette::colour(ui::Tone::secondaryLabel));
  panel.selectShortSide(720);
  state.setCustom(b.id, ItemSettings{1440, 30, 8000, FitMode::crop, false});
  state.remove(a.id);
  EXPECT_EQ(cards.rowCount(), 1);
  state.setItems({});
  EXPECT_EQ(cards.rowCount(), 0);
}

// While a file is edited, the others count at the parked global bitrate; only what changed is announced.
TEST_F(PaneTest, SummaryCountsOwnAndParkedBitratesAndAnnouncesOnlyWhatChanged) {
  state.setItems({probedItem("a.mov", 1920, 1080, 10), probedItem("b.mov", 1920, 1080, 10)});
  QSignalSpy tip(&summary, &ui::SummaryModel::tipChanged);
  QSignalSpy totals(&summary, &ui::SummaryModel::totalsChanged);
  QSignalSpy start(&summary, &ui::SummaryModel::startChanged);
  settings.setFps(30);  // no text shows the frame rate
  EXPECT_EQ(tip.count() + totals.count() + start.count(), 0);

  panel.beginEditing(item(0));
  settings.setBitrateKbps(2000);
  settings.setFit(FitMode::crop);
  const std::int64_t expected = item(0).estimatedBytes(2000) + item(1).estimatedBytes(5000);
  EXPECT_EQ(summary.estimatedTotal(), expected);
  EXPECT_EQ(tip.count(), 1);
  EXPECT_EQ(totals.count(), 1);
  panel.endEditing();
  EXPECT_EQ(summary.estimatedTotal(), expected);
  EXPECT_EQ(start.count(), 0);
}

}  // namespace
}  // namespace kivotra
