#include "cli/commands.h"

#include <unistd.h>

#include <csignal>

#include <QCoreApplication>
#include <QDir>
#include <cstdio>
#include <vector>

#include "cli/cli_report.h"
#include "cli/batch_run.h"
#include "cli/file_args.h"
#include "cli/target_size.h"
#include "models/errors.h"
#include "models/format.h"
#include "models/size_target.h"
#include "state/intake.h"
#include "state/output_folder.h"
#include "state/path_text.h"
#include "state/stop_signals.h"
#include "transcoder/transcoder.h"

namespace kivotra::cli {

namespace fs = std::filesystem;

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
ProbeResult probe(const QString& file) {
  return probeSource(absolutePath(file), [] { return StopSignals::first() != 0; });
}

}  // namespace

// The arguments' files with folders listed and repeats dropped; a line on
// standard error for each folder without a supported file.
QStringList batchFiles(const QStringList& args) {
  const FileArguments expanded = expandFileArguments(args, acceptedExts());
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

int runCompress(const CompressCommand& given) {
  // A closed pipe on stdout or stderr (`… | head`) stops the run like Ctrl-C
  // instead of killing the process halfway through a file.
  StopSignals watcher({SIGINT, SIGTERM, SIGHUP, SIGPIPE});
  CompressCommand command = given;
  command.files = batchFiles(given.files);
  if (command.files.isEmpty()) return kExitUsage;
  // No settings store: the window's remembered output folder is neither read nor changed.
  OutputFolder folder(nullptr);
  if (command.outputDir) {
    const fs::path dir = absolutePath(*command.outputDir);
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (!folder.choose(pathText(dir))) {
      print(stderr, QCoreApplication::translate("Cli", "kivotra-cli：无法创建输出文件夹：") + *command.outputDir);
      return kExitUsage;
    }
  }

  std::vector<VideoItem> items;
  int ready = 0;
  for (const QString& file : command.files) {
    VideoItem item(absolutePath(file));
    item.status = ItemStatus::ready();  // files not probed before a Ctrl-C stay waiting
    if (!StopSignals::first()) {
      const ProbeResult result = probe(file);
      const bool measured = std::holds_alternative<ProbeInfo>(result);
      // A probe cut short by Ctrl-C leaves the file waiting.
      if (measured || !StopSignals::first()) applyProbeResult(item, result);
      item.thumbnail.reset();
      ready += measured ? 1 : 0;
    }
    items.push_back(std::move(item));
  }
  if (command.targetSize) ready -= applyTargetSize(items, command.settings, *command.targetSize);

  BatchRun run(items, command.files, ready, folder);
  for (int i = 0; i < command.files.size(); ++i) {
    const ItemStatus& status = items[static_cast<std::size_t>(i)].status;
    if (status.is(ItemStatus::Kind::failed)) {
      run.note(QStringLiteral("✗ ") + command.files.at(i) + QCoreApplication::translate("Cli", "：") + qstr(status.message()));
    }
  }
  if (!StopSignals::first() && ready > 0) run.exec(command.settings, watcher);

  std::vector<ResultRow> rows;
  bool allDone = true;
  for (int i = 0; i < command.files.size(); ++i) {
    const VideoItem& item = items[static_cast<std::size_t>(i)];
    allDone = allDone && item.status.is(ItemStatus::Kind::done);
    rows.push_back({command.files.at(i), &item, run.seconds(static_cast<std::size_t>(i))});
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
