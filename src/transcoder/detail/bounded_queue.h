#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <optional>
#include <stop_token>

#include "transcoder/av_ptr.h"

namespace kivotra::detail {

// A hand-over between two pipeline stages that holds at most `capacity`
// items, so a fast producer waits instead of filling memory. Every wait also
// returns as soon as the run's stop is requested.
template <class T>
class BoundedQueue {
 public:
  explicit BoundedQueue(std::size_t capacity) : capacity_(capacity) {}

  // Blocks while full. False when the run was stopped first (the item is dropped).
  bool push(T item, std::stop_token stop) {
    std::unique_lock lock(mutex_);
    if (stop.stop_requested()) return false;
    if (!changed_.wait(lock, stop, [&] { return items_.size() < capacity_; })) return false;
    items_.push_back(std::move(item));
    lock.unlock();
    changed_.notify_all();
    return true;
  }

  // Blocks while empty. Nothing once the producer closed the queue and it is
  // drained, or once the run was stopped, whatever is still queued.
  std::optional<T> pop(std::stop_token stop) {
    std::unique_lock lock(mutex_);
    if (!changed_.wait(lock, stop, [&] { return !items_.empty() || closed_; })) return std::nullopt;
    if (items_.empty() || stop.stop_requested()) return std::nullopt;
    T item = std::move(items_.front());
    items_.pop_front();
    lock.unlock();
    changed_.notify_all();
    return item;
  }

  // The producer is done; the consumer drains what is left and then sees the end.
  void close() {
    {
      std::lock_guard lock(mutex_);
      closed_ = true;
    }
    changed_.notify_all();
  }

 private:
  const std::size_t capacity_;
  std::mutex mutex_;
  std::condition_variable_any changed_;
  std::deque<T> items_;  // guarded by mutex_
  bool closed_ = false;  // guarded by mutex_
};

using PacketQueue = BoundedQueue<av::PacketPtr>;
using FrameQueue = BoundedQueue<av::FramePtr>;

}  // namespace kivotra::detail
