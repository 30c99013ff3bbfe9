#include "cli/commands.h"

#include <unistd.h>

#include <csignal>

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <chrono>
#include <cstdio>
#include <map>
#include <vector>

#include "cli/cli_report.h"
#include "cli/file_args.h"
#include "cli/progress_view.h"
#include "cli/target_size.h"
#include "cli/terminal.h"
#include "models/errors.h"
#include "models/format.h"
#include "models/text.h"
#include "models/size_target.h"
#include "state/app_state.h"
#include "state/path_text.h"
#include "state/stop_signals.h"
#include "transcoder/transcoder.h"

namespace kivotra::cli {

namespace fs = std::filesystem;
using SteadyClock = std::chrono::steady_clock;

namespace {

void print(std::FILE* stream, const QString& line) {
  const QByteArray bytes = (shownText(line) + QLatin1Char('\n')).toUtf8();
  std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stream);
  std::fflush(stream);
}

// Byte for byte: the argument's text carries a name that is not UTF-8 unchanged.
fs::path absolutePath(const QString& file) {
  std::error_code ec;
  const fs::path path = pathFromText(file);
  const fs::path absolute = fs::absolute(path, ec);
  return ec ? path : absolute.lexically_normal();
}

QString qstr(const std::string& text) { return QString::fromStdString(text); }

// Probes one file; the error's description on failure. A Ctrl-C ends it
// however the source blocks.
std::variant<ProbeInfo, QString> probe(const QString& file) {
  try {
    return Transcoder::probeSync(absolutePath(file), [] { return StopSignals::first() != 0; });
  } catch (const Error& e) {
    return qstr(e.description());
  } catch (const std::exception& e) {
    return QString::fromUtf8(e.what());
  }
}

// Follows the queue through the items' changes and draws each file's progress.
class QueueWatcher {
 public:
  QueueWatcher(const AppState& state, const QStringList& files, int count)
      : state_(state), files_(files), count_(count), view_(stderr, stderrTakesEscapes()) {}

  void noteProbeFailure(const QString& file, const QString& message) {
    view_.note(QStringLiteral("✗ ") + file + QCoreApplication::translate("Cli", "：") + message);
  }
  void note(const QString& line) { view_.note(line); }

  void refresh() {
    const auto& items = state_.items();
    for (std::size_t i = 0; i < items.size(); ++i) {
      const VideoItem& item = items[i];
      Track& track = tracks_[i];
      const bool compressing = item.status.is(ItemStatus::Kind::compressing);
      if (compressing && !track.started) {
        track.started = SteadyClock::now();
        track.index = ++started_;
      }
      if (compressing) {
        view_.update(progress(i, item, track));
      } else if (track.started && !track.ended) {
        track.ended = SteadyClock::now();
        view_.finish(finalLine(i, item, track));
      }
    }
  }

  std::optional<double> seconds(std::size_t index) const {
    const auto found = tracks_.find(index);
    if (found == tracks_.end() || !found->second.started || !found->second.ended) return std::nullopt;
    return std::chrono::duration<double>(*found->second.ended - *found->second.started).count();
  }

 private:
  struct Track {
    int index = 0;
    std::optional<SteadyClock::time_point> started;
    std::optional<SteadyClock::time_point> ended;
  };

  QString label(std::size_t i, const Track& track) const {
    return QStringLiteral("[%1/%2] %3").arg(track.index).arg(count_).arg(files_.at(static_cast<int>(i)));
  }

  ProgressState progress(std::size_t i, const VideoItem& item, const Track& track) const {
    ProgressState state{track.index, count_, files_.at(static_cast<int>(i)), item.progress, item.etaSeconds, {}};
    const double elapsed = std::chrono::duration<double>(SteadyClock::now() - *track.started).count();
    if (elapsed > 0.5 && item.progress > 0 && item.duration > 0) state.speed = item.progress * item.duration / elapsed;
    return state;
  }

  QString finalLine(std::size_t i, const VideoItem& item, const Track& track) const {
    const double secs = std::chrono::duration<double>(*track.ended - *track.started).count();
    switch (item.status.kind()) {
      case ItemStatus::Kind::done:
        return QStringLiteral("✓ ") + label(i, track) + QStringLiteral(" → ") +
               qstr(item.outputURL ? item.outputURL->filename().string() : std::string()) + QStringLiteral("  ") +
               qstr(fmtBytes(item.actualSize.value_or(0))) + QCoreApplication::translate("Cli", "  用时 ") + qstr(formatFixed(secs, 1)) +
               QStringLiteral("s") +
               (item.encodeCount > 1 ? QCoreApplication::translate("Cli", "（超出目标大小，已降低码率重新压缩）") : QString());
      case ItemStatus::Kind::failed:
        return QStringLiteral("✗ ") + label(i, track) + QCoreApplication::translate("Cli", " 失败：") + qstr(item.status.message());
      default:
        return QStringLiteral("■ ") + label(i, track) + QCoreApplication::translate("Cli", " 已停止，未留下输出文件");
    }
  }

  const AppState& state_;
  const QStringList& files_;
  int count_;
  ProgressView view_;
  int started_ = 0;
  std::map<std::size_t, Track> tracks_;
};

}  // namespace

// The arguments' files with folders listed and repeats dropped; a line on
// standard error for each folder without a supported file.
QStringList batchFiles(const QStringList& args) {
  const FileArguments expanded = expandFileArguments(args, AppState::acceptedExts());
  for (const QString& note : expanded.notes) print(stderr, QCoreApplication::translate("Cli", "kivotra-cli：") + note);
  return expanded.files;
}

int runProbe(const ProbeCommand& given) {
  const StopSignals watcher({SIGINT, SIGTERM, SIGHUP});
  ProbeCommand command = given;
  command.files = batchFiles(given.files);
  if (command.files.isEmpty()) return kExitUsage;
  bool allOk = true;
  for (const QString& file : command.files) {
    const auto result = probe(file);
    // The file cut short gets no line.
    if (const int signal = StopSignals::first()) return StopSignals::exitStatusFor(signal);
    if (const auto* info = std::get_if<ProbeInfo>(&result)) {
      print(stdout, command.json ? jsonLine(probeJson(file, *info)) : probeLine(file, *info));
    } else {
      allOk = false;
      const QString& error = std::get<QString>(result);
      // The message goes to standard error either way; scripts also get the JSON object.
      if (command.json) print(stdout, jsonLine(probeFailureJson(file, error)));
      print(stderr, probeFailureLine(file, error));
    }
  }
  return allOk ? kExitOk : kExitFailed;
}

namespace {

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

int runCompress(const CompressCommand& given) {
  // A closed pipe on stdout or stderr (`… | head`) stops the run like Ctrl-C
  // instead of killing the process halfway through a file.
  StopSignals watcher({SIGINT, SIGTERM, SIGHUP, SIGPIPE});
  CompressCommand command = given;
  command.files = batchFiles(given.files);
  if (command.files.isEmpty()) return kExitUsage;
  // No settings store: the window's remembered output folder is neither read nor changed.
  AppState state(nullptr);
  if (command.outputDir) {
    const fs::path dir = absolutePath(*command.outputDir);
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (!state.chooseOutputFolder(pathText(dir))) {
      print(stderr, QCoreApplication::translate("Cli", "kivotra-cli：无法创建输出文件夹：") + *command.outputDir);
      return kExitUsage;
    }
  }

  std::vector<VideoItem> items;
  int ready = 0;
  QStringList probeFailures;
  for (const QString& file : command.files) {
    VideoItem item(absolutePath(file));
    item.status = ItemStatus::ready();  // files not probed before a Ctrl-C stay waiting
    if (!StopSignals::first()) {
      const auto result = probe(file);
      if (const auto* info = std::get_if<ProbeInfo>(&result)) {
        item.applyProbe(*info);
        item.thumbnail.reset();
        ++ready;
      } else if (!StopSignals::first()) {  // a probe cut short by Ctrl-C leaves the file waiting
        item.status = ItemStatus::failed(fillIn(translate("Cli", "读取失败：%1"), {std::get<QString>(result).toStdString()}));
      }
    }
    items.push_back(std::move(item));
  }
  if (command.targetSize) ready -= applyTargetSize(items, command.settings, *command.targetSize);
  state.setItems(std::move(items));

  QueueWatcher queue(state, command.files, ready);
  for (int i = 0; i < command.files.size(); ++i) {
    const ItemStatus& status = state.items()[static_cast<std::size_t>(i)].status;
    if (status.is(ItemStatus::Kind::failed)) queue.noteProbeFailure(command.files.at(i), qstr(status.message()));
  }

  if (!StopSignals::first() && ready > 0) {
    QEventLoop loop;
    QObject::connect(&state, &AppState::itemsChanged, &loop, [&] { queue.refresh(); });
    QObject::connect(&state, &AppState::runFinished, &loop, &QEventLoop::quit);
    QObject::connect(&watcher, &StopSignals::received, &loop, [&](int signal) {
      if (state.cancelRequested()) return;  // already stopping; a second signal changes nothing
      queue.note(stopNote(signal));
      state.stopQueue();
    });
    state.startCompressing(command.settings);
    loop.exec();
    queue.refresh();
  }

  std::vector<ResultRow> rows;
  bool allDone = true;
  for (int i = 0; i < command.files.size(); ++i) {
    const VideoItem& item = state.items()[static_cast<std::size_t>(i)];
    allDone = allDone && item.status.is(ItemStatus::Kind::done);
    rows.push_back({command.files.at(i), &item, queue.seconds(static_cast<std::size_t>(i))});
    if (command.json) print(stdout, jsonLine(resultJson(command.files.at(i), item)));
    if (outputLargerThanSource(item)) {
      print(stderr, QCoreApplication::translate("Cli", "⚠ %1：输出 %2 大于源文件 %3，已保留")
                        .arg(command.files.at(i), qstr(fmtBytes(item.actualSize.value_or(0))),
                             qstr(fmtBytes(item.fileSize))));
    }
  }
  if (!command.json) print(stdout, summaryTable(rows).chopped(1));

  if (const int signal = StopSignals::first()) return StopSignals::exitStatusFor(signal);
  return allDone ? kExitOk : kExitFailed;
}

}  // namespace kivotra::cli
