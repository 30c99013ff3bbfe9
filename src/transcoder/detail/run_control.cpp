#include "transcoder/detail/run_control.h"

#include <cerrno>
#include <new>

#include "models/errors.h"

namespace kivotra::detail {

void RunControl::record(std::exception_ptr& slot, std::exception_ptr error) {
  {
    std::lock_guard lock(mutex_);
    if (stop_.stop_requested() || failure_ || readerFailure_) return;
    slot = std::move(error);
  }
  stop_.request_stop();
}

void RunControl::fail(std::exception_ptr error) {
  // Callers only ever see kivotra::Error: anything else (out of memory) is
  // turned into one here.
  try {
    std::rethrow_exception(error);
  } catch (const Error&) {
  } catch (const std::bad_alloc&) {
    error = std::make_exception_ptr(PlatformError::fromErrno(ENOMEM));
  } catch (const std::exception& e) {
    error = std::make_exception_ptr(PlatformError(PlatformError::Cause::other, e.what()));
  } catch (...) {
    error = std::make_exception_ptr(PlatformError(PlatformError::Cause::other, {}));
  }
  record(failure_, std::move(error));
}

void RunControl::readerFailed(std::exception_ptr error) { record(readerFailure_, std::move(error)); }

std::exception_ptr RunControl::failure() const {
  std::lock_guard lock(mutex_);
  return failure_;
}

std::exception_ptr RunControl::readerFailure() const {
  std::lock_guard lock(mutex_);
  return readerFailure_;
}

void RunControl::markSettled() {
  {
    std::lock_guard lock(mutex_);
    settled_ = true;
  }
  finishedChanged_.notify_all();
}

void RunControl::markFinished() {
  {
    std::lock_guard lock(mutex_);
    settled_ = true;
    finished_ = true;
  }
  finishedChanged_.notify_all();
}

bool RunControl::finished() const {
  std::lock_guard lock(mutex_);
  return finished_;
}

bool RunControl::waitSettled(std::chrono::milliseconds limit) {
  std::unique_lock lock(mutex_);
  return finishedChanged_.wait_for(lock, limit, [&] { return settled_; });
}

}  // namespace kivotra::detail
