#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <stop_token>

extern "C" {
#include <libavformat/avio.h>
}

namespace kivotra::detail {

// What the stages of one run share: the one stop for every thread and
// blocking read, the failures they met, and when a frame was last accepted.
class RunControl {
 public:
  RunControl() { touch(); }
  RunControl(const RunControl&) = delete;
  RunControl& operator=(const RunControl&) = delete;

  std::stop_token token() const { return stop_.get_token(); }
  bool stopRequested() const { return stop_.stop_requested(); }
  void requestStop() { stop_.request_stop(); }

  // A stage could not go on. The first failure wins and stops every stage;
  // anything after a stop is a consequence of the stop and is not recorded.
  void fail(std::exception_ptr error);
  // Reading the source broke off: the least important verdict, recorded the same way.
  void readerFailed(std::exception_ptr error);
  std::exception_ptr failure() const;
  // Runs one stage's body; whatever it throws becomes the run's failure.
  template <class Body>
  void guard(Body&& body) noexcept {
    try {
      body();
    } catch (...) {
      fail(std::current_exception());
    }
  }
  std::exception_ptr readerFailure() const;

  // An encoder accepted a frame.
  void touch() { lastActivity_.store(std::chrono::steady_clock::now().time_since_epoch().count()); }
  std::chrono::steady_clock::duration sinceActivity() const {
    return std::chrono::steady_clock::now().time_since_epoch() -
           std::chrono::steady_clock::duration(lastActivity_.load());
  }

  // The run's outcome is known and the output is no longer touched; what is
  // left (freeing the codecs) may go on after the caller has been answered.
  void markSettled();
  // The pipeline's own thread is done with everything (settled too).
  void markFinished();
  bool finished() const;
  // Waits up to `limit` for markSettled or markFinished; true once it happened.
  bool waitSettled(std::chrono::milliseconds limit);

  // For AVFormatContext::interrupt_callback: blocking FFmpeg calls give up once stopped.
  AVIOInterruptCB interruptCallback() { return {&RunControl::interrupted, this}; }

 private:
  static int interrupted(void* self) { return static_cast<RunControl*>(self)->stopRequested() ? 1 : 0; }
  void record(std::exception_ptr& slot, std::exception_ptr error);

  std::stop_source stop_;
  std::atomic<std::chrono::steady_clock::rep> lastActivity_{0};
  mutable std::mutex mutex_;
  std::condition_variable finishedChanged_;
  std::exception_ptr failure_;        // guarded by mutex_
  std::exception_ptr readerFailure_;  // guarded by mutex_
  bool settled_ = false;              // guarded by mutex_
  bool finished_ = false;             // guarded by mutex_
};

}  // namespace kivotra::detail
