#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QProcess>
#include <functional>
#include <QStringList>
#include <cmath>
#include <filesystem>
#include <map>
#include <set>
#include <string>

#include "reliability/corpus.h"
#include "support/media_fixtures.h"
#include "support/tool_process.h"

namespace kivotra::reliability {

namespace fs = std::filesystem;

// A message a user can read: it holds at least one CJK ideograph.
inline bool hasChinese(const std::string& text) {
  for (std::size_t i = 0; i + 2 < text.size(); ++i) {
    const auto lead = static_cast<unsigned char>(text[i]);
    if (lead >= 0xE4 && lead <= 0xE9) return true;
  }
  return false;
}

inline std::set<std::string> namesIn(const fs::path& dir) {
  std::set<std::string> names;
  if (!fs::exists(dir)) return names;
  for (const auto& entry : fs::directory_iterator(dir)) names.insert(entry.path().filename().string());
  return names;
}

// A valid output: an MP4 whose video is H.264 with a picture, readable to the end.
inline std::string outputProblem(const fs::path& output) {
  try {
    const fixtures::MediaFacts facts = fixtures::readFacts(output);
    if (!facts.video) return "no video stream";
    if (facts.video->codec != "h264") return "video is " + facts.video->codec;
    if (facts.video->width <= 0 || facts.video->height <= 0) return "no picture size";
    if (facts.video->frameTimes.empty()) return "no frames";
    return {};
  } catch (const std::exception& e) {
    return e.what();
  }
}

// How far an output's length may be from the source's: AAC priming and the
// last frame's rounding, not a lost or stretched second.
inline constexpr double kDurationSlack = 0.25;

// Empty when the output lasts as long as the case says (or it says nothing).
inline std::string durationProblem(const fs::path& output, const CorpusFile& source) {
  if (source.seconds <= 0) return {};
  try {
    const double seconds = fixtures::readFacts(output).duration;
    if (std::abs(seconds - source.seconds) <= kDurationSlack) return {};
    return "lasts " + std::to_string(seconds) + " s, not " + std::to_string(source.seconds);
  } catch (const std::exception& e) {
    return e.what();
  }
}

inline std::map<std::string, std::string> checksums(const std::vector<CorpusFile>& files) {
  std::map<std::string, std::string> sums;
  for (const CorpusFile& f : files) sums[f.name] = fileChecksum(f.path);
  return sums;
}

struct Finished {
  bool hung = false;
  bool crashed = false;
  int exitCode = -1;
  std::string out;
  std::string err;
};

// Waits for a started process; one still running after timeoutMs hangs (it is
// killed and the result says so).
inline Finished finish(QProcess& process, int timeoutMs) {
  Finished f;
  if (!process.waitForFinished(timeoutMs)) {
    f.hung = true;
    process.kill();
    process.waitForFinished();
  }
  f.crashed = !f.hung && process.exitStatus() != QProcess::NormalExit;
  f.exitCode = process.exitCode();
  f.out = process.readAllStandardOutput().toStdString();
  f.err = process.readAllStandardError().toStdString();
  return f;
}

// Runs kivotra-cli with a private TMPDIR.
inline Finished runCli(const QStringList& args, const fs::path& privateTmp, int timeoutMs = 60000) {
  QProcess process;
  test::startTool(process, KIVOTRA_CLI_BIN, args, privateTmp);
  return finish(process, timeoutMs);
}

// Turns the event loop in short slices until done() holds or timeoutMs passes.
inline bool waitUntil(const std::function<bool()>& done, int timeoutMs) {
  QDeadlineTimer deadline(timeoutMs);
  while (!done()) {
    if (deadline.hasExpired()) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  return true;
}

inline QString q(const fs::path& path) { return QString::fromStdString(path.string()); }

}  // namespace kivotra::reliability
