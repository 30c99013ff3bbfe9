#pragma once

#include <QJsonDocument>
#include <QJsonObject>
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

inline QString q(const fs::path& path) { return QString::fromStdString(path.string()); }

// A message a user can read: it holds at least one CJK ideograph.
inline bool hasChinese(const std::string& text) {
  return std::any_of(text.begin(), text.end(), [](unsigned char c) { return c >= 0xE4 && c <= 0xE9; });
}

inline std::set<std::string> namesIn(const fs::path& dir) {
  std::set<std::string> names;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(dir, ec)) names.insert(entry.path().filename().string());
  return names;
}

// kivotra-cli's --json output: one object a line.
inline std::vector<QJsonObject> jsonLines(const std::string& out) {
  std::vector<QJsonObject> objects;
  for (const QByteArray& line : QByteArray::fromStdString(out).split('\n')) {
    if (!line.isEmpty()) objects.push_back(QJsonDocument::fromJson(line).object());
  }
  return objects;
}

// A valid output: an MP4 whose video is H.264 with a picture, readable to the end.
inline bool validOutput(const fs::path& output) {
  try {
    const auto video = fixtures::readFacts(output).video;
    return video && video->codec == "h264" && video->width > 0 && video->height > 0 && !video->frameTimes.empty();
  } catch (const std::exception&) {
    return false;
  }
}

inline fs::path movie(const fs::path& at, double seconds, int audioChannels = 0, int width = 160, int height = 120) {
  fixtures::writeMedia(at, {.width = width, .height = height, .seconds = seconds, .audioChannels = audioChannels});
  return at;
}

}  // namespace kivotra::reliability
