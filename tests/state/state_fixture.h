#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QSettings>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <memory>
#include <string>
#include <thread>

#include "models/errors.h"
#include "models/temp_dir.h"
#include "state/app_state.h"
#include "transcoder/transcoder.h"

namespace kivotra::test {

// A private folder and a private settings file for one test; both go away with it.
class Scope {
 public:
  Scope() : dir_(QString::fromStdString((privateTempDir() / "state-test-XXXXXX").string())) {}

  bool valid() const { return dir_.isValid(); }
  std::filesystem::path root() const { return std::filesystem::path(dir_.path().toStdString()); }
  std::filesystem::path path(const std::string& name) const { return root() / name; }
  std::unique_ptr<QSettings> settings() const {
    return std::make_unique<QSettings>(dir_.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
  }
  std::filesystem::path writeFile(const std::string& name, const std::string& contents) const {
    std::ofstream(path(name), std::ios::binary) << contents;
    return path(name);
  }
  std::filesystem::path makeFolder(const std::string& name) const {
    std::filesystem::create_directories(path(name));
    return path(name);
  }

 private:
  QTemporaryDir dir_;
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

// A blocking call (a probe, a transcode, writing a fixture) with a time limit of its own.
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

}  // namespace kivotra::test
