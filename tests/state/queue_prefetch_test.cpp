#include <gtest/gtest.h>

#include <future>
#include <mutex>

#include "state/queue_runner.h"
#include "state_fixture.h"
#include "support/media_fixtures.h"
#include "transcoder/transcoder.h"

namespace kivotra {
namespace {

namespace fs = std::filesystem;
using Events = std::vector<std::string>;

// What is open in this process: descriptors by their target, and threads.
std::multiset<std::string> openFiles() {
  std::multiset<std::string> targets;
  for (const auto& fd : fs::directory_iterator("/proc/self/fd")) {
    std::error_code ec;  // the directory's own descriptor is gone by now
    targets.insert(fs::read_symlink(fd.path(), ec).string());
  }
  return targets;
}
std::size_t threads() { return static_cast<std::size_t>(std::distance(fs::directory_iterator("/proc/self/task"), {})); }

// Records the runner's reports and holds its thread in the first file's done
// report until released: by then that file's source was read to its end.
struct HoldingSink : RunSink {
  std::mutex lock;
  Events events;
  std::promise<void> held, release;
  int dones = 0;  // the runner's thread only
  void add(std::string e) { std::lock_guard g(lock); events.push_back(std::move(e)); }
  void started(const Uuid&, const QString& name) override { add("started " + name.toStdString()); }
  void progress(const Uuid&, double, std::optional<double>) override {}
  void done(const Uuid&, const fs::path& out, std::int64_t, int, std::optional<std::int64_t>) override {
    add("done " + out.parent_path().filename().string() + "/" + out.filename().string());
    if (++dones > 1) return;
    held.set_value();
    if (release.get_future().wait_for(std::chrono::seconds(60)) != std::future_status::ready) test::hung("a held run", 60);
  }
  void failed(const Uuid&, const QString& m) override { add("failed " + m.toStdString()); }
  void stopped(const Uuid&) override { add("stopped"); }
  void runEnded() override { add("end"); }
};

// While the first of three files is held at its end, the second one's source
// is open already; what happens then decides what the run does after it.
TEST(QueuePrefetch, TheNextSourceOpensWhileAFileEndsAndEveryWayOutLeavesNothingOpen) {
  test::Scope scope;
  ASSERT_TRUE(scope.valid());
  const fs::path out = scope.makeFolder("out"), other = scope.makeFolder("other");
  std::vector<VideoItem> work;
  for (const char* name : {"p1.mp4", "p2.mp4", "p3.mp4"}) {
    const fixtures::MediaOptions options{.width = 320, .height = 240, .seconds = 1, .audioChannels = 2};
    test::bounded([&] { return fixtures::writeMedia(scope.path(name), options), 0; });
    VideoItem item(scope.path(name));
    item.applyProbe(test::bounded([&] { return Transcoder::probeSync(item.url); }));
    item.status = ItemStatus::ready();
    work.push_back(item);
  }
  const std::string source2 = scope.path("p2.mp4").string();
  struct Case { const char* what; std::function<void(QueueRunner&, OutputFolder&)> meanwhile; Events expected; };
  const Case cases[] = {
      {"nothing", [](QueueRunner&, OutputFolder&) {},
       {"started p1.mp4", "done out/p1_压缩_240P.mp4", "started p2.mp4", "done out/p2_压缩_240P.mp4", "started p3.mp4",
        "done out/p3_压缩_240P.mp4", "end"}},
      {"folder changed", [&](QueueRunner&, OutputFolder& f) { ASSERT_TRUE(f.choose(QString::fromStdString(other))); },
       {"started p1.mp4", "done out/p1_压缩_240P.mp4", "started p2.mp4", "done other/p2_压缩_240P.mp4", "started p3.mp4",
        "done other/p3_压缩_240P.mp4", "end"}},
      {"next removed", [&](QueueRunner& r, OutputFolder&) { r.skip(work[1].id); },
       {"started p1.mp4", "done out/p1_压缩_240P.mp4", "started p3.mp4", "done out/p3_压缩_240P.mp4", "end"}},
      {"queue stopped", [](QueueRunner& r, OutputFolder&) { r.stopAll(); },
       {"started p1.mp4", "done out/p1_压缩_240P.mp4", "end"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    for (const fs::path& dir : {out, other}) fs::remove_all(dir), fs::create_directory(dir);
    const auto filesBefore = openFiles();
    const std::size_t threadsBefore = threads();
    const auto settings = scope.settings();
    OutputFolder folder(settings.get());
    ASSERT_TRUE(folder.choose(QString::fromStdString(out)));
    HoldingSink sink;
    {
      QueueRunner runner(sink, folder);
      // 10 fps from 30: the prepared files, too, leave out the pictures this rate drops.
      runner.start(work, ItemSettings{240, 10, 300, FitMode::keep, false});
      ASSERT_EQ(sink.held.get_future().wait_for(std::chrono::seconds(60)), std::future_status::ready);
      EXPECT_TRUE(test::waitUntil([&] { return openFiles().count(source2) > 0; }, 10000));
      c.meanwhile(runner, folder);
      sink.release.set_value();
      ASSERT_TRUE(test::waitUntil([&] { std::lock_guard g(sink.lock); return sink.events.back() == "end"; }, 60000));
      EXPECT_EQ(sink.events, c.expected);
      EXPECT_EQ(openFiles(), filesBefore);  // before the run ended, not only with the runner
    }  // the runner's thread has ended here
    EXPECT_TRUE(test::waitUntil([&] { return threads() == threadsBefore; }, 5000)) << threads() << " " << threadsBefore;
    for (const fs::path& dir : {out, other}) {
      for (const auto& file : fs::directory_iterator(dir)) {
        const auto facts = fixtures::readFacts(file.path());
        ASSERT_TRUE(facts.video && facts.audio) << file.path();
        EXPECT_EQ(facts.video->avgFrameRate.num, 10 * facts.video->avgFrameRate.den) << file.path();
        EXPECT_NEAR(facts.duration, 1, 0.15) << file.path();
      }
    }
  }
}

}  // namespace
}  // namespace kivotra
