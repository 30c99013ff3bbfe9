#include "state/queue_time.h"

#include <gtest/gtest.h>

namespace kivotra {
namespace {

struct Entry {
  ItemStatus status;
  double duration;
  double progress;
};

std::vector<VideoItem> items(const std::vector<Entry>& entries) {
  std::vector<VideoItem> list;
  for (const Entry& e : entries) {
    VideoItem item("/v/a.mov");
    item.status = e.status;
    item.duration = e.duration;
    item.progress = e.progress;
    list.push_back(item);
  }
  return list;
}

TEST(QueueTime, WholeQueueLeftAtTheMeasuredSpeed) {
  const auto compressing = ItemStatus::compressing();
  const auto ready = ItemStatus::ready();
  const struct {
    const char* name;
    std::vector<Entry> entries;
    QueueSpeed speed;
    std::optional<double> seconds;
  } rows[] = {
      {"half of the current file and a waiting one, at twice real time",
       {{compressing, 10, 0.5}, {ready, 20, 0}},
       {10, 5},
       12.5},
      {"done, failed and loading files add nothing",
       {{ItemStatus::done(), 100, 1}, {ItemStatus::failed("x"), 50, 0}, {ItemStatus::loading(), 30, 0}, {ready, 10, 0}},
       {10, 10},
       10.0},
      {"slower than real time", {{compressing, 60, 0.25}, {ready, 30, 0}}, {15, 30}, 150.0},
      {"nothing measured yet", {{compressing, 10, 0}, {ready, 10, 0}}, {0, 0.4}, std::nullopt},
      {"under a second measured", {{compressing, 10, 0.1}}, {1, 0.9}, std::nullopt},
      {"the last file finishing", {{ItemStatus::done(), 10, 1}, {compressing, 10, 1}}, {20, 10}, 0.0},
      {"nothing left needs no speed", {{ItemStatus::done(), 10, 1}}, {0, 0}, 0.0},
  };
  for (const auto& row : rows) {
    const auto left = queueSecondsLeft(items(row.entries), row.speed);
    ASSERT_EQ(left.has_value(), row.seconds.has_value()) << row.name;
    if (left) EXPECT_DOUBLE_EQ(*left, *row.seconds) << row.name;
  }
}

}  // namespace
}  // namespace kivotra
