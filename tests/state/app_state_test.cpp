#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <map>
#include <set>

#include "state/app_state.h"
#include "state/item_list_model.h"
#include "state/language.h"
#include "state/output_folder.h"
#include "state/path_text.h"
#include "state_fixture.h"
#include "support/media_fixtures.h"
#include "support/scratch_dir.h"
#include "transcoder/transcoder.h"

namespace kivotra {
namespace {

namespace fs = std::filesystem;

// 10 fps from 30: the files prepared while the previous one ends, too, leave out the pictures this rate drops.
const ItemSettings kGlobal{720, 10, 2000, FitMode::keep, false};

// What this process has open, by target.
std::multiset<std::string> openFiles() {
  std::multiset<std::string> targets;
  for (const auto& fd : fs::directory_iterator("/proc/self/fd")) {
    std::error_code ec;  // the directory's own descriptor is gone by now
    targets.insert(fs::read_symlink(fd.path(), ec).string());
  }
  return targets;
}

// A private state; for the runs of the real queue over small generated files, what the main thread saw, in order.
class AppStateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    state = std::make_unique<AppState>(scope.settings());
    QObject::connect(state->itemsModel(), &QAbstractItemModel::dataChanged, state.get(),
                     [this](const QModelIndex& from, const QModelIndex&, const QList<int>& roles) {
                       const VideoItem& it = state->items()[static_cast<size_t>(from.row())];
                       const std::string name = it.url.filename().string();
                       if (roles.contains(ItemListModel::ProgressRole) && it.status.is(ItemStatus::Kind::compressing))
                         progress[name].push_back(it.progress);
                       if (!roles.contains(ItemListModel::StatusRole)) return;
                       events[name].push_back(ItemListModel::statusKey(it.status).toStdString());
                       if (onStatus) onStatus(it);
                     });
    QObject::connect(state.get(), &AppState::currentFileNameChanged, state.get(),
                     [this] { fileNames.push_back(state->currentFileNameText().toStdString()); });
    QObject::connect(state.get(), &AppState::runFinished, state.get(), [this] { ++finished; });
  }
  void TearDown() override { test::quiesce(*state); }

  // Runs the queue at 720P and waits, bounded, for its end.
  void run() {
    const int before = finished;
    state->startCompressing(kGlobal);
    if (!test::waitUntil([&] { return finished > before; }, 120000)) test::hung("a queue run", 120);
  }


  // Through the real intake: added, probed in the background, ready.
  void addAll(const std::vector<fs::path>& files) {
    state->add(files);
    test::quiesce(*state, true);
    for (const VideoItem& it : state->items()) ASSERT_EQ(it.status, ItemStatus::ready()) << it.url;
    events.clear();
  }

  std::set<std::string> outputs() const {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(scope.path()))
      if (entry.path().extension() == ".mp4") names.insert(entry.path().filename().string());
    return names;
  }
  const VideoItem& item(int i) const { return state->items()[static_cast<size_t>(i)]; }
  using Events = std::vector<std::string>;

  test::Scope scope;
  std::unique_ptr<AppState> state;
  std::function<void(const VideoItem&)> onStatus;
  std::map<std::string, Events> events;
  std::map<std::string, std::vector<double>> progress;  // while compressing
  std::vector<std::string> fileNames;
  int finished = 0;
};
using QueueTest = AppStateTest;

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

// Dropped as a file manager sends them (the raw bytes percent-encoded), names that are not UTF-8 too.
TEST_F(AppStateTest, DroppedFilesKeepTheirNamesAFailedProbeMarksTheItemAndALateResultForARemovedItemIsDropped) {
  // Files with the right names that no probe can read.
  const fs::path gone = scope.writeFile("gone.mp4", "x"), broken = scope.writeFile("\xC4\xE3\xBA\xC3.MP4", "x");
  const fs::path missing = scope / "missing.mov";
  QSignalSpy finished(state.get(), &AppState::probeFinished);
  QList<QUrl> urls;
  for (const fs::path& file : {gone, broken, missing})
    urls << QUrl::fromEncoded("file://" + QByteArray::fromStdString(file.native()).toPercentEncoding("/"));
  state->add(urls);
  // The probe's result can only arrive through the event loop, which has not turned yet.
  const Uuid goneId = state->items()[0].id;  // a copy: the list's own goes with the item
  state->remove(goneId);
  if (!test::waitUntil([&] { return finished.count() == 3; })) test::hung("a probe", 30);
  ASSERT_EQ(state->itemCount(), 2);
  EXPECT_EQ(state->items()[0].url, broken);
  EXPECT_EQ(state->items()[0].status, ItemStatus::failed("读取失败：" + test::probeError(broken)));
  EXPECT_EQ(state->items()[1].status, ItemStatus::failed("读取失败：" + test::probeError(missing)));
}

// Editing ends when the edited item leaves (the panel's own tests: what it shows then), not when another one does.
TEST_F(AppStateTest, EditingEndsOnlyWithTheEditedItem) {
  const VideoItem a = test::probedItem("a.mp4", 1920, 1080), b = test::probedItem("b.mp4", 1920, 1080);
  state->setItems({a, b});
  state->setEditingIDText(QString::fromStdString(a.id.toString()));
  state->remove(b.id);
  EXPECT_EQ(state->editingID(), a.id);
  state->setItems({b});
  EXPECT_TRUE(state->editingIDText().isEmpty());
}

TEST_F(AppStateTest, ChosenFolderPersistsAndOutputsFallBackWhileItIsGone) {
  const fs::path folder = scope.makeFolder("出片");
  const fs::path source = scope.makeFolder("src") / "clip.mov";
  const auto settings = scope.settings();
  {
    auto first = std::make_unique<AppState>(scope.settings());
    ASSERT_TRUE(first->chooseOutputFolderUrl(QUrl::fromLocalFile(QString::fromStdString(folder.string()))));
    ASSERT_TRUE(first->chooseOutputFolder(QString::fromStdString(folder.string()) + "/"));
    // Whatever is no folder is refused and the choice stays.
    EXPECT_FALSE(first->chooseOutputFolder(QString::fromStdString(scope.writeFile("note.txt", "x").string())));
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
}

TEST(ItemListModel, AnnouncesOnlyTheRolesAChangeTouched) {
  ItemListModel model;
  // Every change below is also checked against the item-model contract.
  QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
  VideoItem a("/v/a.mov"), b("/v/b.mov");
  for (const VideoItem& it : {a, b, VideoItem("/v/c.mov")}) model.append(it);
  QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
  auto rolesOf = [&](int call) { return changed.at(call).at(2).value<QList<int>>(); };

  ASSERT_TRUE(model.update(b.id, [](VideoItem& it) { it.progress = 0.5; }));
  ASSERT_EQ(changed.count(), 1);
  EXPECT_EQ(rolesOf(0), (QList<int>{ItemListModel::ProgressRole}));
  model.update(b.id, [](VideoItem& it) { it.status = ItemStatus::failed("坏了"); });
  EXPECT_EQ(rolesOf(1), (QList<int>{ItemListModel::StatusRole, ItemListModel::StatusMessageRole}));

  // The id read from the list itself: the removal must not read it from the row it frees.
  model.removeId(model.items()[0].id);
  ASSERT_EQ(model.count(), 2);
  EXPECT_EQ(model.items()[0].id, b.id);
}

// The desktop's language list (as Qt gives it) decides the texts: the first one with texts wins.
TEST(Language, FirstListedLanguageWithTextsWins) {
  const std::pair<QStringList, UiLanguage> cases[] = {
      {{"en-US", "en-Latn-US", "en"}, UiLanguage::english},
      {{"zh-CN", "zh-Hans-CN", "zh"}, UiLanguage::chinese},
      {{"de-DE", "de-Latn-DE", "de"}, UiLanguage::chinese},
      {{"fr", "fr-Latn-FR", "fr-FR", "en", "en-Latn-US", "en-US"}, UiLanguage::english},  // LANGUAGE=fr:en
      {{"de", "de-DE", "zh-CN", "zh-Hans-CN", "en-US"}, UiLanguage::chinese},
      {{}, UiLanguage::chinese},
  };
  for (const auto& [languages, expected] : cases) {
    EXPECT_EQ(chooseUiLanguage(languages), expected) << languages.join(' ').toStdString();
  }
}

// A stopped file returns to ready and the run goes on; then a run stopped as a whole
// during its first file leaves every file ready. Each file's source is opened while the
// one before it ends, and nothing is left open.
TEST_F(QueueTest, StoppedFileReturnsToReadyAndTheRunGoesOnAndAStoppedQueueLeavesEveryFileReady) {
  addAll({test::movie(scope / "q1.mov", 1, 2), test::movie(scope / "q2.mov", 0.5),
          test::movie(scope / "q3.mov", 2, 0, 320, 240), test::movie(scope / "q4.mov", 0.5),
          test::movie(scope / "q5.mov", 0.5)});
  const fs::path theirs = scope.writeFile("q3_压缩_720P.mp4", "theirs");
  const Uuid first = item(0).id, third = item(2).id, fourth = item(3).id;
  onStatus = [&](const VideoItem& it) {
    if (!it.status.is(ItemStatus::Kind::compressing)) return;
    if (it.id == third) state->cancelItem(third);
    if (it.id != first) return;
    state->cancelItem(third);  // waiting, not compressing: ignored
    state->cancelItem(Uuid::random());
    state->remove(first);   // being compressed: stays
    state->remove(fourth);  // waiting: leaves the list and the run
    state->add(std::vector<fs::path>{scope.writeFile("late.mov", "x")});  // nothing is added while running
  };
  const auto filesBefore = openFiles();
  run();
  EXPECT_TRUE(test::waitUntil([&] { return openFiles() == filesBefore; }, 5000)) << "a source left open";
  ASSERT_EQ(state->itemCount(), 4);
  EXPECT_EQ(item(2).status, ItemStatus::ready());
  // The stopped file left nothing behind and did not touch the other file.
  EXPECT_FALSE(item(2).outputURL);
  EXPECT_EQ(outputs(), (std::set<std::string>{"q1_压缩_720P.mp4", "q2_压缩_720P.mp4", "q3_压缩_720P.mp4",
                                              "q5_压缩_720P.mp4"}));
  EXPECT_EQ(fixtures::readFile(theirs), "theirs");
  for (int i : {0, 1, 3}) {
    EXPECT_EQ(item(i).status, ItemStatus::done());
    ASSERT_TRUE(item(i).outputURL);
    EXPECT_EQ(item(i).actualSize, static_cast<std::int64_t>(fs::file_size(*item(i).outputURL)));
    const auto video = fixtures::readFacts(*item(i).outputURL).video;
    ASSERT_TRUE(video);
    EXPECT_EQ(video->avgFrameRate.num, 10 * video->avgFrameRate.den) << i;
  }
  // Updates reached the main thread in the order the run issued them.
  const Events done{"compressing", "done"};
  EXPECT_EQ(events, (std::map<std::string, Events>{
                        {"q1.mov", done}, {"q2.mov", done}, {"q3.mov", {"compressing", "ready"}}, {"q5.mov", done}}));
  EXPECT_EQ(fileNames, (Events{"q1.mov", "q2.mov", "q3.mov", "q5.mov", ""}));
  ASSERT_FALSE(progress["q1.mov"].empty());
  EXPECT_LT(progress["q1.mov"].front(), 1);

  std::vector<VideoItem> again = state->items();
  for (VideoItem& it : again) it.status = ItemStatus::ready();
  state->setItems(again);
  events.clear();
  onStatus = [&](const VideoItem& it) {
    if (it.status.is(ItemStatus::Kind::compressing)) state->stopQueue();
  };
  run();
  EXPECT_TRUE(test::waitUntil([&] { return openFiles() == filesBefore; }, 5000)) << "a source left open";
  for (int i = 0; i < 4; ++i) EXPECT_EQ(item(i).status, ItemStatus::ready()) << i;
  EXPECT_EQ(events, (std::map<std::string, Events>{{"q1.mov", {"compressing", "ready"}}}));
  EXPECT_EQ(outputs().size(), 4u) << "the stopped file left nothing";
}

TEST_F(QueueTest, AFileTooBigForTheFreeSpaceFailsAtOnceAndTheNextOneRuns) {
  // A source claiming a length whose estimate no disk can hold must fail before a
  // byte is written, not when the disk runs out. Its need, the estimate and a twentieth
  // and 256 KiB for the container, just passes 1000000.05 GB: the margin shows in the message.
  VideoItem fine(test::movie(scope / "roomy.mov", 0.5));
  fine.applyProbe(test::bounded([&] { return Transcoder::probeSync(fine.url); }));
  fine.status = ItemStatus::ready();
  VideoItem huge = fine;
  huge.id = Uuid::random();
  huge.duration = 1000000.05 * 1073741824 / 1.05 / 250000;  // 2000 kbit/s: 250000 bytes a second
  ASSERT_GT(huge.estimatedBytes(2000), static_cast<std::int64_t>(fs::space(scope.path()).available));
  state->setItems({huge, fine});
  run();
  ASSERT_TRUE(item(0).status.is(ItemStatus::Kind::failed));
  EXPECT_EQ(item(0).status.message().rfind("磁盘空间已满（需要约 1000000.1 GB，可用 ", 0), 0u) << item(0).status.message();
  EXPECT_EQ(events["roomy.mov"], (Events{"compressing", "failed", "compressing", "done"}));
  EXPECT_EQ(state->completedCount(), 1);
  EXPECT_EQ(outputs(), (std::set<std::string>{"roomy_压缩_720P.mp4"}));
}

}  // namespace
}  // namespace kivotra
