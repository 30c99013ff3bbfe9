#include "cli/batch_run.h"

#include <csignal>

#include <QCoreApplication>
#include <QEventLoop>
#include <QMetaObject>
#include <algorithm>

#include "cli/terminal.h"
#include "models/format.h"

namespace kivotra::cli {

namespace {

QString qstr(const std::string& text) { return QString::fromStdString(text); }

// What the user reads when a signal stops the run.
QString stopNote(int signal) {
  switch (signal) {
    case SIGINT:
      return QCoreApplication::translate("Cli", "已收到 Ctrl-C：停止当前文件并结束…");
    case SIGTERM:
      return QCoreApplication::translate("Cli", "已收到终止信号（SIGTERM）：停止当前文件并结束…");
    case SIGHUP:
      return QCoreApplication::translate("Cli", "终端已关闭（SIGHUP）：停止当前文件并结束…");
    default:
      return QCoreApplication::translate("Cli", "输出管道已关闭：停止当前文件并结束…");
  }
}

}  // namespace

BatchRun::BatchRun(std::vector<VideoItem>& items, const QStringList& files, int readyCount,
                   const OutputFolder& folder)
    : items_(items),
      files_(files),
      count_(readyCount),
      tracks_(items.size()),
      view_(stderr, stderrTakesEscapes()),
      runner_(*this, folder) {}

void BatchRun::exec(const ItemSettings& global, const StopSignals& watcher) {
  std::vector<VideoItem> work;
  for (const VideoItem& item : items_) {
    if (item.status.is(ItemStatus::Kind::ready)) work.push_back(item);
  }
  if (work.empty()) return;
  QEventLoop loop;
  quit_ = [&loop] { loop.quit(); };
  QObject::connect(&watcher, &StopSignals::received, &loop, [this](int signal) {
    if (runner_.stopRequested()) return;  // already stopping; a second signal changes nothing
    view_.note(stopNote(signal));
    runner_.stopAll();
  });
  runner_.start(std::move(work), global);
  loop.exec();
  quit_ = nullptr;
}

template <class F>
void BatchRun::onMain(const Uuid& id, F change) {
  QMetaObject::invokeMethod(
      this,
      [this, id, change = std::move(change)] {
        const auto found = std::find_if(items_.begin(), items_.end(), [&](const VideoItem& it) { return it.id == id; });
        if (found != items_.end()) change(static_cast<std::size_t>(found - items_.begin()), *found);
      },
      Qt::QueuedConnection);
}

QString BatchRun::label(std::size_t i) const {
  return QStringLiteral("[%1/%2] %3").arg(tracks_[i].index).arg(count_).arg(files_.at(static_cast<int>(i)));
}

void BatchRun::started(const Uuid& id, const QString&) {
  onMain(id, [this](std::size_t i, VideoItem& item) {
    markStarted(item);
    tracks_[i].started = SteadyClock::now();
    tracks_[i].index = ++started_;
    view_.update({tracks_[i].index, count_, files_.at(static_cast<int>(i)), 0, std::nullopt, {}});
  });
}

void BatchRun::progress(const Uuid& id, double fraction, std::optional<double> etaSeconds) {
  onMain(id, [this, fraction, etaSeconds](std::size_t i, VideoItem& item) {
    markProgress(item, fraction, etaSeconds);
    const Track& track = tracks_[i];
    ProgressState state{track.index, count_, files_.at(static_cast<int>(i)), fraction, etaSeconds, {}};
    const double elapsed = std::chrono::duration<double>(SteadyClock::now() - *track.started).count();
    if (elapsed > 0.5 && fraction > 0 && item.duration > 0) state.speed = fraction * item.duration / elapsed;
    view_.update(state);
  });
}

void BatchRun::done(const Uuid& id, const std::filesystem::path& output, std::int64_t size, int encodes,
                    std::optional<std::int64_t> sizeLimit) {
  onMain(id, [this, output, size, encodes, sizeLimit](std::size_t i, VideoItem& item) {
    markDone(item, output, size, encodes, sizeLimit);
    finish(i);
  });
}

void BatchRun::failed(const Uuid& id, const QString& message) {
  onMain(id, [this, message](std::size_t i, VideoItem& item) {
    markFailed(item, message);
    finish(i);
  });
}

void BatchRun::stopped(const Uuid& id) {
  onMain(id, [this](std::size_t i, VideoItem& item) {
    markStopped(item);
    finish(i);
  });
}

void BatchRun::runEnded() {
  QMetaObject::invokeMethod(
      this, [this] { if (quit_) quit_(); }, Qt::QueuedConnection);
}

void BatchRun::finish(std::size_t i) {
  Track& track = tracks_[i];
  track.ended = SteadyClock::now();
  const VideoItem& item = items_[i];
  const double secs = std::chrono::duration<double>(*track.ended - *track.started).count();
  switch (item.status.kind()) {
    case ItemStatus::Kind::done:
      view_.finish(QStringLiteral("✓ ") + label(i) + QStringLiteral(" → ") +
                   qstr(item.outputURL ? item.outputURL->filename().string() : std::string()) + QStringLiteral("  ") +
                   qstr(fmtBytes(item.actualSize.value_or(0))) + QCoreApplication::translate("Cli", "  用时 ") +
                   qstr(formatFixed(secs, 1)) + QStringLiteral("s") +
                   (item.encodeCount > 1 ? QCoreApplication::translate("Cli", "（超出目标大小，已降低码率重新压缩）") : QString()));
      break;
    case ItemStatus::Kind::failed:
      view_.finish(QStringLiteral("✗ ") + label(i) + QCoreApplication::translate("Cli", " 失败：") + qstr(item.status.message()));
      break;
    default:
      view_.finish(QStringLiteral("■ ") + label(i) + QCoreApplication::translate("Cli", " 已停止，未留下输出文件"));
  }
}

std::optional<double> BatchRun::seconds(std::size_t i) const {
  const Track& track = tracks_.at(i);
  if (!track.started || !track.ended) return std::nullopt;
  return std::chrono::duration<double>(*track.ended - *track.started).count();
}

}  // namespace kivotra::cli
