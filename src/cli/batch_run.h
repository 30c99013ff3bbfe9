#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <chrono>
#include <optional>
#include <vector>

#include "cli/progress_view.h"
#include "models/item_settings.h"
#include "models/video_item.h"
#include "state/output_folder.h"
#include "state/queue_runner.h"
#include "state/stop_signals.h"

namespace kivotra::cli {

// One compress command's run: the runner's reports are applied to the
// command's items on this thread and drawn as progress on standard error.
class BatchRun : private QObject, private RunSink {
 public:
  // items[i] belongs to files[i]; readyCount of them will be compressed.
  BatchRun(std::vector<VideoItem>& items, const QStringList& files, int readyCount, const OutputFolder& folder);

  // A line of its own on standard error.
  void note(const QString& line) { view_.note(line); }
  // Compresses the ready items with their own parameters or else global, and
  // returns when the run has ended. A signal watcher reports stops the run.
  void exec(const ItemSettings& global, const StopSignals& watcher);
  // How long file i took, once it ended.
  std::optional<double> seconds(std::size_t i) const;

 private:
  using SteadyClock = std::chrono::steady_clock;
  struct Track {
    int index = 0;
    std::optional<SteadyClock::time_point> started;
    std::optional<SteadyClock::time_point> ended;
  };

  void started(const Uuid& id, const QString& fileName) override;
  void progress(const Uuid& id, double fraction, std::optional<double> etaSeconds) override;
  void done(const Uuid& id, const std::filesystem::path& output, std::int64_t size, int encodes,
            std::optional<std::int64_t> sizeLimit) override;
  void failed(const Uuid& id, const QString& message) override;
  void stopped(const Uuid& id) override;
  void runEnded() override;

  // Runs change on this thread, in the order reported.
  template <class F>
  void onMain(const Uuid& id, F change);
  void finish(std::size_t i);
  QString label(std::size_t i) const;

  std::vector<VideoItem>& items_;
  const QStringList& files_;
  int count_;
  std::vector<Track> tracks_;
  int started_ = 0;
  ProgressView view_;
  QueueRunner runner_;
  std::function<void()> quit_;
};

}  // namespace kivotra::cli
