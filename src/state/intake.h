#pragma once

#include <QString>
#include <QStringList>
#include <QThreadPool>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <variant>
#include <vector>

#include "models/probe_info.h"
#include "models/uuid.h"
#include "models/video_item.h"
#include "transcoder/transcoder.h"

namespace kivotra {

// The list takes at most this many files; finished and failed ones count too.
inline constexpr int kMaxItems = 5;

// "mp4", "mov", "m4v": the extensions taken in, in any case.
const QStringList& acceptedExts();

// The regular files directly inside folder (links followed), sorted by their
// bytes; none when it cannot be read.
std::vector<std::filesystem::path> regularFilesIn(const std::filesystem::path& folder);

// Of paths, those the list takes after items, in order: at most kMaxItems in
// all, an accepted extension, no path already listed (by its bytes).
std::vector<std::filesystem::path> acceptedPaths(const std::vector<VideoItem>& items,
                                                 const std::vector<std::filesystem::path>& paths);

// A probe's measurements, or the description of why it failed.
using ProbeResult = std::variant<ProbeInfo, QString>;

// Probes source; never throws.
ProbeResult probeSource(const std::filesystem::path& source, const Transcoder::CancelFn& isCancelled,
                        std::chrono::milliseconds timeLimit = Transcoder::kProbeTimeLimit);

// Applies a probe's result to its item: ready with its measurements, or
// failed with the one read-failure text. The item keeps its cover when the
// probe brought none.
void applyProbeResult(VideoItem& item, const ProbeResult& result);

// Probes files in the background, all at once. done is called on a pool
// thread with each result. The destructor ends the probes still running and
// waits for them.
class ProbePool {
 public:
  using Done = std::function<void(const Uuid& id, ProbeResult result)>;

  ProbePool();
  ~ProbePool();

  // How long a probe may wait on a source that delivers nothing before the
  // item fails with a read error.
  void setTimeLimit(std::chrono::milliseconds limit) { timeLimit_ = limit; }
  void start(const Uuid& id, const std::filesystem::path& source, Done done);

 private:
  std::atomic<bool> closing_{false};
  std::chrono::milliseconds timeLimit_ = Transcoder::kProbeTimeLimit;
  QThreadPool pool_;
};

}  // namespace kivotra
