#include <gtest/gtest.h>

#include <QSignalSpy>
#include <map>
#include <set>

#include "models/errors.h"
#include "state/app_state.h"
#include "state_fixture.h"
#include "support/media_fixtures.h"
#include "support/scratch_dir.h"
#include "transcoder/transcoder.h"

namespace kivotra {
namespace {

namespace fs = std::filesystem;

// What the main thread saw of a run, in the order it saw it.
struct RunLog {
  explicit RunLog(AppState& state) : state(state) {
    QObject::connect(state.itemsModel(), &QAbstractItemModel::dataChanged, state.itemsModel(),
                     [this](const QModelIndex& from, const QModelIndex&, const QList<int>& roles) {
                       const VideoItem& item = this->state.items()[static_cast<size_t>(from.row())];
                       if (roles.contains(ItemListModel::StatusRole)) {
                         events.push_back(item.url.filename().string() + ":" +
                                          ItemListModel::statusKey(item.status).toStdString());
                         if (onStatus) onStatus(item);
                       }
                       if (roles.contains(ItemListModel::ProgressRole) && item.status.is(ItemStatus::Kind::compressing))
                         progress[item.url.filename().string()].push_back(item.progress);
                     });
    QObject::connect(&state, &AppState::currentFileNameChanged, &state,
                     [this] { fileNames.push_back(this->state.currentFileNameText().toStdString()); });
    QObject::connect(&state, &AppState::runFinished, &state, [this] {
      events.push_back("end");
      ++finished;
    });
  }

  bool waitForEnd(int runs = 1) {
    return test::waitUntil([&] { return finished >= runs; }, 120000);
  }

  std::vector<std::string> eventsOf(const std::string& fileName) const {
    std::vector<std::string> mine;
    for (const std::string& e : events) {
      if (e.rfind(fileName + ":", 0) == 0) mine.push_back(e.substr(fileName.size() + 1));
    }
    return mine;
  }

  AppState& state;
  std::function<void(const VideoItem&)> onStatus;
  std::vector<std::string> events;
  std::map<std::string, std::vector<double>> progress;
  std::vector<std::string> fileNames;
  int finished = 0;
};

class QueueTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(scope.valid());
    state = std::make_unique<AppState>(scope.settings());
    log = std::make_unique<RunLog>(*state);
  }

  fs::path video(const std::string& name, int width, int height, double seconds) {
    fixtures::MediaOptions options;
    options.width = width;
    options.height = height;
    options.seconds = seconds;
    const fs::path at = scope.path(name);
    fixtures::writeMedia(at, options);
    return at;
  }

  // Through the real intake: added, probed in the background, ready.
  void addAll(const std::vector<fs::path>& files) {
    state->add(files);
    ASSERT_EQ(state->itemCount(), static_cast<int>(files.size()));
    ASSERT_TRUE(test::waitUntil([&] {
      return std::all_of(state->items().begin(), state->items().end(),
                         [](const VideoItem& item) { return !item.status.is(ItemStatus::Kind::loading); });
    }));
    for (const VideoItem& item : state->items()) ASSERT_EQ(item.status, ItemStatus::ready()) << item.url;
    log->events.clear();  // only the run's own updates are of interest
  }

  std::set<std::string> outputsIn(const fs::path& dir) const {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir)) {
      if (entry.path().extension() == ".mp4") names.insert(entry.path().filename().string());
    }
    return names;
  }

  const VideoItem& item(int i) const { return state->items()[static_cast<size_t>(i)]; }

  static ItemSettings global720() { return ItemSettings{720, 0, 2000, FitMode::keep, false}; }

  test::Scope scope;
  std::unique_ptr<AppState> state;
  std::unique_ptr<RunLog> log;
};

TEST_F(QueueTest, StoppedSecondFileReturnsToReadyAndTheRunGoesOn) {
  addAll({video("q1.mov", 160, 120, 1), video("q2.mov", 320, 240, 2), video("q3.mov", 160, 120, 1)});
  // Someone else's file under the second file's first-choice name.
  const fs::path theirs = scope.writeFile("q2_压缩_720P.mp4", "theirs");
  const Uuid second = item(1).id;
  log->onStatus = [&](const VideoItem& it) {
    if (it.id == second && it.status.is(ItemStatus::Kind::compressing)) state->cancelItem(second);
  };

  state->startCompressing(global720());
  EXPECT_TRUE(state->isRunning());
  ASSERT_TRUE(log->waitForEnd());

  EXPECT_EQ(item(0).status, ItemStatus::done());
  EXPECT_EQ(item(1).status, ItemStatus::ready());
  EXPECT_EQ(item(2).status, ItemStatus::done());
  EXPECT_EQ(state->completedCount(), 2);
  EXPECT_FALSE(state->isRunning());
  EXPECT_FALSE(state->currentFileName());

  // The stopped file left nothing behind and did not touch the other file.
  EXPECT_EQ(item(1).progress, 0);
  EXPECT_FALSE(item(1).etaSeconds);
  EXPECT_FALSE(item(1).outputURL);
  EXPECT_EQ(outputsIn(scope.root()), (std::set<std::string>{"q1_压缩_720P.mp4", "q2_压缩_720P.mp4", "q3_压缩_720P.mp4"}));
  EXPECT_EQ(fixtures::readFile(theirs), "theirs");

  for (int i : {0, 2}) {
    ASSERT_TRUE(item(i).outputURL);
    EXPECT_EQ(item(i).progress, 1);
    EXPECT_FALSE(item(i).etaSeconds);
    EXPECT_EQ(item(i).actualSize, static_cast<std::int64_t>(fs::file_size(*item(i).outputURL)));
  }

  // Updates reached the main thread in the order the run issued them.
  EXPECT_EQ(log->eventsOf("q1.mov"), (std::vector<std::string>{"compressing", "done"}));
  EXPECT_EQ(log->eventsOf("q2.mov"), (std::vector<std::string>{"compressing", "ready"}));
  EXPECT_EQ(log->eventsOf("q3.mov"), (std::vector<std::string>{"compressing", "done"}));
  EXPECT_EQ(log->events.back(), "end");
  EXPECT_EQ(log->fileNames, (std::vector<std::string>{"q1.mov", "q2.mov", "q3.mov", ""}));
  // Progress came through while the first file was being compressed.
  ASSERT_FALSE(log->progress["q1.mov"].empty());
  EXPECT_LT(log->progress["q1.mov"].front(), 1);

  // The stop was for that run only: the next run compresses the file, beside
  // the file that is not ours.
  log->onStatus = nullptr;
  state->startCompressing(global720());
  ASSERT_TRUE(log->waitForEnd(2));
  EXPECT_EQ(item(1).status, ItemStatus::done());
  EXPECT_EQ(item(1).outputURL, scope.path("q2_压缩_720P_2.mp4"));
  EXPECT_EQ(state->completedCount(), 1);
}

TEST_F(QueueTest, StoppingTheWholeQueueDuringTheFirstFileLeavesEveryFileReady) {
  addAll({video("w1.mov", 320, 240, 4), video("w2.mov", 160, 120, 0.5), video("w3.mov", 160, 120, 0.5)});
  log->onStatus = [&](const VideoItem& it) {
    if (it.status.is(ItemStatus::Kind::compressing)) state->stopQueue();
  };

  state->startCompressing(global720());
  ASSERT_TRUE(log->waitForEnd());

  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(item(i).status, ItemStatus::ready()) << i;
    EXPECT_EQ(item(i).progress, 0);
  }
  EXPECT_EQ(log->eventsOf("w1.mov"), (std::vector<std::string>{"compressing", "ready"}));
  EXPECT_TRUE(log->eventsOf("w2.mov").empty());
  EXPECT_TRUE(log->eventsOf("w3.mov").empty());
  EXPECT_FALSE(state->isRunning());
  EXPECT_EQ(state->completedCount(), 0);
  EXPECT_TRUE(outputsIn(scope.root()).empty());
}

TEST_F(QueueTest, AFailingFileIsMarkedAndTheNextOneIsStillCompressed) {
  const fs::path broken = scope.writeFile("broken.mov", "not a video at all");
  const fs::path good = video("good.mov", 160, 120, 0.5);
  std::string expected;
  {
    // What the engine itself says about this file.
    VideoItem probe(broken);
    probe.srcWidth = 160;
    probe.srcHeight = 120;
    try {
      Transcoder::transcodeSync(broken, scope.path("probe-out.mp4"), Transcoder::Config::from(global720()),
                                probe.probeInfo(), [](double) {}, [] { return false; });
    } catch (const Error& e) {
      expected = e.description();
    }
    fs::remove(scope.path("probe-out.mp4"));
    ASSERT_FALSE(expected.empty());
  }
  // The intake would refuse the broken file, so it is listed directly, with
  // made-up facts, as the self tests list their files.
  VideoItem bad(broken);
  bad.status = ItemStatus::ready();
  bad.srcWidth = 160;
  bad.srcHeight = 120;
  bad.duration = 1;
  bad.srcFPS = 30;
  VideoItem fine(good);
  fine.applyProbe(Transcoder::probeSync(good));
  fine.status = ItemStatus::ready();
  state->setItems({bad, fine});

  state->startCompressing(global720());
  ASSERT_TRUE(log->waitForEnd());

  EXPECT_EQ(item(0).status, ItemStatus::failed(expected));
  EXPECT_EQ(item(0).progress, 0);
  EXPECT_FALSE(item(0).outputURL);
  EXPECT_EQ(item(1).status, ItemStatus::done());
  EXPECT_EQ(state->completedCount(), 1);
  EXPECT_EQ(outputsIn(scope.root()), (std::set<std::string>{"good_压缩_720P.mp4"}));
}

TEST_F(QueueTest, AFileTooBigForTheFreeSpaceFailsAtOnceAndTheNextOneRuns) {
  const fs::path good = video("roomy.mov", 160, 120, 0.5);
  VideoItem fine(good);
  fine.applyProbe(Transcoder::probeSync(good));
  fine.status = ItemStatus::ready();
  // The same source claiming a length whose estimate no disk can hold: it must
  // fail before a byte is written, not when the disk runs out.
  VideoItem huge = fine;
  huge.id = Uuid::random();
  huge.duration = 1e12;
  const std::int64_t free = static_cast<std::int64_t>(fs::space(scope.root()).available);
  ASSERT_GT(huge.estimatedBytes(global720().bitrateKbps), free);
  state->setItems({huge, fine});

  state->startCompressing(global720());
  ASSERT_TRUE(log->waitForEnd());

  ASSERT_TRUE(item(0).status.is(ItemStatus::Kind::failed));
  EXPECT_EQ(item(0).status.message().rfind("磁盘空间已满（需要约 ", 0), 0u) << item(0).status.message();
  EXPECT_EQ(log->eventsOf("roomy.mov"), (std::vector<std::string>{"compressing", "failed", "compressing", "done"}));
  EXPECT_EQ(item(1).status, ItemStatus::done());
  EXPECT_EQ(outputsIn(scope.root()), (std::set<std::string>{"roomy_压缩_720P.mp4"}));
}

TEST_F(QueueTest, AFileWithItsOwnParametersBesideAGlobalRun) {
  const fs::path out = scope.makeFolder("out");
  ASSERT_TRUE(state->chooseOutputFolder(QString::fromStdString(out.string())));
  addAll({video("同样素材A.mov", 320, 180, 0.25), video("同样素材B.mov", 320, 180, 0.25)});
  state->setCustom(item(0).id, ItemSettings{1440, 30, 8000, FitMode::keep, false});

  CompressionSettings panel;
  panel.setShortSide(720);
  panel.setBitrateKbps(2000);
  panel.setNoUpscale(false);
  state->startCompressing(&panel);
  ASSERT_TRUE(log->waitForEnd());

  ASSERT_TRUE(item(0).outputURL && item(1).outputURL);
  EXPECT_EQ(*item(0).outputURL, out / "同样素材A_压缩_2K.mp4");
  EXPECT_EQ(*item(1).outputURL, out / "同样素材B_压缩_720P.mp4");
  const auto first = fixtures::readFacts(*item(0).outputURL);
  const auto second = fixtures::readFacts(*item(1).outputURL);
  ASSERT_TRUE(first.video && second.video);
  EXPECT_EQ(first.video->width, 2560);
  EXPECT_EQ(first.video->height, 1440);
  EXPECT_EQ(second.video->width, 1280);
  EXPECT_EQ(second.video->height, 720);
}

TEST_F(QueueTest, AWaitingFileRemovedDuringARunIsSkipped) {
  addAll({video("r1.mov", 320, 240, 2), video("r2.mov", 160, 120, 0.5), video("r3.mov", 160, 120, 0.5)});
  const Uuid first = item(0).id;
  const Uuid third = item(2).id;
  const fs::path extra = video("extra.mov", 160, 120, 0.5);
  bool acted = false;
  log->onStatus = [&](const VideoItem& it) {
    if (acted || it.id != first || !it.status.is(ItemStatus::Kind::compressing)) return;
    acted = true;
    state->remove(first);  // being compressed: stays
    state->remove(third);  // waiting: leaves the list and the run
    state->add(std::vector<fs::path>{extra});  // nothing is added while running
  };

  state->startCompressing(global720());
  ASSERT_TRUE(log->waitForEnd());

  ASSERT_TRUE(acted);
  ASSERT_EQ(state->itemCount(), 2);
  EXPECT_EQ(item(0).id, first);
  EXPECT_EQ(item(0).status, ItemStatus::done());
  EXPECT_EQ(item(1).status, ItemStatus::done());
  EXPECT_EQ(state->completedCount(), 2);
  EXPECT_EQ(log->fileNames, (std::vector<std::string>{"r1.mov", "r2.mov", ""}));
  EXPECT_EQ(outputsIn(scope.root()), (std::set<std::string>{"r1_压缩_720P.mp4", "r2_压缩_720P.mp4"}));
}

TEST_F(QueueTest, CancelOnlyReachesTheFileBeingCompressed) {
  addAll({video("c1.mov", 160, 120, 0.5), video("c2.mov", 160, 120, 0.5)});
  const Uuid waiting = item(1).id;
  bool asked = false;
  log->onStatus = [&](const VideoItem& it) {
    if (asked || !it.status.is(ItemStatus::Kind::compressing)) return;
    asked = true;
    state->cancelItem(waiting);  // ready, not compressing: ignored
    state->cancelItem(Uuid::random());
  };
  state->startCompressing(global720());
  ASSERT_TRUE(log->waitForEnd());
  EXPECT_EQ(item(0).status, ItemStatus::done());
  EXPECT_EQ(item(1).status, ItemStatus::done());
}

TEST_F(QueueTest, ProbeFillsTheMeasuredFacts) {
  fixtures::MediaOptions options;
  options.width = 320;
  options.height = 240;
  options.seconds = 1;
  options.audioChannels = 2;
  options.audioSampleRate = 48000;
  const fs::path file = scope.path("facts.mov");
  fixtures::writeMedia(file, options);

  addAll({file});
  const VideoItem& it = item(0);
  EXPECT_EQ(it.srcWidth, 320);
  EXPECT_EQ(it.srcHeight, 240);
  EXPECT_NEAR(it.srcFPS, 30, 0.01);
  EXPECT_NEAR(it.duration, 1, 0.1);
  EXPECT_TRUE(it.hasAudio);
  EXPECT_EQ(it.audioSampleRate, 48000);
  EXPECT_EQ(it.audioChannels, 2);
  EXPECT_EQ(it.fileSize, static_cast<std::int64_t>(fs::file_size(file)));
  EXPECT_TRUE(it.thumbnail);
  EXPECT_TRUE(state->itemsModel()->get(0).value("hasThumbnail").toBool());
}

}  // namespace
}  // namespace kivotra
