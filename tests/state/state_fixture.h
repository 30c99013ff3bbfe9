#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QSettings>
#include <QTemporaryDir>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "models/temp_dir.h"
#include "state/progress_throttle.h"

namespace kivotra::test {

// A private folder and a private settings file for one test; both go away
// with it. Nothing here touches the user's settings or folders.
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
    const std::filesystem::path at = path(name);
    std::filesystem::create_directories(at.parent_path());
    std::ofstream(at, std::ios::binary) << contents;
    return at;
  }

  std::filesystem::path makeFolder(const std::string& name) const {
    const std::filesystem::path at = path(name);
    std::filesystem::create_directories(at);
    return at;
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

// A clock that moves only when told to; safe to read from any thread.
class ManualClock {
 public:
  Clock clock() {
    return [state = state_] {
      std::lock_guard guard(state->lock);
      return state->now;
    };
  }
  void advance(std::chrono::milliseconds by) {
    std::lock_guard guard(state_->lock);
    state_->now += by;
  }

 private:
  struct State {
    std::mutex lock;
    SteadyTime now{std::chrono::hours(1)};
  };
  std::shared_ptr<State> state_ = std::make_shared<State>();
};

}  // namespace kivotra::test
