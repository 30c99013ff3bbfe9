#pragma once

#include <filesystem>
#include <functional>
#include <string>

#include "models/item_status.h"
#include "models/video_item.h"

// The headless suites: real engine, real queue, synthetic sources, a report on
// standard output. They need a QCoreApplication (the queue suites turn its
// event loop) and no display. Each returns only when it passed; a failure
// prints the suite's failure line and ends the process with status 1.
namespace kivotra::SelfTest {

// Transcodes a landscape file with sound and a portrait file without through
// the engine directly; records "PASSED" or "FAILED: ..." in the result file.
void run();
// Three files through AppState::shared()'s queue, the second stopped while it
// is being compressed.
void runQueueTest();
// Two files through the queue, the first with parameters of its own.
void runPerItemConfigTest();

// Throws SelfTestError code 1 with message unless condition holds.
void check(bool condition, const std::string& message);

// "selftest_result.txt" in the private temporary directory.
std::filesystem::path resultFilePath();
// Replaces the result file's whole content with text (UTF-8, no line end)
// through a unique temporary file and a rename; a failure is ignored.
void writeResult(const std::string& text);

// "读取中", "待处理", "压缩中", "完成", "失败(" + message + ")".
std::string statusLabel(const ItemStatus& status);

// prefix + the current time in whole seconds, in the private temporary directory.
std::filesystem::path workFolder(const std::string& prefix);

enum class Suite { full, queue, perItem };
// Runs a suite's steps. On the first failure (any kivotra::Error or standard
// exception) prints "=== <suite>失败：" + description + " ===", records it when
// the suite keeps a result file, lets a running queue stop cleanly, and ends
// the process with status 1.
void guard(Suite suite, const std::function<void()>& steps);

}  // namespace kivotra::SelfTest
