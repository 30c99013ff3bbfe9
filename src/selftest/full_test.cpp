#include <chrono>
#include <cmath>
#include <cstdint>
#include <string>

#include "models/format.h"
#include "selftest/media/test_video.h"
#include "selftest/self_test.h"
#include "selftest/suite_support.h"
#include "state/output_naming.h"
#include "transcoder/transcoder.h"

namespace kivotra::SelfTest {

namespace fs = std::filesystem;

namespace {

// The announcements name the length, so both come from here.
constexpr double kSourceSeconds = 4.0;

std::string size(const ProbeInfo& info) { return std::to_string(info.width) + "×" + std::to_string(info.height); }

std::int64_t transcode(const fs::path& source, const fs::path& destination, const ProbeInfo& info) {
  const Transcoder::Config config{{720, 30, 5000, FitMode::keep, false}};
  return Transcoder::transcodeSync(
      source, destination, config, info, [](double) {}, [] { return false; });
}

void fullSteps() {
  say("=== Kivotra自检 ===");
  const fs::path folder = workFolder("kivotra_selftest-");
  createFolder(folder);

  const std::string seconds = std::to_string(static_cast<int>(kSourceSeconds));
  say("[1/4] 生成测试视频：16:9 横屏 1280×720，" + seconds + " 秒，30FPS，含音频…");
  const fs::path landscape = makeTestVideo(folder / "test_h.mov", 1280, 720, kSourceSeconds, 30, true);
  say("[2/4] 生成测试视频：9:16 竖屏 720×1280，" + seconds + " 秒，30FPS，无音频…");
  const fs::path portrait = makeTestVideo(folder / "test_v.mov", 720, 1280, kSourceSeconds, 30, false);

  say("[3/4] 压缩横屏（预期输出 1280×720）…");
  const ProbeInfo hInfo = Transcoder::probeSync(landscape);
  say("      源探测：" + size(hInfo) + " @" + std::to_string(fpsText(hInfo.fps)) + "fps " + fmtDuration(hInfo.duration) +
      " 音频=" + boolText(hInfo.hasAudio));
  const fs::path hOut = chooseOutputPath(landscape, landscape.parent_path(), 720);
  say("      输出命名：" + hOut.filename().string());
  const auto start = std::chrono::steady_clock::now();
  const std::int64_t hBytes = transcode(landscape, hOut, hInfo);
  const ProbeInfo hOutInfo = Transcoder::probeSync(hOut);
  const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  say("      ✓ 输出 " + size(hOutInfo) + " @" + std::to_string(fpsText(hOutInfo.fps)) + "fps " + fmtBytes(hBytes) +
      " 音频=" + boolText(hOutInfo.hasAudio) + " 耗时 " + formatFixed(elapsed, 1) + "s");
  check(hOutInfo.width == 1280 && hOutInfo.height == 720, "横屏输出尺寸应为 1280×720");
  check(hOutInfo.hasAudio, "横屏输出应保留音频");

  say("[4/4] 压缩竖屏（预期输出 720×1280，短边自动换向）…");
  const ProbeInfo vInfo = Transcoder::probeSync(portrait);
  say("      源探测：" + size(vInfo) + " @" + std::to_string(fpsText(vInfo.fps)) + "fps");
  const fs::path vOut = folder / "out_v.mp4";
  const std::int64_t vBytes = transcode(portrait, vOut, vInfo);
  const ProbeInfo vOutInfo = Transcoder::probeSync(vOut);
  say("      ✓ 输出 " + size(vOutInfo) + " @" + std::to_string(fpsText(vOutInfo.fps)) + "fps " + fmtBytes(vBytes));
  check(vOutInfo.width == 720 && vOutInfo.height == 1280, "竖屏输出尺寸应为 720×1280");

  // What 5000 kbit/s of video alone would take; a report, not a check.
  const auto estimate = static_cast<std::int64_t>(hInfo.duration * 625000.0);
  const double deviation =
      std::fabs(static_cast<double>(hBytes - estimate)) / static_cast<double>(estimate) * 100;
  say("      码率校验：预估 " + fmtBytes(estimate) + " / 实际 " + fmtBytes(hBytes) + "，偏差 " +
      formatFixed(deviation, 1) + "%");

  say("=== 自检通过 ===");
  say("测试目录：" + folder.string());
  writeResult("PASSED");
}

}  // namespace

void run() { guard(Suite::full, fullSteps); }

}  // namespace kivotra::SelfTest
