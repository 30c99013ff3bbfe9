#include "ui/summary_rules.h"

#include <QCoreApplication>
#include <algorithm>
#include <cmath>
#include <numbers>

#include "models/format.h"
#include "models/geometry.h"
#include "models/text.h"
#include "models/size_target.h"
#include "ui/panel_rules.h"

namespace kivotra::ui {

std::string tipText(int shortSide, FitMode fit) {
  const std::string s = std::to_string(shortSide);
  const std::string l = std::to_string(even(shortSide * 16.0 / 9.0));
  if (fit != FitMode::keep) {
    return fillIn(fit == FitMode::crop ? translate("Summary", "统一为 16:9 横屏画布：输出 %1×%2，竖屏素材将居中裁切")
                                       : translate("Summary", "统一为 16:9 横屏画布：输出 %1×%2，竖屏素材将两侧加黑边"),
                  {l, s});
  }
  const std::string wide = std::to_string(even(shortSide * 2.35));
  return fillIn(translate("Summary", "长边按画面比例自动计算：16:9 → %1×%2，9:16 → %2×%1，2.35:1 → %3×%2"), {l, s, wide});
}

std::int64_t estimatedTotal(const std::vector<VideoItem>& items, const std::optional<ItemSettings>& editingBackup,
                            const ItemSettings& panel) {
  std::int64_t total = 0;
  for (const VideoItem& item : items) {
    total += estimatedOutputBytes(item, effectiveParameters(item, editingBackup, panel));
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
  return {Saving::Kind::sourceSmaller, translate("Summary", "源已较小")};
}

std::string totalText(std::int64_t estimated) { return "≈ " + fmtBytes(estimated); }

std::string detailText(const std::vector<VideoItem>& items, const ItemSettings& global, bool isRunning,
                       int completedCount, std::optional<double> queueSecondsLeft) {
  const bool anyCustom =
      std::any_of(items.begin(), items.end(), [](const VideoItem& item) { return item.customSettings.has_value(); });
  std::string text = anyCustom      ? translate("Summary", "含单独设置的条目")
                     : global.bySize ? fillIn(translate("Summary", "每个不超过 %1"), {fmtBytes(global.sizeLimitBytes)})
                                     : fillIn(translate("Summary", "视频 %1 kbps + 音频 %2 kbps"),
                                              {std::to_string(global.bitrateKbps), std::to_string(kAudioKbps)});
  if (!isRunning) return text;
  const auto probed = std::count_if(items.begin(), items.end(),
                                    [](const VideoItem& item) { return !item.status.is(ItemStatus::Kind::loading); });
  std::string progress =
      fillIn(translate("Summary", "已完成 %1/%2"), {std::to_string(completedCount), std::to_string(probed)});
  if (queueSecondsLeft) progress += fillIn(translate("Summary", "  ·  全部剩 %1"), {fmtDuration(*queueSecondsLeft)});
  return progress + "  ·  " + text;
}

std::string countLine(int itemCount, const std::string& detail) {
  return QCoreApplication::translate("Summary", "共 %n 个文件 · %1", nullptr, itemCount)
      .arg(QString::fromStdString(detail))
      .toStdString();
}

bool canStart(const std::vector<VideoItem>& items) {
  return std::any_of(items.begin(), items.end(),
                     [](const VideoItem& item) { return item.status.is(ItemStatus::Kind::ready); });
}

bool startEnabled(bool isRunning, bool canStart) { return isRunning || canStart; }
double startOpacity(bool isRunning, bool canStart) { return startEnabled(isRunning, canStart) ? 1.0 : 0.4; }
std::string startTitle(bool isRunning) { return isRunning ? translate("Summary", "取消压缩") : translate("Summary", "开始压缩"); }
std::string startIcon(bool isRunning) { return isRunning ? "stop" : "wand-stars"; }

Shadow startShadow(bool isRunning, bool hovered) {
  const double radius = hovered ? 14 : 8;
  const double offsetY = hovered ? 7 : 3;
  if (isRunning) return {Theme::stopRed, 0.28, radius, offsetY};
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
