#pragma once

#include <QString>
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "models/item_settings.h"
#include "models/uuid.h"
#include "models/video_item.h"
#include "state/cancel_flags.h"
#include "state/output_folder.h"
#include "state/progress_throttle.h"
#include "transcoder/transcoder.h"

namespace kivotra {

// What a run reports, in order, from the runner's thread. For each file it
// gets to: started, any number of progress, then one of done, failed or
// stopped; runEnded last of all, as the thread's last act.
class RunSink {
 public:
  virtual ~RunSink() = default;
  virtual void started(const Uuid& id, const QString& fileName) = 0;
  virtual void progress(const Uuid& id, double fraction, std::optional<double> etaSeconds) = 0;
  // sizeLimit: the size the file was fitted under, in size mode.
  virtual void done(const Uuid& id, const std::filesystem::path& output, std::int64_t size, int encodes,
                    std::optional<std::int64_t> sizeLimit) = 0;
  virtual void failed(const Uuid& id, const QString& message) = 0;
  // Stopped by the user before it finished; no output was left behind.
  virtual void stopped(const Uuid& id) = 0;
  virtual void runEnded() = 0;
};

// How each report changes the reported item, the same for every sink.
void markStarted(VideoItem& item);
void markProgress(VideoItem& item, double fraction, std::optional<double> etaSeconds);
void markDone(VideoItem& item, const std::filesystem::path& output, std::int64_t size, int encodes,
              std::optional<std::int64_t> sizeLimit);
void markFailed(VideoItem& item, const QString& message);
void markStopped(VideoItem& item);

// The next file's source, opened on a thread of its own while the current
// file's encoders drain, so that the next file starts with its input open.
// begin() is called from an engine thread, abandon() from any thread, take()
// and discard() from the runner's thread, never while begin() may run.
class NextInput {
 public:
  ~NextInput() { discard(); }

  // Starts opening source for id, unless one is under way or taken already,
  // or wanted() (asked under the lock abandon() takes) says no.
  void begin(const Uuid& id, const std::filesystem::path& source, const std::function<bool()>& wanted);
  // Makes the opening for id (any opening, for nil) give up soon; does not wait.
  void abandon(const Uuid& id = {});
  // Waits for the opening to end and hands over what it opened for id; null
  // when it was for another file, gave up or failed. Whatever else was opened goes.
  std::unique_ptr<Transcoder::PreparedInput> take(const Uuid& id);
  void discard() { take(Uuid()); }

 private:
  std::mutex lock_;
  std::optional<Uuid> id_;  // guarded by lock_
  std::jthread thread_;     // guarded by lock_
  std::unique_ptr<Transcoder::PreparedInput> input_;  // written by thread_, read once it ended
};

// Compresses a work list one file after another on a thread of its own: the
// free-space check, a hidden part file published whole when done, throttled
// progress. While a file's encoders drain, the next file's source is opened
// (NextInput). stopAll, cancel and skip may be called from any thread.
class QueueRunner {
 public:
  // Free space a file needs beyond its estimate (plus 5 % of it) before it starts.
  static constexpr std::int64_t kFreeSpaceMarginBytes = 256 * 1024;

  // sink and folder must outlive the runner.
  QueueRunner(RunSink& sink, const OutputFolder& folder, Clock clock = steadyClock());
  // Stops the run and waits for its thread.
  ~QueueRunner();
  QueueRunner(const QueueRunner&) = delete;
  QueueRunner& operator=(const QueueRunner&) = delete;

  // Starts a run over work; each item with its own parameters or else global.
  // The caller starts a run only once the previous one reported runEnded.
  void start(std::vector<VideoItem> work, const ItemSettings& global);
  // Stops the file being compressed and ends the run after it.
  void stopAll() {
    stopAll_ = true;
    next_.abandon();
  }
  bool stopRequested() const { return stopAll_.load(); }
  // Stops this file if it is being compressed; the run goes on with the next.
  void cancel(const Uuid& id) {
    cancels_.insert(id);
    next_.abandon(id);
  }
  // Leaves this file out of the run, or stops it should the run be at it.
  void skip(const Uuid& id) {
    skipped_.insert(id);
    next_.abandon(id);
  }

 private:
  void run(std::vector<VideoItem> work, ItemSettings global);
  // inputRead: called once the file's source has been read to its end.
  void compressOne(const VideoItem& item, const ItemSettings& global, std::function<void()> inputRead);
  bool stopAsked(const Uuid& id) const;

  RunSink& sink_;
  const OutputFolder& folder_;
  Clock clock_;
  std::atomic<bool> stopAll_{false};
  CancelFlags cancels_;
  CancelFlags skipped_;
  NextInput next_;
  std::thread thread_;
};

}  // namespace kivotra
