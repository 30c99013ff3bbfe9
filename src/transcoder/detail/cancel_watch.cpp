#include "transcoder/detail/cancel_watch.h"

#include <chrono>

namespace kivotra::detail {

namespace {

constexpr auto kPollInterval = std::chrono::milliseconds(50);

}  // namespace

CancelWatch::CancelWatch(const Transcoder::CancelFn& isCancelled) {
  if (!isCancelled) return;
  thread_ = std::thread([this, isCancelled] {
    std::unique_lock lock(mutex_);
    while (!done_) {
      if (isCancelled()) {
        stop_.request_stop();
        return;
      }
      wake_.wait_for(lock, kPollInterval, [&] { return done_; });
    }
  });
}

CancelWatch::~CancelWatch() {
  {
    std::lock_guard lock(mutex_);
    done_ = true;
  }
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();
}

}  // namespace kivotra::detail
