#pragma once

#include <QStringList>
#include <cmath>
#include <filesystem>
#include <map>
#include <set>
#include <string>

#include "../state/state_fixture.h"
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

using Finished = test::ToolResult;
using test::waitUntil;

inline Finished runCli(const QStringList& args, const fs::path& privateTmp) {
  return test::runTool(KIVOTRA_CLI_BIN, args, privateTmp, 60000);
}

inline QString q(const fs::path& path) { return QString::fromStdString(path.string()); }

}  // namespace kivotra::reliability
