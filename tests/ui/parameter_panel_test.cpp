#include <gtest/gtest.h>

#include <QSignalSpy>

#include "ui_fixture.h"

namespace kivotra {
namespace {

using test::idOf;
using test::probedItem;

ItemSettings params(int shortSide, int kbps) {
  ItemSettings s;
  s.shortSide = shortSide;
  s.bitrateKbps = kbps;
  return s;
}

class ParameterPanelTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(pane.scope.valid()); }

  const VideoItem& item(int row) const { return pane.state.items()[static_cast<std::size_t>(row)]; }
  ItemSettings panelValues() const { return pane.settings.snapshot(); }

  test::Pane pane;
  ui::ParameterPanel& panel = pane.panel;
  CompressionSettings& settings = pane.settings;
  AppState& state = pane.state;
};

TEST_F(ParameterPanelTest, TierSwitchWithNoFilesTakesTheRecommendedBitrate) {
  panel.selectShortSide(720);
  EXPECT_EQ(settings.shortSide(), 720);
  EXPECT_EQ(settings.bitrateKbps(), 3000);

  settings.setBitrateKbps(4100);
  QSignalSpy tier(&settings, &CompressionSettings::shortSideChanged);
  QSignalSpy bitrate(&settings, &CompressionSettings::bitrateKbpsChanged);
  panel.selectShortSide(720);  // the same tier again changes nothing
  EXPECT_EQ(tier.count(), 0);
  EXPECT_EQ(bitrate.count(), 0);
  EXPECT_EQ(settings.bitrateKbps(), 4100);

  panel.selectShortSide(2160);
  EXPECT_EQ(settings.bitrateKbps(), 20000);
  panel.selectShortSide(1440);
  EXPECT_EQ(settings.bitrateKbps(), 10000);
  panel.selectShortSide(1080);
  EXPECT_EQ(settings.bitrateKbps(), 5000);
}

TEST_F(ParameterPanelTest, TierSwitchKeepsTheBitrateWhenNoOutputChanges) {
  state.setItems({probedItem("small.mp4", 640, 360)});
  settings.setBitrateKbps(4321);
  panel.selectShortSide(720);
  EXPECT_EQ(settings.shortSide(), 720);
  EXPECT_EQ(settings.bitrateKbps(), 4321);

  // Without no-upscale the file is enlarged to the tier, so the size changes.
  panel.selectShortSide(1080);
  settings.setNoUpscale(false);
  panel.selectShortSide(720);
  EXPECT_EQ(settings.bitrateKbps(), 3000);
}

TEST_F(ParameterPanelTest, TierSwitchWithOnlyLoadingFilesFollowsTheRecommendation) {
  state.setItems({probedItem("a.mp4", 0, 0, 0, 0, ItemStatus::loading())});
  settings.setBitrateKbps(4321);
  panel.selectShortSide(720);
  EXPECT_EQ(settings.bitrateKbps(), 3000);
}

TEST_F(ParameterPanelTest, TierSwitchWhileEditingTestsTheEditedFileAndWritesBothValuesToIt) {
  state.setItems({probedItem("big.mp4", 1920, 1080), probedItem("small.mp4", 640, 360)});
  settings.setBitrateKbps(4321);

  panel.beginEditing(item(1));
  panel.selectShortSide(720);  // the small file stays 640×360: its bitrate is kept
  ASSERT_TRUE(item(1).customSettings);
  EXPECT_EQ(*item(1).customSettings, (ItemSettings{720, 0, 4321, FitMode::keep, true}));

  panel.beginEditing(item(0));
  panel.selectShortSide(720);  // the big one does change
  ASSERT_TRUE(item(0).customSettings);
  EXPECT_EQ(item(0).customSettings->shortSide, 720);
  EXPECT_EQ(item(0).customSettings->bitrateKbps, 3000);

  panel.endEditing();
  EXPECT_EQ(panelValues(), (ItemSettings{1080, 0, 4321, FitMode::keep, true}));
}

TEST_F(ParameterPanelTest, SwitchingFilesShowsTheGlobalValuesForAFileWithoutItsOwn) {
  VideoItem a = probedItem("a.mp4", 1920, 1080);
  a.customSettings = params(720, 2000);
  state.setItems({a, probedItem("b.mp4", 1920, 1080)});
  settings.setFps(30);
  const ItemSettings global = panelValues();

  panel.toggleEditing(idOf(item(0)));
  EXPECT_EQ(state.editingID(), item(0).id);
  EXPECT_EQ(panelValues(), params(720, 2000));
  EXPECT_EQ(state.editingBackup(), global);

  panel.toggleEditing(idOf(item(1)));
  EXPECT_EQ(state.editingID(), item(1).id);
  EXPECT_EQ(panelValues(), global);  // not A's values
  EXPECT_EQ(state.editingBackup(), global);
  EXPECT_FALSE(item(1).customSettings);

  panel.endEditing();  // "完成"
  EXPECT_EQ(state.editingID(), std::nullopt);
  EXPECT_EQ(state.editingBackup(), std::nullopt);
  EXPECT_EQ(panelValues(), global);
  EXPECT_EQ(item(0).customSettings, params(720, 2000));
  EXPECT_FALSE(item(1).customSettings);
}

TEST_F(ParameterPanelTest, ClosingTheEditorRestoresTheGlobalValuesAfterChanges) {
  state.setItems({probedItem("a.mp4", 1920, 1080)});
  const ItemSettings global = panelValues();
  panel.beginEditing(item(0));
  panel.selectShortSide(720);
  settings.setFit(FitMode::pad);
  panel.toggleEditing(idOf(item(0)));  // a second click on the same card closes it
  EXPECT_EQ(state.editingID(), std::nullopt);
  EXPECT_EQ(panelValues(), global);
  EXPECT_EQ(item(0).customSettings, (ItemSettings{720, 0, 3000, FitMode::pad, true}));
}

TEST_F(ParameterPanelTest, OpeningAndClosingWithoutAChangeLeavesNoOwnParameters) {
  state.setItems({probedItem("a.mp4", 1920, 1080)});
  panel.beginEditing(item(0));
  panel.selectShortSide(1080);  // the tier it already has: nothing is assigned
  panel.endEditing();
  EXPECT_FALSE(item(0).customSettings);
  EXPECT_FALSE(settings.onChange());
}

TEST_F(ParameterPanelTest, SliderWritesEveryStepThroughToTheEditedFileOnly) {
  state.setItems({probedItem("a.mp4", 1920, 1080), probedItem("b.mp4", 1920, 1080)});
  const ItemSettings global = panelValues();
  panel.beginEditing(item(0));
  for (double value : {5100.0, 5200.0, 5300.0, 7000.0}) {
    panel.setBitrateFromSlider(value);
    ASSERT_TRUE(item(0).customSettings);
    EXPECT_EQ(item(0).customSettings->bitrateKbps, static_cast<int>(value));
    EXPECT_EQ(state.editingBackup(), global);
  }
  EXPECT_FALSE(item(1).customSettings);
  panel.endEditing();
  EXPECT_EQ(panelValues(), global);
}

TEST_F(ParameterPanelTest, FollowGlobalClearsTheFilesOwnParametersAndCloses) {
  state.setItems({probedItem("a.mp4", 1920, 1080)});
  QSignalSpy header(&panel, &ui::ParameterPanel::headerChanged);
  panel.beginEditing(item(0));
  EXPECT_TRUE(panel.isEditing());
  EXPECT_FALSE(panel.canFollowGlobal());  // no own parameters yet
  EXPECT_EQ(header.count(), 1);

  settings.setFps(25);
  EXPECT_TRUE(panel.canFollowGlobal());
  EXPECT_EQ(header.count(), 2);

  panel.followGlobal();
  EXPECT_FALSE(item(0).customSettings);
  EXPECT_EQ(state.editingID(), std::nullopt);
  EXPECT_EQ(settings.fps(), 0);
  EXPECT_FALSE(panel.isEditing());
}

TEST_F(ParameterPanelTest, RemovingTheEditedFileRestoresTheGlobalValues) {
  state.setItems({probedItem("a.mp4", 1920, 1080), probedItem("b.mp4", 1920, 1080)});
  const ItemSettings global = panelValues();
  panel.beginEditing(item(0));
  settings.setBitrateKbps(2500);
  const Uuid removed = item(0).id;

  state.remove(removed);
  EXPECT_EQ(state.editingID(), std::nullopt);
  EXPECT_EQ(state.editingBackup(), std::nullopt);
  EXPECT_EQ(panelValues(), global);
  EXPECT_FALSE(panel.isEditing());
  // The write-through is gone: a later change is global and touches no file.
  settings.setBitrateKbps(6000);
  EXPECT_FALSE(item(0).customSettings);
}

TEST_F(ParameterPanelTest, EditingEndedFromOutsideTheSameWay) {
  state.setItems({probedItem("a.mp4", 1920, 1080)});
  panel.beginEditing(item(0));
  settings.setShortSide(720);
  state.setEditingIDText(QString());
  EXPECT_EQ(panelValues(), ItemSettings{});
  EXPECT_EQ(item(0).customSettings->shortSide, 720);
}

TEST_F(ParameterPanelTest, HeaderNamesTheEditedFileWhileItIsListed) {
  state.setItems({probedItem("holiday clip.mov", 1920, 1080)});
  EXPECT_FALSE(panel.isEditing());
  panel.beginEditing(idOf(item(0)));
  EXPECT_TRUE(panel.isEditing());
  EXPECT_EQ(panel.editingFileName(), QStringLiteral("holiday clip.mov"));

  QSignalSpy header(&panel, &ui::ParameterPanel::headerChanged);
  settings.setFps(60);  // becomes a file with its own parameters: one announcement
  settings.setFps(50);  // still one: nothing in the header changed
  EXPECT_EQ(header.count(), 1);

  // An id that names nothing listed shows the normal header.
  state.setEditingID(Uuid::random());
  EXPECT_FALSE(panel.isEditing());
  EXPECT_EQ(panel.editingFileName(), QString());
}

TEST_F(ParameterPanelTest, BitrateFieldTakesWholeNumbersAndShowsZeroEmpty) {
  QSignalSpy text(&panel, &ui::ParameterPanel::bitrateTextChanged);
  EXPECT_EQ(panel.bitrateText(), QStringLiteral("5000"));
  EXPECT_TRUE(panel.setBitrateText(QStringLiteral("45000")));
  EXPECT_EQ(settings.bitrateKbps(), 45000);
  EXPECT_EQ(panel.bitrateText(), QStringLiteral("45000"));
  EXPECT_TRUE(panel.setBitrateText(QString()));
  EXPECT_EQ(settings.bitrateKbps(), 0);
  EXPECT_EQ(panel.bitrateText(), QString());
  EXPECT_FALSE(panel.setBitrateText(QStringLiteral("3k")));
  EXPECT_EQ(settings.bitrateKbps(), 0);
  EXPECT_EQ(text.count(), 2);
}

TEST_F(ParameterPanelTest, OutputBlockNoteOnlyWithoutAChosenFolder) {
  const std::filesystem::path folder = pane.scope.makeFolder("Exports");
  QSignalSpy note(&panel, &ui::ParameterPanel::outputNoteChanged);
  EXPECT_EQ(panel.outputNote(), QStringLiteral("保存到视频所在文件夹"));
  EXPECT_TRUE(panel.chooseOutputFolder(QUrl::fromLocalFile(QString::fromStdString(folder.string()))));
  EXPECT_EQ(panel.outputNote(), QString());
  EXPECT_EQ(state.outputFolderNameText(), QStringLiteral("Exports"));
  EXPECT_FALSE(panel.chooseOutputFolder(QUrl::fromLocalFile(QStringLiteral("/no/such/folder"))));
  EXPECT_EQ(state.outputFolderNameText(), QStringLiteral("Exports"));
  panel.clearOutputFolder();
  EXPECT_EQ(panel.outputNote(), QStringLiteral("保存到视频所在文件夹"));
  EXPECT_EQ(note.count(), 2);
}

TEST_F(ParameterPanelTest, ChoicesInThePickersOrder) {
  QStringList tiers, fps, fits;
  for (const QVariant& c : ui::ParameterPanel::tierChoices()) tiers << c.toMap()["label"].toString();
  for (const QVariant& c : ui::ParameterPanel::fpsChoices()) fps << c.toMap()["label"].toString();
  for (const QVariant& c : ui::ParameterPanel::fitChoices()) fits << c.toMap()["value"].toString();
  EXPECT_EQ(tiers, (QStringList{"4K", "2K", "1080P", "720P"}));
  EXPECT_EQ(ui::ParameterPanel::tierChoices().first().toMap()["value"].toInt(), 2160);
  EXPECT_EQ(fps, (QStringList{"原始", "60", "50", "30", "25"}));
  EXPECT_EQ(ui::ParameterPanel::fpsChoices().first().toMap()["value"].toInt(), 0);
  EXPECT_EQ(fits, (QStringList{"保持原始", "裁切 16:9", "加黑边 16:9"}));
}

}  // namespace
}  // namespace kivotra
