#include "ui/summary_rules.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "models/format.h"
#include "models/geometry.h"
#include "ui/panel_rules.h"

namespace kivotra::ui {

std::string tipText(int shortSide, FitMode fit) {
  const std::string s = std::to_string(shortSide);
  const std::string l = std::to_string(even(shortSide * 16.0 / 9.0));
  if (fit != FitMode::keep) {
    return "统一为 16:9 横屏画布：输出 " + l + "×" + s + "，竖屏素材将" +
           (fit == FitMode::crop ? "居中裁切" : "两侧加黑边");
  }
  const std::string wide = std::to_string(even(shortSide * 2.35));
  return "长边按画面比例自动计算：16:9 → " + l + "×" + s + "，9:16 → " + s + "×" + l + "，2.35:1 → " + wide + "×" + s;
}

std::int64_t estimatedTotal(const std::vector<VideoItem>& items, const std::optional<ItemSettings>& editingBackup,
                            const ItemSettings& panel) {
  std::int64_t total = 0;
  for (const VideoItem& item : items) {
    total += item.estimatedBytes(effectiveParameters(item, editingBackup, panel).bitrateKbps);
  }
  return total;
}

std::int64_t totalOriginal(const std::vector<VideoItem>& items) {
  std::int64_t total = 0;
  for (const VideoItem& item : items) total += item.fileSize;
  return total;
}

Saving saving(std::int64_t estimated, std::int64_t original) {
  if (original < 1 || estimated <= 0) return {};
  const double fraction = 1.0 - static_cast<double>(estimated) / static_cast<double>(original);
  if (fraction > 0.001) return {Saving::Kind::percent, "↓ " + formatFixed(fraction * 100, 1) + "%"};
  return {Saving::Kind::sourceSmaller, "源已较小"};
}

std::string totalText(std::int64_t estimated) { return "≈ " + fmtBytes(estimated); }

std::string detailText(const std::vector<VideoItem>& items, int globalBitrateKbps, bool isRunning,
                       int completedCount) {
  const bool anyCustom =
      std::any_of(items.begin(), items.end(), [](const VideoItem& item) { return item.customSettings.has_value(); });
  std::string text =
      anyCustom ? "含单独设置的条目" : "视频 " + std::to_string(globalBitrateKbps) + " kbps + 音频 " + std::to_string(kAudioKbps) + " kbps";
  if (!isRunning) return text;
  const auto probed = std::count_if(items.begin(), items.end(),
                                    [](const VideoItem& item) { return !item.status.is(ItemStatus::Kind::loading); });
  return "已完成 " + std::to_string(completedCount) + "/" + std::to_string(probed) + "  ·  " + text;
}

std::string countLine(int itemCount, const std::string& detail) {
  return "共 " + std::to_string(itemCount) + " 个文件 · " + detail;
}

bool canStart(const std::vector<VideoItem>& items) {
  return std::any_of(items.begin(), items.end(),
                     [](const VideoItem& item) { return item.status.is(ItemStatus::Kind::ready); });
}

bool startEnabled(bool isRunning, bool canStart) { return isRunning || canStart; }
double startOpacity(bool isRunning, bool canStart) { return startEnabled(isRunning, canStart) ? 1.0 : 0.4; }
std::string startTitle(bool isRunning) { return isRunning ? "取消压缩" : "开始压缩"; }
std::string startIcon(bool isRunning) { return isRunning ? "stop" : "wand-stars"; }

Shadow startShadow(bool isRunning, bool hovered) {
  const double radius = hovered ? 14 : 8;
  const double offsetY = hovered ? 7 : 3;
  if (isRunning) return {kStopRed, 0.28, radius, offsetY};
  return {Theme::deep, hovered ? 0.42 : 0.26, radius, offsetY};
}

double startScale(bool enabled, bool hovered) { return enabled && hovered ? 1.015 : 1.0; }
double startHighlight(bool hovered) { return hovered ? 0.14 : 0.0; }

Spring springFor(double responseSeconds, double dampingFraction) {
  constexpr double h = 0.016;  // seconds per step of Qt's spring
  const double omega = 2 * std::numbers::pi / responseSeconds;
  const double zeta = dampingFraction;
  // Qt's step makes the distance left follow e[n+1] = (2 − d − h·s)·e[n] − (1 − d)·e[n−1].
  // Choosing d and s so that the roots of that recurrence are the continuous
  // spring's poles sampled every h makes each step land on the true curve
  // (a plain Euler mapping damps far more than asked).
  const double decay = std::exp(-zeta * omega * h);
  const double turn = zeta < 1 ? std::cos(omega * std::sqrt(1 - zeta * zeta) * h)
                               : std::cosh(omega * std::sqrt(zeta * zeta - 1) * h);
  const double damping = 1 - decay * decay;
  const double spring = (2 - damping - 2 * decay * turn) / h;
  return {spring, damping};
}

}  // namespace kivotra::ui
