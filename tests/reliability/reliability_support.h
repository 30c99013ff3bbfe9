#pragma once

#include <QStringList>
#include <cmath>
#include <filesystem>
#include <set>
#include <string>

#include "../state/state_fixture.h"
#include "reliability/corpus.h"
#include "support/media_fixtures.h"
#include "support/scratch_dir.h"
#include "support/tool_process.h"

namespace kivotra::reliability {

namespace fs = std::filesystem;

// A message a user can read: it holds at least one CJK ideograph.
inline bool hasChinese(const std::string& text) {
  for (const char c : text) {
    if (static_cast<unsigned char>(c) >= 0xE4 && static_cast<unsigned char>(c) <= 0xE9) return true;
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

inline std::vector<std::string> contents(const std::vector<CorpusFile>& files) {
  std::vector<std::string> all;
  for (const CorpusFile& f : files) all.push_back(fixtures::readFile(f.path));
  return all;
}

using Finished = test::ToolResult;
using test::waitUntil;

inline Finished runCli(const QStringList& args, const fs::path& privateTmp, int timeoutMs = 60000) {
  return test::runTool(KIVOTRA_CLI_BIN, args, privateTmp, timeoutMs);
}

inline QString q(const fs::path& path) { return QString::fromStdString(path.string()); }

}  // namespace kivotra::reliability
