#include <chrono>
#include <string>
#include <vector>

#include "selftest/media/test_video.h"
#include "selftest/self_test.h"
#include "selftest/suite_support.h"
#include "state/app_state.h"
#include "state/compression_settings.h"
#include "transcoder/transcoder.h"

namespace kivotra::SelfTest {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

namespace {

constexpr auto kWatchLimit = std::chrono::seconds(120);

// The queue suites' outputs go where the window's queue would put them: next
// to the sources unless an output folder is remembered.
void makeFolderIfPossible(const fs::path& folder) {
  std::error_code ignored;  // a folder that cannot be made makes the generator fail
  fs::create_directories(folder, ignored);
}

std::string fileNameOr(const std::optional<fs::path>& path, const std::string& none) {
  return path ? path->filename().string() : none;
}

void queueSteps() {
  say("=== 队列 / 单条停止自检 ===");
  const fs::path folder = workFolder("kivotra_queue-");
  makeFolderIfPossible(folder);
  std::vector<fs::path> sources;
  for (int n = 1; n <= 3; ++n) {
    sources.push_back(makeTestVideo(folder / ("q" + std::to_string(n) + ".mov"), 640, 360, 3.0, 30, false));
  }
  say("      已生成 3 条测试视频");

  std::vector<VideoItem> items;
  for (const fs::path& source : sources) items.push_back(probedItem(source));
  AppState& state = AppState::shared();
  state.setItems(std::move(items));
  CompressionSettings settings;
  settings.setShortSide(720);
  state.startCompressing(&settings);

  const auto deadline = Clock::now() + kWatchLimit;
  bool caught = false;
  while (Clock::now() < deadline) {
    runLoopFor(milliseconds(10));
    if (!caught) {
      const auto& now = state.items();
      if (now.size() >= 2 && now[1].status.is(ItemStatus::Kind::compressing)) {
        state.cancelItem(now[1].id);
        say("      第 2 条压缩中，发出单条「停止」");
        caught = true;
      }
    }
    if (caught && !state.isRunning()) break;
  }

  const std::vector<VideoItem>& result = state.items();
  std::string labels;
  for (const VideoItem& item : result) {
    if (!labels.empty()) labels += " / ";
    labels += statusLabel(item.status);
  }
  say("      结果：" + labels);

  auto is = [&](std::size_t index, ItemStatus::Kind kind) {
    return result.size() > index && result[index].status.is(kind);
  };
  auto hasOutput = [&](std::size_t index) { return result.size() > index && result[index].outputURL.has_value(); };
  check(caught, "未能捕获第 2 条的压缩中状态");
  check(is(0, ItemStatus::Kind::done), "第 1 条应完成");
  check(is(1, ItemStatus::Kind::ready), "第 2 条应回到待处理");
  check(is(2, ItemStatus::Kind::done), "第 3 条应在停止后继续完成");
  check(hasOutput(0) && hasOutput(2), "第 1、3 条应有输出文件");
  check(result.size() > 1 && !hasOutput(1), "第 2 条不应留下输出文件");
  say("      输出命名：" + fileNameOr(result.empty() ? std::nullopt : result[0].outputURL, "-"));

  say("=== 队列自检通过 ===");
  say("测试目录：" + folder.string());
}

void perItemSteps() {
  say("=== 单条独立参数自检 ===");
  const fs::path folder = workFolder("kivotra_cfg-");
  makeFolderIfPossible(folder);
  const fs::path a = makeTestVideo(folder / "同样素材A.mov", 1280, 720, 2.0, 30, false);
  const fs::path b = makeTestVideo(folder / "同样素材B.mov", 1280, 720, 2.0, 30, false);

  std::vector<VideoItem> items{probedItem(a), probedItem(b)};
  items[0].customSettings = ItemSettings{1440, 30, 8000, FitMode::keep, false};
  AppState& state = AppState::shared();
  state.setItems(std::move(items));

  CompressionSettings settings;
  settings.setShortSide(720);
  settings.setBitrateKbps(2000);
  settings.setNoUpscale(false);
  say("      全局：720P / 2000kbps；第 1 条单独：2K / 8000kbps");
  state.startCompressing(&settings);

  const auto deadline = Clock::now() + kWatchLimit;
  while (Clock::now() < deadline) {
    runLoopFor(milliseconds(20));
    bool pending = state.isRunning();
    for (const VideoItem& item : state.items()) {
      pending = pending || item.status.is(ItemStatus::Kind::ready) || item.status.is(ItemStatus::Kind::compressing);
    }
    if (!pending) break;
  }

  const std::vector<VideoItem>& result = state.items();
  check(result.size() >= 2 && result[0].outputURL && result[1].outputURL, "缺少输出文件");
  const fs::path out1 = *result[0].outputURL;
  const fs::path out2 = *result[1].outputURL;
  const ProbeInfo info1 = Transcoder::probeSync(out1);
  const ProbeInfo info2 = Transcoder::probeSync(out2);
  say("      第 1 条输出：" + out1.filename().string() + "  " + std::to_string(info1.width) + "×" +
      std::to_string(info1.height));
  say("      第 2 条输出：" + out2.filename().string() + "  " + std::to_string(info2.width) + "×" +
      std::to_string(info2.height));

  check(info1.width == 1440 || info1.height == 1440, "第 1 条应按单独设置输出 2K 档");
  check(info2.width == 720 || info2.height == 720, "第 2 条应按全局输出 720P");
  check(out1.filename().string().find("2K") != std::string::npos, "第 1 条命名应带 2K");
  check(out2.filename().string().find("720P") != std::string::npos, "第 2 条命名应带 720P");

  say("=== 单条参数自检通过 ===");
  say("测试目录：" + folder.string());
}

}  // namespace

void runQueueTest() { guard(Suite::queue, queueSteps); }

void runPerItemConfigTest() { guard(Suite::perItem, perItemSteps); }

}  // namespace kivotra::SelfTest
