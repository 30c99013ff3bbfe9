#pragma once

#include <condition_variable>
#include <mutex>
#include <stop_token>
#include <thread>

#include "transcoder/transcoder.h"

namespace kivotra::detail {

// Turns a caller's polled stop question (CancelFn) into a stop token for the
// length of one call: a small thread asks it every 50 ms and requests the stop
// when it answers true. Without a question there is no thread and the token
// never stops.
class CancelWatch {
 public:
  explicit CancelWatch(const Transcoder::CancelFn& isCancelled);
  ~CancelWatch();
  CancelWatch(const CancelWatch&) = delete;
  CancelWatch& operator=(const CancelWatch&) = delete;

  std::stop_token token() const { return stop_.get_token(); }
  bool cancelled() const { return stop_.stop_requested(); }

 private:
  std::stop_source stop_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool done_ = false;  // guarded by mutex_
  std::thread thread_;
};

}  // namespace kivotra::detail
