#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QSignalSpy>

#include "models/errors.h"
#include "state/app_state.h"
#include "state/intake.h"
#include "state/item_list_model.h"
#include "state/language.h"
#include "state/output_folder.h"
#include "state/path_text.h"
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

class AppStateTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(scope.valid()); }
  std::unique_ptr<AppState> makeState() { return std::make_unique<AppState>(scope.settings()); }
  // A file with the right name that no probe can read.
  fs::path junk(const std::string& name) { return scope.writeFile(name, "this is not a video"); }
  test::Scope scope;
};

// Names that are not UTF-8 through Qt's text: dropped and handed on with their bytes, shown with U+FFFD.
TEST(PathText, BytesRoundTripEvenBesideARealSurrogatePair) {
  // U+10080's low UTF-16 half, DC80, is also what carries the stray byte 0x80; an encoded
  // surrogate (ED A0 80) is three stray bytes, 视 (E8 A7 86) a character.
  const QByteArray bytes("/x\xF0\x90\x82\x80\x80\xE8\xA7\x86\xED\xA0\x80\xC4\xE3");
  const QString text = textFromBytes(bytes);
  EXPECT_EQ(bytesFromText(text), bytes);
  EXPECT_EQ(shownText(text), QStringLiteral("/x\U00010080\uFFFD视\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD"));
  EXPECT_EQ(localPathOf(fileUrlOf(bytes.toStdString()))->native(), bytes.toStdString());
}

TEST_F(AppStateTest, ADroppedFileWhoseNameIsNotUtf8IsListedUnderItsOwnName) {
  const fs::path file = junk("\xC4\xE3\xBA\xC3.MP4");
  auto state = makeState();
  // As a file manager sends it: the raw bytes percent-encoded.
  const QByteArray encoded = QByteArray::fromStdString(file.native()).toPercentEncoding("/");
  state->add(QList<QUrl>{QUrl::fromEncoded("file://" + encoded)});
  ASSERT_EQ(state->itemCount(), 1);
  EXPECT_EQ(state->items()[0].url, file);
  test::quiesce(*state, true);
}

TEST(Intake, TakesMoviesByExtensionOnceEachUpToFive) {
  const std::vector<VideoItem> listed{itemWith("/v/1.mp4", ItemStatus::done()), itemWith("/v/2.mp4", ItemStatus::failed("x"))};
  const std::vector<fs::path> offered{"/v/1.mp4", "/d/Clip.MOV", "/d/clip.mkv", "/d/clip", "/d/b.mp4",
                                      "/d/b.mp4", "/d/./b.mp4", "/d/c.M4V", "/d/e.mp4"};
  // Finished and failed items count; another spelling of the same file is another file.
  EXPECT_EQ(acceptedPaths(listed, offered), (std::vector<fs::path>{"/d/Clip.MOV", "/d/b.mp4", "/d/./b.mp4"}));
  EXPECT_EQ(acceptedPaths({}, offered).size(), 5u);
}

TEST_F(AppStateTest, FailedProbeMarksTheItemAndALateResultForARemovedItemIsDropped) {
  auto state = makeState();
  const fs::path gone = junk("gone.mp4"), broken = junk("broken.mp4"), missing = scope.path("missing.mov");
  QSignalSpy finished(state.get(), &AppState::probeFinished);
  state->add(std::vector<fs::path>{gone, broken, missing});
  // The probe's result can only arrive through the event loop, which has not turned yet.
  const Uuid goneId = state->items()[0].id;  // a copy: the list's own goes with the item
  state->remove(goneId);
  if (!test::waitUntil([&] { return finished.count() == 3; })) test::hung("a probe", 30);
  ASSERT_EQ(state->itemCount(), 2);
  EXPECT_EQ(state->items()[0].status, ItemStatus::failed("读取失败：" + test::probeError(broken)));
  EXPECT_EQ(state->items()[1].status, ItemStatus::failed("读取失败：" + test::probeError(missing)));
}

TEST_F(AppStateTest, EditingEndsOnlyWhenTheEditedItemLeaves) {
  auto state = makeState();
  VideoItem a = itemWith("/v/a.mp4", ItemStatus::ready()), b = itemWith("/v/b.mp4", ItemStatus::ready());
  state->setItems({a, b});
  state->setEditingIDText(QString::fromStdString(a.id.toString()));
  QSignalSpy editing(state.get(), &AppState::editingIDChanged);
  state->remove(b.id);
  EXPECT_EQ(state->editingID(), a.id);
  EXPECT_EQ(editing.count(), 0);
  state->setItems({b});
  EXPECT_FALSE(state->editingID());
  state->setItems({a});
  state->setEditingID(a.id);
  state->remove(a.id);
  EXPECT_TRUE(state->editingIDText().isEmpty());
  EXPECT_EQ(editing.count(), 3);
}

TEST_F(AppStateTest, IdleQueueIgnoresStopsAndAStartWithNothingReady) {
  auto state = makeState();
  VideoItem c = itemWith("/v/c.mp4", ItemStatus::compressing());
  state->setItems({itemWith("/v/a.mp4", ItemStatus::done()), itemWith("/v/l.mp4", ItemStatus::loading()), c});
  QSignalSpy running(state.get(), &AppState::isRunningChanged);
  QSignalSpy items(state.get(), &AppState::itemsChanged);
  state->startCompressing(ItemSettings{});
  state->cancelItem(c.id);
  state->stopQueue();
  QCoreApplication::processEvents();
  EXPECT_EQ(running.count() + items.count(), 0);
  EXPECT_FALSE(state->cancelRequested());
}

TEST_F(AppStateTest, ChosenFolderPersistsAndOutputsFallBackWhileItIsGone) {
  const fs::path folder = scope.makeFolder("出片");
  const fs::path source = scope.makeFolder("src") / "clip.mov";
  const auto settings = scope.settings();
  {
    auto first = makeState();
    EXPECT_EQ(first->beginOutputDir(source), source.parent_path());
    QSignalSpy name(first.get(), &AppState::outputFolderNameChanged);
    ASSERT_TRUE(first->chooseOutputFolderUrl(QUrl::fromLocalFile(QString::fromStdString(folder.string()))));
    ASSERT_TRUE(first->chooseOutputFolder(QString::fromStdString(folder.string()) + "/"));
    // Whatever is no folder is refused and the choice stays.
    EXPECT_FALSE(first->chooseOutputFolder(QString::fromStdString(scope.writeFile("note.txt", "x").string())));
    EXPECT_FALSE(first->chooseOutputFolder(QString()));
    EXPECT_FALSE(first->chooseOutputFolderUrl(QUrl(QStringLiteral("https://example.org/"))));
    EXPECT_EQ(name.count(), 1);
    EXPECT_EQ(first->beginOutputDir(source), folder);
  }
  // A folder that is gone is kept, shows no name, and is resolved anew for every file.
  fs::remove(folder);
  OutputFolder second(settings.get());
  EXPECT_FALSE(second.name());
  EXPECT_EQ(second.folderFor(source), source.parent_path());
  fs::create_directory(folder);
  EXPECT_EQ(second.folderFor(source), folder);
  EXPECT_EQ(OutputFolder(settings.get()).name(), QStringLiteral("出片"));
  second.clear();
  EXPECT_FALSE(OutputFolder(settings.get()).bookmark());
}

TEST(ItemListModel, AnnouncesOnlyTheRolesAChangeTouched) {
  ItemListModel model;
  // Every change below is also checked against the item-model contract.
  QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
  VideoItem a("/v/a.mov"), b("/v/b.mov");
  model.append(a);
  model.append(b);
  model.append(VideoItem("/v/c.mov"));
  QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
  auto rolesOf = [&](int call) { return changed.at(call).at(2).value<QList<int>>(); };

  ASSERT_TRUE(model.update(b.id, [](VideoItem& it) {
    it.progress = 0.5;
    it.etaSeconds = 12;
  }));
  ASSERT_EQ(changed.count(), 1);
  EXPECT_EQ(changed.at(0).at(0).toModelIndex().row(), 1);
  EXPECT_EQ(rolesOf(0), (QList<int>{ItemListModel::ProgressRole, ItemListModel::EtaSecondsRole}));
  model.update(b.id, [](VideoItem& it) { it.status = ItemStatus::failed("坏了"); });
  ASSERT_EQ(changed.count(), 2);
  EXPECT_EQ(rolesOf(1), (QList<int>{ItemListModel::StatusRole, ItemListModel::StatusMessageRole}));
  EXPECT_FALSE(model.update(Uuid::random(), [](VideoItem& it) { it.progress = 1; }));

  // Fields by role name, for QML; an absent value is no value.
  model.update(a.id, [](VideoItem& it) { it.customSettings = ItemSettings{1440, 30, 8000, FitMode::crop, false}; });
  EXPECT_FALSE(model.get(0).value("etaSeconds").isValid());
  EXPECT_EQ(model.get(0).value("customSettings").toMap().value("fit").toString(), QStringLiteral("裁切 16:9"));
  EXPECT_TRUE(model.get(3).isEmpty());

  // The id read from the list itself: the removal must not read it from the row it frees.
  model.removeId(model.items()[0].id);
  ASSERT_EQ(model.count(), 2);
  EXPECT_EQ(model.items()[0].id, b.id);
  EXPECT_EQ(model.indexOf(a.id), -1);
}

// The desktop's language list decides the texts.
TEST(Language, FirstListedLanguageWithTextsWins) {
  struct Case {
    const char* desktop;  // the variables that give this list
    QStringList uiLanguages;
    UiLanguage expected;
  };
  const Case cases[] = {
      {"LANG=en_US.UTF-8", {"en-US", "en-Latn-US", "en"}, UiLanguage::english},
      {"LANG=zh_CN.UTF-8", {"zh-CN", "zh-Hans-CN", "zh"}, UiLanguage::chinese},
      {"LANG=zh_TW.UTF-8", {"zh-TW", "zh-Hant-TW"}, UiLanguage::chinese},
      {"LANG=de_DE.UTF-8", {"de-DE", "de-Latn-DE", "de"}, UiLanguage::chinese},
      {"LANGUAGE=fr:en", {"fr", "fr-Latn-FR", "fr-FR", "en", "en-Latn-US", "en-US"}, UiLanguage::english},
      {"LANGUAGE=de:zh_CN LANG=en_US.UTF-8", {"de", "de-Latn-DE", "de-DE", "zh-CN", "zh-Hans-CN", "zh"},
       UiLanguage::chinese},
      {"nothing usable", {}, UiLanguage::chinese},
  };
  for (const Case& c : cases) EXPECT_EQ(chooseUiLanguage(c.uiLanguages), c.expected) << c.desktop;
}

}  // namespace
}  // namespace kivotra
