#include "state/queue_runner.h"

#include <pthread.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <mutex>
#include <system_error>

#include "models/errors.h"
#include "models/format.h"
#include "models/text.h"
#include "state/output_naming.h"
#include "state/path_text.h"
#include "state/size_fit.h"

namespace kivotra {

namespace fs = std::filesystem;

namespace {

// An output is never more open to others than its source (read and write bits only).
mode_t sourcePermissions(const fs::path& source) {
  struct stat st {};
  if (::stat(source.c_str(), &st) != 0) return 0600;
  return st.st_mode & 0666;
}

// Fails a file before it starts when its folder cannot hold it, instead of
// late with a half-written output. The margin covers the container and the
// encoder's overshoot of the target rate.
void checkFreeSpace(const fs::path& dir, std::int64_t estimatedBytes) {
  std::error_code ec;
  const fs::space_info space = fs::space(dir, ec);
  if (ec) return;  // the reservation that follows reports an unusable folder
  const std::int64_t needed = estimatedBytes + estimatedBytes / 20 + QueueRunner::kFreeSpaceMarginBytes;
  const auto available = static_cast<std::int64_t>(std::min<std::uintmax_t>(space.available, INT64_MAX));
  if (available >= needed) return;
  throw PlatformError(PlatformError::Cause::diskFull,
                      fillIn(translate("State", "需要约 %1，可用 %2"), {fmtBytes(needed), fmtBytes(available)}));
}

}  // namespace

void markStarted(VideoItem& item) {
  item.status = ItemStatus::compressing();
  item.progress = 0;
}

void markProgress(VideoItem& item, double fraction, std::optional<double> etaSeconds) {
  item.progress = fraction;
  item.etaSeconds = etaSeconds;
}

void markDone(VideoItem& item, const fs::path& output, std::int64_t size, int encodes,
              std::optional<std::int64_t> sizeLimit) {
  item.status = ItemStatus::done();
  item.sizeLimit = sizeLimit;
  item.outputURL = output;
  item.actualSize = size;
  item.encodeCount = encodes;
  item.progress = 1;
  item.etaSeconds.reset();
}

void markFailed(VideoItem& item, const QString& message) {
  item.status = ItemStatus::failed(message.toStdString());
  item.etaSeconds.reset();
}

void markStopped(VideoItem& item) {
  item.status = ItemStatus::ready();
  item.progress = 0;
  item.etaSeconds.reset();
}

void NextInput::begin(const Uuid& id, const fs::path& source, const std::function<bool()>& wanted) {
  std::lock_guard guard(lock_);
  if (id_ || !wanted()) return;
  // A source that delivers nothing gives up as a probe would; its file then
  // opens it itself and fails as it always did.
  const auto deadline = std::chrono::steady_clock::now() + Transcoder::kProbeTimeLimit;
  try {
    thread_ = std::jthread([this, source, deadline](std::stop_token stop) {
      pthread_setname_np(pthread_self(), "open next");  // else it bears the engine thread's name
      input_ = Transcoder::prepareInput(source, stop, deadline);
    });
    id_ = id;
  } catch (const std::system_error&) {
    // no thread to spare: the file opens its source when it starts
  }
}

void NextInput::abandon(const Uuid& id) {
  std::lock_guard guard(lock_);
  if (id.isNil() || id_ == id) thread_.request_stop();
}

std::unique_ptr<Transcoder::PreparedInput> NextInput::take(const Uuid& id) {
  std::jthread thread;
  bool wanted = false;
  {
    std::lock_guard guard(lock_);
    wanted = id_ == id;
    if (!wanted) thread_.request_stop();
    thread = std::move(thread_);
    id_.reset();
  }
  if (thread.joinable()) thread.join();
  std::unique_ptr<Transcoder::PreparedInput> input = std::move(input_);
  if (!wanted) input.reset();
  return input;
}

QueueRunner::QueueRunner(RunSink& sink, const OutputFolder& folder, Clock clock)
    : sink_(sink), folder_(folder), clock_(std::move(clock)) {}

QueueRunner::~QueueRunner() {
  stopAll();
  if (thread_.joinable()) thread_.join();
}

void QueueRunner::start(std::vector<VideoItem> work, const ItemSettings& global) {
  stopAll_ = false;
  cancels_.clear();
  skipped_.clear();
  // The previous run's thread reported its end as its last act, so this join
  // does not wait on any work.
  if (thread_.joinable()) thread_.join();
  thread_ = std::thread([this, work = std::move(work), global] { run(work, global); });
}

void QueueRunner::run(std::vector<VideoItem> work, ItemSettings global) {
  for (std::size_t i = 0; i < work.size(); ++i) {
    const VideoItem& item = work[i];
    if (stopAll_) break;
    if (skipped_.contains(item.id)) continue;
    cancels_.erase(item.id);
    // The next file still waiting, once this one's source is read.
    auto openNext = [this, &work, i] {
      for (std::size_t j = i + 1; j < work.size(); ++j) {
        const Uuid id = work[j].id;
        if (skipped_.contains(id)) continue;
        next_.begin(id, work[j].url, [this, id] { return !stopAll_ && !skipped_.contains(id); });
        return;
      }
    };
    compressOne(item, global, openNext);
  }
  next_.discard();
  sink_.runEnded();
}

bool QueueRunner::stopAsked(const Uuid& id) const {
  return stopAll_ || cancels_.contains(id) || skipped_.contains(id);
}

void QueueRunner::compressOne(const VideoItem& item, const ItemSettings& global, std::function<void()> inputRead) {
  const Uuid id = item.id;
  sink_.started(id, shownText(pathText(item.url.filename())));

  QString failure;
  try {
    // Opened while the previous file drained; what depends on this file's
    // parameters is decided when its transcode starts.
    Transcoder::Handover handover{next_.take(id), std::move(inputRead)};
    // In size mode the bitrate (and the limit a second encode holds to) is this file's own.
    VideoItem fitted = item;
    const ItemSettings params = fitToSizeLimit(fitted, effectiveSettings(item, global));
    const fs::path dir = folder_.folderFor(item.url);
    removeStalePartFiles(dir);
    checkFreeSpace(dir, item.estimatedBytes(params.bitrateKbps));
    // Written aside under a hidden name and published whole: until then no
    // file exists under the output's name, whatever ends the process.
    OutputFile output(item.url, dir, params.shortSide, sourcePermissions(item.url));

    ProgressThrottle throttle(clock_);
    std::mutex throttleLock;  // the engine may report from more than one thread
    auto progress = [&](double fraction) {
      std::optional<ProgressThrottle::Update> update;
      {
        std::lock_guard guard(throttleLock);
        update = throttle.report(fraction);
      }
      if (update) sink_.progress(id, update->fraction, update->etaSeconds);
    };
    auto isCancelled = [this, id] { return stopAsked(id); };

    const FitResult fit = transcodeWithinLimit(fitted, output, params, progress, isCancelled, std::move(handover));
    const fs::path published = output.publish();
    sink_.done(id, published, fit.size, fit.encodes, fitted.sizeLimit);
    return;
  } catch (const TranscodeError& e) {
    if (e.kind() == TranscodeError::Kind::cancelled) {
      // The part file, if one was made, went with the OutputFile above; the
      // next file opens its source when it starts.
      sink_.stopped(id);
      next_.discard();
      cancels_.erase(id);
      return;
    }
    failure = QString::fromStdString(e.description());
  } catch (const Error& e) {
    failure = QString::fromStdString(e.description());
  } catch (const std::exception& e) {
    failure = QString::fromUtf8(e.what());
  }
  sink_.failed(id, failure);
  cancels_.erase(id);
}

}  // namespace kivotra
