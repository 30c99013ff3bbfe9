#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "models/item_settings.h"
#include "ui/theme.h"
#include "models/video_item.h"

namespace kivotra::ui {

// The rules of the tip box, the summary card and the start control.

// How the output canvas is sized under the panel's tier and fit, e.g.
// "统一为 16:9 横屏画布：输出 1920×1080，竖屏素材将两侧加黑边".
std::string tipText(int shortSide, FitMode fit);

// Sum of every item's estimate under its effective parameters; unprobed items add 0.
std::int64_t estimatedTotal(const std::vector<VideoItem>& items, const std::optional<ItemSettings>& editingBackup,
                            const ItemSettings& panel);
// Sum of the sources' sizes; unprobed items add 0.
std::int64_t totalOriginal(const std::vector<VideoItem>& items);

struct Saving {
  enum class Kind { none, percent, sourceSmaller };
  Kind kind = Kind::none;
  std::string text;  // "↓ 61.5%", "源已较小" or empty
  bool operator==(const Saving&) const = default;
};
Saving saving(std::int64_t estimated, std::int64_t original);

// "≈ 36.7 MB"
std::string totalText(std::int64_t estimated);

// The bitrates (or the size limit in size mode), or "含单独设置的条目" once any
// file has its own parameters; while the queue runs after "已完成 n/T" and,
// once measured, the time left for the whole queue.
std::string detailText(const std::vector<VideoItem>& items, const ItemSettings& global, bool isRunning,
                       int completedCount, std::optional<double> queueSecondsLeft = std::nullopt);
// "共 3 个文件 · " and the detail.
std::string countLine(int itemCount, const std::string& detail);

// At least one item is ready to be compressed.
bool canStart(const std::vector<VideoItem>& items);

// The start control: enabled while running (it stops the queue) or when a
// file is ready; a disabled control is drawn at 0.4.
bool startEnabled(bool isRunning, bool canStart);
double startOpacity(bool isRunning, bool canStart);
std::string startTitle(bool isRunning);
std::string startIcon(bool isRunning);

// The control's shadow (no horizontal offset), in points.
struct Shadow {
  Theme::Colour colour;
  double opacity;
  double radius;
  double offsetY;
};
Shadow startShadow(bool isRunning, bool hovered);
// An enabled control grows a little under the pointer.
double startScale(bool enabled, bool hovered);
// Opacity of the white layer over the fill.
double startHighlight(bool hovered);

// A spring given as response (seconds per undamped oscillation) and damping
// fraction, in the terms of Qt Quick's SpringAnimation, which advances in
// 16 ms steps by v += spring·Δ − damping·v.
struct Spring {
  double spring;
  double damping;
};
Spring springFor(double responseSeconds, double dampingFraction);

}  // namespace kivotra::ui
