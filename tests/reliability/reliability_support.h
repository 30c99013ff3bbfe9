#pragma once

#include <QStringList>
#include <algorithm>
#include <filesystem>
#include <set>
#include <string>

#include "../state/state_fixture.h"
#include "support/media_fixtures.h"
#include "support/scratch_dir.h"
#include "support/tool_process.h"

namespace kivotra::reliability {

namespace fs = std::filesystem;
using Finished = test::ToolResult;
using test::waitUntil;

// A message a user can read: it holds at least one CJK ideograph.
inline bool hasChinese(const std::string& text) {
  return std::any_of(text.begin(), text.end(), [](char c) {
    return static_cast<unsigned char>(c) >= 0xE4 && static_cast<unsigned char>(c) <= 0xE9;
  });
}

inline std::set<std::string> namesIn(const fs::path& dir) {
  std::set<std::string> names;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(dir, ec)) names.insert(entry.path().filename().string());
  return names;
}

// A valid output: an MP4 whose video is H.264 with a picture, readable to the end.
inline std::string outputProblem(const fs::path& output) {
  try {
    const fixtures::MediaFacts facts = fixtures::readFacts(output);
    if (!facts.video || facts.video->codec != "h264") return "no H.264 video";
    if (facts.video->width <= 0 || facts.video->height <= 0 || facts.video->frameTimes.empty()) return "no picture";
    return {};
  } catch (const std::exception& e) {
    return e.what();
  }
}

inline Finished runCli(const QStringList& args, const fs::path& privateTmp, int timeoutMs = 60000) {
  return test::runTool(KIVOTRA_CLI_BIN, args, privateTmp, timeoutMs);
}

inline QString q(const fs::path& path) { return QString::fromStdString(path.string()); }

}  // namespace kivotra::reliability
