#include <gtest/gtest.h>

#include <QSignalSpy>

#include "models/errors.h"
#include "state/app_state.h"
#include "state_fixture.h"
#include "transcoder/transcoder.h"

namespace kivotra {
namespace {

namespace fs = std::filesystem;

VideoItem itemWith(const fs::path& url, ItemStatus status) {
  VideoItem item(url);
  item.status = std::move(status);
  return item;
}

std::vector<std::string> fileNames(const AppState& state) {
  std::vector<std::string> names;
  for (const VideoItem& item : state.items()) names.push_back(item.url.filename().string());
  return names;
}

class AppStateTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(scope.valid()); }

  std::unique_ptr<AppState> makeState() { return std::make_unique<AppState>(scope.settings()); }

  // A file with the right name that no probe can read.
  fs::path junk(const std::string& name) { return scope.writeFile(name, "this is not a video"); }

  // Waits until every item has left `loading`.
  static bool probesSettled(const AppState& state) {
    return test::waitUntil([&] {
      return std::none_of(state.items().begin(), state.items().end(),
                          [](const VideoItem& item) { return item.status.is(ItemStatus::Kind::loading); });
    });
  }

  test::Scope scope;
};

TEST_F(AppStateTest, IntakeTakesOnlyMp4MovAndM4vInAnyCase) {
  auto state = makeState();
  state->add(std::vector<fs::path>{junk("Clip.MOV"), junk("clip.mkv"), junk("clip"), junk("b.mp4"), junk("c.M4V")});
  EXPECT_EQ(fileNames(*state), (std::vector<std::string>{"Clip.MOV", "b.mp4", "c.M4V"}));
  for (const VideoItem& item : state->items()) EXPECT_TRUE(item.status.is(ItemStatus::Kind::loading));
  EXPECT_TRUE(probesSettled(*state));
}

TEST_F(AppStateTest, IntakeLimitOfFiveCountsFinishedAndFailedItems) {
  auto state = makeState();
  state->setItems({itemWith("/v/1.mp4", ItemStatus::done()), itemWith("/v/2.mp4", ItemStatus::failed("x")),
                   itemWith("/v/3.mp4", ItemStatus::ready()), itemWith("/v/4.mp4", ItemStatus::compressing())});
  state->add(std::vector<fs::path>{junk("a.txt"), junk("b.mp4"), junk("c.mov")});
  EXPECT_EQ(fileNames(*state), (std::vector<std::string>{"1.mp4", "2.mp4", "3.mp4", "4.mp4", "b.mp4"}));

  state->add(std::vector<fs::path>{junk("d.mp4")});
  EXPECT_EQ(state->itemCount(), 5);
  EXPECT_TRUE(probesSettled(*state));
}

TEST_F(AppStateTest, IntakeSkipsDuplicatesByPathText) {
  auto state = makeState();
  const fs::path file = junk("x.mp4");
  state->add(std::vector<fs::path>{file, file});
  state->add(std::vector<fs::path>{file});
  EXPECT_EQ(state->itemCount(), 1);
  // Another spelling of the same file is another file.
  state->add(std::vector<fs::path>{file.parent_path() / "." / "x.mp4"});
  EXPECT_EQ(state->itemCount(), 2);
  EXPECT_TRUE(probesSettled(*state));
}

TEST_F(AppStateTest, IntakeTakesLocalFileUrlsOnly) {
  auto state = makeState();
  const fs::path file = junk("y.mp4");
  state->add(QList<QUrl>{QUrl(QStringLiteral("https://example.org/z.mp4")),
                         QUrl::fromLocalFile(QString::fromStdString(file.string()))});
  ASSERT_EQ(state->itemCount(), 1);
  EXPECT_EQ(state->items()[0].url, file);
  EXPECT_TRUE(probesSettled(*state));
}

TEST_F(AppStateTest, FailedProbeMarksTheItemWithTheErrorsDescription) {
  auto state = makeState();
  const fs::path broken = junk("broken.mp4");
  const fs::path missing = scope.path("missing.mov");
  auto descriptionOf = [](const fs::path& file) {
    try {
      Transcoder::probeSync(file);
    } catch (const Error& e) {
      return e.description();
    }
    return std::string("(probe succeeded)");
  };

  state->add(std::vector<fs::path>{broken, missing});
  ASSERT_TRUE(probesSettled(*state));
  ASSERT_EQ(state->itemCount(), 2);
  EXPECT_EQ(state->items()[0].status, ItemStatus::failed("读取失败：" + descriptionOf(broken)));
  EXPECT_EQ(state->items()[1].status, ItemStatus::failed("读取失败：" + descriptionOf(missing)));
}

TEST_F(AppStateTest, ProbeFinishingAfterItsItemWasRemovedChangesNothing) {
  auto state = makeState();
  const fs::path gone = junk("gone.mp4");
  const fs::path kept = junk("kept.mp4");
  QSignalSpy finished(state.get(), &AppState::probeFinished);
  state->add(std::vector<fs::path>{gone, kept});
  const Uuid goneId = state->items()[0].id;
  // The probe's result can only arrive through the event loop, which has not
  // turned yet: it must find its item gone.
  state->remove(goneId);
  ASSERT_TRUE(test::waitUntil([&] { return finished.count() == 2; }));
  ASSERT_EQ(state->itemCount(), 1);
  EXPECT_EQ(state->items()[0].url, kept);
  EXPECT_TRUE(state->items()[0].status.is(ItemStatus::Kind::failed));
}

TEST_F(AppStateTest, RemovingTheEditedItemClearsEditingID) {
  auto state = makeState();
  VideoItem a = itemWith("/v/a.mp4", ItemStatus::ready());
  VideoItem b = itemWith("/v/b.mp4", ItemStatus::ready());
  state->setItems({a, b});
  state->setEditingID(a.id);
  QSignalSpy editing(state.get(), &AppState::editingIDChanged);

  state->remove(b.id);
  EXPECT_EQ(state->editingID(), a.id);
  EXPECT_EQ(editing.count(), 0);

  state->remove(a.id);
  EXPECT_FALSE(state->editingID());
  EXPECT_EQ(editing.count(), 1);
  EXPECT_TRUE(state->editingIDText().isEmpty());
  EXPECT_EQ(state->itemCount(), 0);
}

TEST_F(AppStateTest, CustomParametersAreSetAndClearedByID) {
  auto state = makeState();
  VideoItem a = itemWith("/v/a.mp4", ItemStatus::ready());
  state->setItems({a});
  const ItemSettings custom{1440, 30, 8000, FitMode::keep, false};
  state->setCustom(a.id, custom);
  EXPECT_EQ(state->find(a.id)->customSettings, custom);
  state->setCustom(Uuid::random(), ItemSettings{});
  EXPECT_EQ(state->find(a.id)->customSettings, custom);

  // The QML entry takes the window's settings object.
  CompressionSettings panel;
  panel.setShortSide(720);
  state->setCustomFrom(QString::fromStdString(a.id.toString()), &panel);
  EXPECT_EQ(state->find(a.id)->customSettings, panel.snapshot());

  state->clearCustom(a.id);
  EXPECT_FALSE(state->find(a.id)->customSettings);
}

TEST_F(AppStateTest, StartingWithNothingReadyChangesNothing) {
  auto state = makeState();
  state->setItems({itemWith("/v/a.mp4", ItemStatus::done()), itemWith("/v/b.mp4", ItemStatus::failed("x")),
                   itemWith("/v/c.mp4", ItemStatus::loading())});
  QSignalSpy running(state.get(), &AppState::isRunningChanged);
  QSignalSpy items(state.get(), &AppState::itemsChanged);
  state->startCompressing(ItemSettings{});
  QCoreApplication::processEvents();
  EXPECT_FALSE(state->isRunning());
  EXPECT_EQ(running.count(), 0);
  EXPECT_EQ(items.count(), 0);
}

TEST_F(AppStateTest, StopRequestsWhileIdleChangeNothing) {
  auto state = makeState();
  VideoItem a = itemWith("/v/a.mp4", ItemStatus::compressing());
  state->setItems({a});
  state->cancelItem(a.id);
  state->stopQueue();
  EXPECT_TRUE(state->itemCancels().empty());
  EXPECT_FALSE(state->cancelRequested());
}

TEST_F(AppStateTest, WithoutAChosenFolderOutputsGoNextToTheirSource) {
  auto state = makeState();
  const fs::path source = scope.makeFolder("elsewhere") / "clip.mov";
  EXPECT_EQ(state->beginOutputDir(source), source.parent_path());
}

TEST_F(AppStateTest, ChosenFolderPersistsAcrossInstances) {
  const fs::path folder = scope.makeFolder("出片");
  const fs::path source = scope.makeFolder("src") / "clip.mov";
  {
    auto first = makeState();
    QSignalSpy name(first.get(), &AppState::outputFolderNameChanged);
    ASSERT_TRUE(first->chooseOutputFolder(QString::fromStdString(folder.string()) + "/"));
    EXPECT_EQ(first->outputFolderName(), QStringLiteral("出片"));
    EXPECT_EQ(first->outputFolderBookmark(), QByteArray::fromStdString(folder.string()));
    EXPECT_EQ(name.count(), 1);
    EXPECT_EQ(first->beginOutputDir(source), folder);
  }
  auto second = makeState();
  EXPECT_EQ(second->outputFolderName(), QStringLiteral("出片"));
  EXPECT_EQ(second->outputFolderBookmark(), QByteArray::fromStdString(folder.string()));
  EXPECT_EQ(second->beginOutputDir(source), folder);
}

TEST_F(AppStateTest, AFolderThatIsGoneKeepsItsBytesShowsNoNameAndOutputsFallBack) {
  const fs::path folder = scope.makeFolder("usb");
  const fs::path source = scope.makeFolder("src") / "clip.mov";
  makeState()->chooseOutputFolder(QString::fromStdString(folder.string()));
  fs::remove(folder);

  auto state = makeState();
  EXPECT_EQ(state->outputFolderBookmark(), QByteArray::fromStdString(folder.string()));
  EXPECT_FALSE(state->outputFolderName());
  EXPECT_EQ(state->beginOutputDir(source), source.parent_path());
  EXPECT_EQ(scope.settings()->value(AppState::bookmarkKey).toByteArray(), QByteArray::fromStdString(folder.string()));

  // Resolved anew for every file: the folder coming back is used again.
  fs::create_directory(folder);
  EXPECT_EQ(state->beginOutputDir(source), folder);
}

TEST_F(AppStateTest, ClearingTheFolderIsRememberedToo) {
  const fs::path folder = scope.makeFolder("out");
  {
    auto state = makeState();
    state->chooseOutputFolderUrl(QUrl::fromLocalFile(QString::fromStdString(folder.string())));
    ASSERT_TRUE(state->hasOutputFolder());
    state->clearOutputFolder();
    EXPECT_FALSE(state->outputFolderBookmark());
    EXPECT_FALSE(state->outputFolderName());
  }
  auto state = makeState();
  EXPECT_FALSE(state->outputFolderBookmark());
  EXPECT_FALSE(state->outputFolderName());
  EXPECT_FALSE(scope.settings()->contains(AppState::bookmarkKey));
}

TEST_F(AppStateTest, ChoosingSomethingThatIsNoFolderKeepsThePreviousOne) {
  const fs::path folder = scope.makeFolder("out");
  const fs::path file = scope.writeFile("note.txt", "x");
  auto state = makeState();
  ASSERT_TRUE(state->chooseOutputFolder(QString::fromStdString(folder.string())));
  EXPECT_FALSE(state->chooseOutputFolder(QString::fromStdString(file.string())));
  EXPECT_FALSE(state->chooseOutputFolder(QString()));
  EXPECT_FALSE(state->chooseOutputFolderUrl(QUrl(QStringLiteral("https://example.org/"))));
  EXPECT_EQ(state->outputFolderName(), QStringLiteral("out"));
  EXPECT_EQ(scope.settings()->value(AppState::bookmarkKey).toByteArray(), QByteArray::fromStdString(folder.string()));
}

}  // namespace
}  // namespace kivotra
