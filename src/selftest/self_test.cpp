#include "selftest/self_test.h"

#include <QByteArray>
#include <QSaveFile>
#include <QString>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <iostream>

#include "models/errors.h"
#include "models/temp_dir.h"
#include "selftest/media/selftest_error.h"
#include "selftest/suite_support.h"
#include "state/app_state.h"

namespace kivotra::SelfTest {

namespace fs = std::filesystem;

void check(bool condition, const std::string& message) {
  if (!condition) throw SelfTestError(1, message);
}

fs::path resultFilePath() { return privateTempDir() / "selftest_result.txt"; }

void writeResult(const std::string& text) {
  try {
    QSaveFile file(QString::fromStdString(resultFilePath().string()));
    if (!file.open(QIODevice::WriteOnly)) return;
    const QByteArray bytes = QByteArray::fromStdString(text);
    if (file.write(bytes) != bytes.size()) {
      file.cancelWriting();
      return;
    }
    file.commit();
  } catch (const Error&) {
    // No private temporary directory: nowhere to record, and recording never fails a run.
  }
}

std::string statusLabel(const ItemStatus& status) {
  switch (status.kind()) {
    case ItemStatus::Kind::loading: return "读取中";
    case ItemStatus::Kind::ready: return "待处理";
    case ItemStatus::Kind::compressing: return "压缩中";
    case ItemStatus::Kind::done: return "完成";
    case ItemStatus::Kind::failed: return "失败(" + status.message() + ")";
  }
  return {};
}

fs::path workFolder(const std::string& prefix) {
  return privateTempDir() / (prefix + std::to_string(static_cast<long long>(std::time(nullptr))));
}

namespace {

const char* failureBanner(Suite suite) {
  switch (suite) {
    case Suite::full: return "=== 自检失败：";
    case Suite::queue: return "=== 队列自检失败：";
    case Suite::perItem: return "=== 单条参数自检失败：";
  }
  return "";
}

// A queue left running would go on writing (and the process end would cut it
// off mid-file); stop it so its partial output is deleted before we exit.
void settleQueue() {
  AppState& state = AppState::shared();
  if (!state.isRunning()) return;
  state.stopQueue();
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (state.isRunning() && std::chrono::steady_clock::now() < deadline) runLoopFor(std::chrono::milliseconds(20));
}

}  // namespace

void guard(Suite suite, const std::function<void()>& steps) {
  std::string description;
  try {
    steps();
    return;
  } catch (const Error& e) {
    description = e.description();
  } catch (const std::exception& e) {
    description = e.what();
  }
  say(failureBanner(suite) + description + " ===");
  if (suite == Suite::full) {
    writeResult("FAILED: " + description);
  } else {
    settleQueue();
  }
  std::exit(1);
}

}  // namespace kivotra::SelfTest
