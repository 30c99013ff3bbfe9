// Faults around a run: folders that cannot be written, a disk that fills up,
// sources and folders that vanish, stops at any moment.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QSettings>
#include <chrono>
#include <memory>
#include <random>
#include <thread>

#include "reliability_support.h"
#include "state/app_state.h"
#include "transcoder/transcoder.h"

namespace kivotra::reliability {
namespace {

int entriesOf(const char* procDir) {
  int n = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator(procDir)) ++n;
  return n;
}

fs::path movie(const fs::path& at, int w, int h, double seconds, bool audio) {
  fixtures::MediaOptions o;
  o.width = w;
  o.height = h;
  o.seconds = seconds;
  o.audioChannels = audio ? 2 : 0;
  fixtures::writeMedia(at, o);
  return at;
}

// A shell script in a private mount namespace (as root, or through a user
// namespace where the kernel allows it), so a test can mount its own small or
// read-only file system without touching the machine's. Variables in env are
// exported to the script, CLI among them.
struct Namespaced {
  static bool available() {
    static const bool ok = test::runTool("unshare", {"-rm", "true"}, fs::temp_directory_path(), 10000).exitCode == 0;
    return ok;
  }

  static Finished run(const QString& script, const std::map<QString, fs::path>& env, const fs::path& privateTmp) {
    QProcess process;
    QProcessEnvironment e = test::toolEnvironment(privateTmp);
    e.insert(QStringLiteral("CLI"), QStringLiteral(KIVOTRA_CLI_BIN));
    for (const auto& [name, path] : env) e.insert(name, q(path));
    process.setProcessEnvironment(e);
    process.start(QStringLiteral("unshare"), {"-rm", "sh", "-c", script});
    return test::finishTool(process, 120000);
  }
};

// What the script printed after "LEFT:" — the folder's names, '|'-separated.
std::string leftLine(const std::string& out) {
  const std::size_t at = out.find("LEFT:");
  if (at == std::string::npos) return "<no listing>";
  return out.substr(at + 5, out.find('\n', at) - at - 5);
}

TEST(Faults, ReadOnlyOutputFolderFailsEveryFileInChineseAndWritesNothing) {
  if (!Namespaced::available()) GTEST_SKIP() << "no mount namespace here";
  fixtures::ScratchDir tmp;
  const fs::path a = movie(tmp / "a.mov", 160, 120, 0.5, false);
  const fs::path b = movie(tmp / "b.mov", 160, 120, 0.5, true);
  const std::string sumA = fixtures::readFile(a), sumB = fixtures::readFile(b);
  fs::create_directories(tmp / "out");
  const Finished run = Namespaced::run(
      R"sh(mount -t tmpfs -o ro,size=1m tmpfs "$OUT" || exit 90
"$CLI" compress --output-dir "$OUT" "$A" "$B"; rc=$?
echo "LEFT:$(ls -A "$OUT" | tr '\n' '|')"
exit $rc)sh",
      {{"OUT", tmp / "out"}, {"A", a}, {"B", b}}, tmp.path());
  ASSERT_FALSE(run.hung);
  ASSERT_NE(run.exitCode, 90) << run.err;
  EXPECT_EQ(run.exitCode, 1) << run.err;
  EXPECT_NE(run.err.find("a.mov"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("b.mov"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("只读"), std::string::npos) << run.err;
  EXPECT_EQ(leftLine(run.out), "");
  EXPECT_TRUE(fixtures::readFile(a) == sumA && fixtures::readFile(b) == sumB) << "a source changed";
}

TEST(Faults, DiskFullMidWriteFailsThatFileByNameRemovesItAndTheNextStillCompresses) {
  if (!Namespaced::available()) GTEST_SKIP() << "no mount namespace here";
  fixtures::ScratchDir tmp;
  // Mostly sound: 128 kbit/s of AAC whatever the picture, about 380 KB in all.
  const fs::path big = movie(tmp / "big.mov", 160, 120, 24, true);
  const fs::path small = movie(tmp / "small.mov", 160, 120, 0.1, false);
  const std::string sumBig = fixtures::readFile(big);
  fs::create_directories(tmp / "out");
  // Once the first file has passed its free-space check and reserved its name,
  // another writer takes all but 300 KB: the first file then runs out of space
  // in the middle of its write. Deleting its partial output gives the 300 KB
  // back, enough for the small second file and its margin.
  const Finished run = Namespaced::run(
      R"sh(mount -t tmpfs -o size=24m tmpfs "$OUT" || exit 90
"$CLI" compress --bitrate 100 --output-dir "$OUT" "$BIG" "$SMALL" 2>"$ERR" &
pid=$!
while kill -0 $pid 2>/dev/null && [ -z "$(ls -A "$OUT")" ]; do sleep 0.01; done
set -- $(stat -f -c '%a %S' "$OUT")
fallocate -l $(( $1 * $2 - 300 * 1024 )) "$OUT/filler" || exit 91
wait $pid; rc=$?
echo "LEFT:$(ls -A "$OUT" | tr '\n' '|')"
exit $rc)sh",
      {{"OUT", tmp / "out"}, {"BIG", big}, {"SMALL", small}, {"ERR", tmp / "err.txt"}}, tmp.path());
  ASSERT_FALSE(run.hung);
  ASSERT_NE(run.exitCode, 90) << run.err;
  const std::string err = fixtures::readFile(tmp / "err.txt");
  EXPECT_EQ(run.exitCode, 1) << err;
  EXPECT_NE(err.find("磁盘空间已满"), std::string::npos) << err;
  ASSERT_NE(run.exitCode, 91) << "fallocate failed";
  EXPECT_EQ(leftLine(run.out), "filler|small_压缩_1080P.mp4|") << err;
  EXPECT_TRUE(fixtures::readFile(big) == sumBig) << "the source changed";
}

class QueueFaults : public ::testing::Test {
 protected:
  void SetUp() override {
    state = std::make_unique<AppState>(std::make_unique<QSettings>(q(tmp / "settings.ini"), QSettings::IniFormat));
    QObject::connect(state.get(), &AppState::runFinished, state.get(), [this] { ++runs; });
    QObject::connect(state->itemsModel(), &QAbstractItemModel::dataChanged, state.get(),
                     [this](const QModelIndex& from, const QModelIndex&, const QList<int>& roles) {
                       if (!roles.contains(ItemListModel::StatusRole) || !onStatus) return;
                       onStatus(state->items()[static_cast<size_t>(from.row())]);
                     });
  }

  VideoItem probed(const fs::path& source) {
    VideoItem item(source);
    item.applyProbe(test::bounded([&] { return Transcoder::probeSync(source); }));
    item.status = ItemStatus::ready();
    return item;
  }

  bool runAndWait(int timeoutMs = 60000) {
    const int before = runs;
    state->startCompressing(ItemSettings{720, 0, 1000, FitMode::keep, false});
    return waitUntil([&] { return runs > before; }, timeoutMs);
  }

  const VideoItem& item(int i) const { return state->items()[static_cast<size_t>(i)]; }

  // Every item that says done has its output; nothing else is in dir but the sources.
  void expectOutputsMatch(const fs::path& dir, const std::set<std::string>& sources) {
    std::set<std::string> expected = sources;
    for (const VideoItem& it : state->items()) {
      if (!it.status.is(ItemStatus::Kind::done)) continue;
      ASSERT_TRUE(it.outputURL);
      EXPECT_EQ(outputProblem(*it.outputURL), "") << *it.outputURL;
      if (it.outputURL->parent_path() == dir) expected.insert(it.outputURL->filename().string());
    }
    std::set<std::string> present = namesIn(dir);
    present.erase("settings.ini");
    EXPECT_EQ(present, expected);
  }

  fixtures::ScratchDir tmp;
  std::unique_ptr<AppState> state;
  std::function<void(const VideoItem&)> onStatus;
  int runs = 0;
};

TEST_F(QueueFaults, SourcesDeletedOrRenamedWhileWaitingFailInChinese) {
  const VideoItem first = probed(movie(tmp / "first.mov", 320, 240, 1, false));
  const VideoItem gone = probed(movie(tmp / "gone.mov", 160, 120, 0.5, true));
  const VideoItem moved = probed(movie(tmp / "moved.mov", 160, 120, 0.5, false));
  state->setItems({first, gone, moved});
  onStatus = [&](const VideoItem& it) {
    if (it.id != first.id || !it.status.is(ItemStatus::Kind::compressing)) return;
    fs::remove(gone.url);
    fs::rename(moved.url, tmp / "moved-away.mov");
  };
  ASSERT_TRUE(runAndWait());
  EXPECT_EQ(item(0).status, ItemStatus::done());
  for (int i : {1, 2}) {
    ASSERT_TRUE(item(i).status.is(ItemStatus::Kind::failed)) << i;
    EXPECT_NE(item(i).status.message().find("文件不存在"), std::string::npos) << item(i).status.message();
    EXPECT_FALSE(item(i).outputURL);
  }
  expectOutputsMatch(tmp.path(), {"first.mov", "moved-away.mov"});
}

// The folder goes while the first file's output name is reserved and its
// source has not yet delivered a byte: the source is a pipe that is fed only
// once the folder is gone, so the removal never races the writer.
TEST_F(QueueFaults, OutputFolderRemovedMidRunNeverReportsAMissingOutput) {
  const fs::path out = tmp / "out";
  fs::create_directories(out);
  ASSERT_TRUE(state->chooseOutputFolder(q(out)));
  fixtures::MediaOptions o;
  o.seconds = 0.5;
  o.indexFirst = true;  // readable from a pipe
  fixtures::writeMedia(tmp / "first.mov", o);
  const std::string bytes = fixtures::readFile(tmp / "first.mov");
  ASSERT_LT(bytes.size(), 60000u) << "must fit the pipe's buffer";
  ASSERT_EQ(::mkfifo((tmp / "pipe.mov").c_str(), 0600), 0);
  const int feed = ::open((tmp / "pipe.mov").c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
  ASSERT_GE(feed, 0);
  VideoItem first = probed(tmp / "first.mov");
  first.url = tmp / "pipe.mov";
  const VideoItem second = probed(movie(tmp / "second.mov", 160, 120, 0.5, false));
  state->setItems({first, second});
  const int before = runs;
  state->startCompressing(ItemSettings{720, 0, 1000, FitMode::keep, false});
  ASSERT_TRUE(waitUntil([&] { return !namesIn(out).empty(); }, 30000)) << "no output name was reserved";
  fs::remove_all(out);
  EXPECT_EQ(::write(feed, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  ::close(feed);
  ASSERT_TRUE(waitUntil([&] { return runs > before; }, 60000));
  // The first file either failed in Chinese or its output really exists; the
  // second goes next to its source now that the folder is gone.
  if (item(0).status.is(ItemStatus::Kind::failed)) {
    EXPECT_TRUE(hasChinese(item(0).status.message())) << item(0).status.message();
  } else {
    ASSERT_EQ(item(0).status, ItemStatus::done());
    ASSERT_TRUE(item(0).outputURL);
    EXPECT_TRUE(fs::exists(*item(0).outputURL)) << "reported done, but the output is gone: " << *item(0).outputURL;
  }
  EXPECT_EQ(item(1).status, ItemStatus::done());
  expectOutputsMatch(tmp.path(), {"first.mov", "pipe.mov", "second.mov"});
}

TEST_F(QueueFaults, StopsAtRandomMomentsLeakNoThreadNoDescriptorAndNoOutput) {
  const VideoItem a = probed(movie(tmp / "a.mov", 320, 240, 1, true));
  const VideoItem b = probed(movie(tmp / "b.mov", 320, 240, 0.5, false));
  state->setItems({a});
  ASSERT_TRUE(runAndWait());  // a first run starts what stays for the process's life
  fs::remove(*item(0).outputURL);
  state.reset();

  const int fds = entriesOf("/proc/self/fd");
  const int tasks = entriesOf("/proc/self/task");
  const unsigned seed = std::random_device{}();
  std::mt19937 random(seed);
  SCOPED_TRACE("seed " + std::to_string(seed));
  for (int round = 0; round < 5; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    SetUp();
    VideoItem first = a, second = b;
    first.id = Uuid::random();
    second.id = Uuid::random();
    state->setItems({first, second});
    const int before = runs;
    state->startCompressing(ItemSettings{720, 0, 1000, FitMode::keep, false});
    const int delayMs = std::uniform_int_distribution<int>(0, 400)(random);
    const bool wholeQueue = random() % 2 == 0;
    waitUntil([&] { return runs > before; }, delayMs);
    if (wholeQueue) {
      state->stopQueue();
    } else {
      for (const VideoItem& it : state->items()) {
        if (it.status.is(ItemStatus::Kind::compressing)) state->cancelItem(it.id);
      }
    }
    ASSERT_TRUE(waitUntil([&] { return runs > before; }, 30000)) << "the run does not end after a stop";
    for (const VideoItem& it : state->items()) {
      EXPECT_TRUE(it.status.is(ItemStatus::Kind::done) || it.status.is(ItemStatus::Kind::ready))
          << ItemListModel::statusKey(it.status).toStdString() << " " << it.status.message();
    }
    expectOutputsMatch(tmp.path(), {"a.mov", "b.mov"});
    for (const VideoItem& it : state->items()) {
      if (it.outputURL) fs::remove(*it.outputURL);
    }
    state.reset();
  }
  // Threads end a moment after their last act; give them that moment.
  EXPECT_TRUE(waitUntil([&] { return entriesOf("/proc/self/task") <= tasks; }, 5000))
      << entriesOf("/proc/self/task") << " threads, " << tasks << " before";
  EXPECT_EQ(entriesOf("/proc/self/fd"), fds);
}

}  // namespace
}  // namespace kivotra::reliability
