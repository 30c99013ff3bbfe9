// The hand-over between pipeline stages: it never holds more than its bound,
// and a stop frees every waiting stage at once.

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <stop_token>

#include "transcoder/detail/bounded_queue.h"

using kivotra::detail::BoundedQueue;
using namespace std::chrono_literals;

TEST(BoundedQueue, HoldsAtMostItsBoundAndAStopReleasesWaiters) {
  enum class Waiter { producerOnFull, consumerOnEmpty };
  const struct {
    const char* name;
    Waiter waiter;
    bool stop;  // false: the other side makes room / closes instead
  } rows[] = {
      {"full queue, consumer takes one", Waiter::producerOnFull, false},
      {"full queue, run stopped", Waiter::producerOnFull, true},
      {"empty queue, producer closes", Waiter::consumerOnEmpty, false},
      {"empty queue, run stopped", Waiter::consumerOnEmpty, true},
  };
  for (const auto& row : rows) {
    BoundedQueue<int> queue(2);
    std::stop_source stop;
    if (row.waiter == Waiter::producerOnFull) {
      ASSERT_TRUE(queue.push(1, stop.get_token()));
      ASSERT_TRUE(queue.push(2, stop.get_token()));
      auto third = std::async(std::launch::async, [&] { return queue.push(3, stop.get_token()); });
      EXPECT_EQ(third.wait_for(100ms), std::future_status::timeout) << row.name << ": a third item got in";
      if (row.stop) {
        stop.request_stop();
        EXPECT_FALSE(third.get()) << row.name;
        EXPECT_FALSE(queue.pop(stop.get_token())) << row.name << ": a stopped queue hands nothing on";
      } else {
        EXPECT_EQ(queue.pop(stop.get_token()), 1) << row.name;
        EXPECT_TRUE(third.get()) << row.name;
        EXPECT_EQ(queue.pop(stop.get_token()), 2) << row.name;
        EXPECT_EQ(queue.pop(stop.get_token()), 3) << row.name;
      }
    } else {
      auto taken = std::async(std::launch::async, [&] { return queue.pop(stop.get_token()); });
      EXPECT_EQ(taken.wait_for(100ms), std::future_status::timeout) << row.name << ": popped from nothing";
      if (row.stop) {
        stop.request_stop();
        EXPECT_FALSE(taken.get()) << row.name;
        EXPECT_FALSE(queue.push(4, stop.get_token())) << row.name << ": a stopped queue takes nothing";
      } else {
        queue.close();
        EXPECT_FALSE(taken.get()) << row.name;
      }
    }
  }
}
