#include "state/progress_throttle.h"
#include "state/queue_time.h"

#include <gtest/gtest.h>

namespace kivotra {
namespace {

// A report goes out when its whole percent changed or a fifth of a second passed since the
// last one that went out; the remaining time comes with it above two percent.
TEST(ProgressThrottle, WholePercentOrAFifthOfASecondAndRemainingTimeAboveTwoPercent) {
  const struct {
    int afterMs;
    double fraction;
    bool out;
    double eta;  // < 0: none
  } rows[] = {
      {0, 0.001, true, -1},  // the first always goes out
      {50, 0.002, false, 0},     {10, 0.01, true, -1},
      {199, 0.011, false, 0},    {1, 0.012, true, -1},
      {150, 0.013, false, 0},  // counted from the last one out
      {10, 0.02, true, -1},      {9580, 0.25, true, 30},
      {10, 0.99, true, 10.01 * 0.01 / 0.99}, {10, 0.995, false, 0},
  };
  SteadyTime now{std::chrono::hours(1)};
  ProgressThrottle throttle([&] { return now; });
  for (const auto& row : rows) {
    SCOPED_TRACE(row.fraction);
    now += std::chrono::milliseconds(row.afterMs);
    const auto update = throttle.report(row.fraction);
    ASSERT_EQ(update.has_value(), row.out);
    if (!update) continue;
    EXPECT_DOUBLE_EQ(update->fraction, row.fraction);
    EXPECT_EQ(update->etaSeconds.has_value(), row.eta >= 0);
    if (update->etaSeconds) {
      EXPECT_NEAR(*update->etaSeconds, row.eta, 1e-9);
    }
  }
}

// The run's speed, its share done and the whole queue's time left at that speed.
TEST(QueueTime, ARunMeasuresOnlyTheFilesItTookAtItsStart) {
  // Taken at the start: the two ready files; the earlier output and the loading file are not the run's.
  std::vector<VideoItem> items;
  for (const auto& [status, duration] : {std::pair{ItemStatus::done(), 50.0}, {ItemStatus::ready(), 30.0},
                                         {ItemStatus::ready(), 10.0}, {ItemStatus::loading(), 40.0}}) {
    VideoItem& item = items.emplace_back("/v/a.mov");
    item.status = status;
    item.duration = duration;
    item.progress = status.is(ItemStatus::Kind::done) ? 1 : 0;
    item.fileSize = 10000;
    item.actualSize = 4000;
  }
  const SteadyTime start{};
  const QueueRun run(items, start);
  const auto at = [&](double seconds) { return start + std::chrono::milliseconds(static_cast<int>(seconds * 1000)); };
  const struct {
    const char* name;
    std::pair<ItemStatus, double> second, third;  // status, progress
    double now, media, fraction;
    std::optional<double> left;
    QueueRun::Outcome outcome;
  } rows[] = {
      {"nothing yet", {ItemStatus::ready(), 0}, {ItemStatus::ready(), 0}, 0, 0, 0, std::nullopt, {}},
      {"under a second measured", {ItemStatus::compressing(), 0.1}, {ItemStatus::ready(), 0}, 0.9, 3, 3.0 / 40,
       std::nullopt, {}},
      // Done, failed and loading files add nothing to the time left.
      {"a third of the first", {ItemStatus::compressing(), 1.0 / 3}, {ItemStatus::ready(), 0}, 5, 10, 0.25, 15.0, {}},
      {"first done, second half", {ItemStatus::done(), 1}, {ItemStatus::compressing(), 0.5}, 20, 35, 35.0 / 40,
       5 * 20 / 35.0, {1, 0, 6000, {"/out/b.mp4"}}},
      {"first failed counts as behind, not as speed", {ItemStatus::failed("x"), 0}, {ItemStatus::done(), 1}, 8, 10, 1,
       0.0, {1, 1, 6000, {"/out/c.mp4"}}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    for (int i : {1, 2}) {
      std::tie(items[i].status, items[i].progress) = i == 1 ? row.second : row.third;
      items[i].outputURL.reset();
      if (items[i].status.is(ItemStatus::Kind::done)) items[i].outputURL = i == 1 ? "/out/b.mp4" : "/out/c.mp4";
    }
    const QueueSpeed speed = run.speed(items, at(row.now));
    EXPECT_DOUBLE_EQ(speed.wallSeconds, row.now);
    EXPECT_NEAR(speed.mediaSeconds, row.media, 1e-9);
    EXPECT_NEAR(run.fraction(items), row.fraction, 1e-9);
    EXPECT_EQ(run.outcome(items), row.outcome);
    const auto left = queueSecondsLeft(items, speed);
    ASSERT_EQ(left.has_value(), row.left.has_value());
    if (left) {
      EXPECT_NEAR(*left, *row.left, 1e-9);
    }
  }
  // A file removed from the list no longer counts.
  items.erase(items.begin() + 1);
  EXPECT_DOUBLE_EQ(run.fraction(items), 1.0);
}

}  // namespace
}  // namespace kivotra
