#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSettings>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <memory>
#include <set>
#include <string>
#include <thread>

#include "models/errors.h"
#include "state/app_state.h"
#include "support/media_fixtures.h"
#include "support/scratch_dir.h"
#include "support/tool_process.h"
#include "transcoder/transcoder.h"

// What the tests above the engine share: private folders and settings, waits and time
// limits, listed items, movies, and reading what kivotra-cli printed and wrote.
namespace kivotra::test {

namespace fs = std::filesystem;

inline QString q(const fs::path& path) { return QString::fromStdString(path.string()); }

// A private folder for one test, with a private settings file in it; both go away with it.
struct Scope : fixtures::ScratchDir {
  std::unique_ptr<QSettings> settings() const {
    return std::make_unique<QSettings>(q(path() / "settings.ini"), QSettings::IniFormat);
  }
  fs::path writeFile(const std::string& name, const std::string& contents) const {
    std::ofstream(path() / name, std::ios::binary) << contents;
    return path() / name;
  }
  fs::path makeFolder(const std::string& name) const {
    fs::create_directories(path() / name);
    return path() / name;
  }
};

// Turns the event loop in short slices until done() holds or timeoutMs passes.
inline bool waitUntil(const std::function<bool()>& done, int timeoutMs = 30000) {
  QDeadlineTimer deadline(timeoutMs);
  while (!done()) {
    if (deadline.hasExpired()) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  return true;
}

// Ends the test program when something is still running at its limit: a stuck
// thread cannot be stopped from outside, and waiting for it would hang the program.
[[noreturn]] inline void hung(const char* what, int seconds) {
  std::fprintf(stderr, "%s still running after %d s (hung)\n", what, seconds);
  std::_Exit(1);
}

// A blocking call (a probe, writing a fixture) with a time limit of its own.
// (Not support/bounded.h: this header also serves the Qt Test programs, which do not take gtest.)
template <class Call>
auto bounded(Call&& call, int seconds = 60) {
  std::packaged_task<std::invoke_result_t<Call&>()> task(std::ref(call));
  auto result = task.get_future();
  std::thread thread(std::move(task));
  if (result.wait_for(std::chrono::seconds(seconds)) != std::future_status::ready) hung("a call", seconds);
  thread.join();
  return result.get();
}

// What the engine says of a file it cannot read (empty when it can).
inline std::string probeError(const std::filesystem::path& file) {
  try {
    bounded([&] { return Transcoder::probeSync(file); });
  } catch (const Error& e) {
    return e.description();
  }
  return {};
}

// Before an AppState goes: its destructor waits for the queue (and for probes),
// so they must have ended, or the program ends here instead of hanging. Items
// listed as loading without a probe of their own are left out unless asked.
inline void quiesce(AppState& state, bool probesToo = false, int seconds = 30) {
  state.stopQueue();
  const auto loading = [](const VideoItem& it) { return it.status.is(ItemStatus::Kind::loading); };
  if (!waitUntil([&] {
        return !state.isRunning() && !(probesToo && std::any_of(state.items().begin(), state.items().end(), loading));
      }, seconds * 1000))
    hung("the queue or a probe", seconds);
}

// A listed file with the facts a probe would have filled in; a bare name is placed in /videos.
inline VideoItem probedItem(const fs::path& file, int w, int h, double seconds = 10, std::int64_t bytes = 50000000,
                            ItemStatus status = ItemStatus::ready(), double fps = 30) {
  VideoItem item(file.is_absolute() ? file : fs::path("/videos") / file);
  item.applyProbe({.duration = seconds, .width = w, .height = h, .fps = fps, .fileSize = bytes, .hasAudio = true});
  item.status = std::move(status);
  return item;
}

inline QString idOf(const VideoItem& item) { return QString::fromStdString(item.id.toString()); }

// A movie of the fixture's pattern (with a tone on each channel), written with a time limit.
inline fs::path movie(const fs::path& at, double seconds, int audioChannels = 0, int width = 160, int height = 120) {
  const fixtures::MediaOptions options{
      .width = width, .height = height, .seconds = seconds, .audioChannels = audioChannels};
  bounded([&] { fixtures::writeMedia(at, options); return 0; });
  return at;
}

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

}  // namespace kivotra::test
