#include "ui/card_rules.h"

#include <algorithm>
#include <cmath>

#include "models/format.h"
#include "models/text.h"
#include "models/size_target.h"

namespace kivotra::ui {

namespace {

bool is(const ItemStatus& status, ItemStatus::Kind kind) { return status.kind() == kind; }

constexpr const char* kLargerThanSource = QT_TRANSLATE_NOOP("Card", "大于源文件");

}  // namespace

double thumbnailWidth(int srcWidth, int srcHeight) {
  constexpr double kMax = 84;
  constexpr double kMin = 28;
  if (srcWidth < 1 || srcHeight < 1) return kMax;
  const double w = kThumbnailHeight * srcWidth / srcHeight;
  return std::max(std::min(w, kMax), kMin);
}

std::string fileName(const VideoItem& item) { return item.url.filename().string(); }

Tone ratioTone(int srcWidth, int srcHeight) {
  if (srcWidth < 1 || srcHeight < 1) return Tone::tertiaryLabel;
  const double r = static_cast<double>(srcWidth) / srcHeight;
  if (r < 1) return Tone::portrait;
  if (r > 1.85) return Tone::wide;
  return Tone::secondaryLabel;
}

std::vector<Tag> tags(const VideoItem& item) {
  std::vector<Tag> result;
  result.push_back({ratioLabel(item.srcWidth, item.srcHeight), ratioTone(item.srcWidth, item.srcHeight)});
  if (item.srcFPS > 0) result.push_back({std::to_string(std::llround(item.srcFPS)) + " FPS", Tone::secondaryLabel});
  if (item.customSettings) result.push_back({translate("Card", "单独设置"), Tone::primary});
  if (is(item.status, ItemStatus::Kind::compressing) && item.etaSeconds && *item.etaSeconds > 3) {
    result.push_back({fillIn(translate("Card", "剩 %1"), {fmtDuration(*item.etaSeconds)}), Tone::primary});
  }
  return result;
}

std::string dimsText(const VideoItem& item, const ItemSettings& effective) {
  if (is(item.status, ItemStatus::Kind::loading)) return "—";
  const Dims dims = item.outputDims(effective);
  return std::to_string(dims.w) + "×" + std::to_string(dims.h);
}

SizeColumn sizeColumn(const VideoItem& item, const ItemSettings& effective) {
  using Kind = ItemStatus::Kind;
  switch (item.status.kind()) {
    case Kind::loading:
      return {SizeColumn::Kind::loading, "—", translate("Card", "读取中"), Tone::secondaryLabel};
    case Kind::ready: {
      const std::optional<int> kbps = videoKbpsFor(item, effective);
      if (!kbps && !(item.duration > 0)) return {SizeColumn::Kind::estimate, "—", translate("Card", "时长未知"), Tone::danger};
      if (!kbps) {
        const SizePlan plan = planForSize(item, effective.shortSide, effective.sizeLimitBytes);
        return {SizeColumn::Kind::estimate, "≈ " + fmtBytes(plan.smallestBytes), translate("Card", "超过上限"), Tone::danger};
      }
      return {SizeColumn::Kind::estimate, "≈ " + fmtBytes(estimatedOutputBytes(item, effective)), translate("Card", "预估"),
              Tone::primary, estimateExceedsSource(item, *kbps) ? translate("Card", kLargerThanSource) : ""};
    }
    case Kind::compressing:
      return {SizeColumn::Kind::progress, progressText(item.progress), "", Tone::primary};
    case Kind::done:
      return {SizeColumn::Kind::result, fmtBytes(item.actualSize.value_or(0)), "", Tone::primary,
              outputLargerThanSource(item) ? translate("Card", kLargerThanSource) : ""};
    case Kind::failed:
      return {SizeColumn::Kind::failed, translate("Card", "失败"), item.status.message(), Tone::danger};
  }
  return {SizeColumn::Kind::loading, "—", translate("Card", "读取中"), Tone::secondaryLabel};
}

CardControls cardControls(const ItemStatus& status, bool isRunning) {
  const bool compressing = is(status, ItemStatus::Kind::compressing);
  const bool locked = compressing || isRunning;
  return {
      .clickable = !locked,
      .editEnabled = !locked,
      .editOpacity = locked ? 0.3 : 1.0,
      .removeEnabled = !locked,
      .removeOpacity = compressing ? 0.25 : 0.85,
      .showStop = compressing,
      .showReveal = is(status, ItemStatus::Kind::done),
      .showProgressBar = compressing || is(status, ItemStatus::Kind::done),
  };
}

Stroke cardBorder(bool isEditing, const ItemStatus& status) {
  if (isEditing) return {Tone::primary, 0.75, 1.5};
  if (is(status, ItemStatus::Kind::compressing)) return {Tone::primary, 0.55, 1.5};
  return {Tone::separator, 0.45, 1};
}

Fill cardBackground(bool isEditing) {
  if (isEditing) return {Tone::soft, 0.75};
  return {Tone::controlBackground, 1};
}

Tone editIconTone(bool isEditing, bool hasCustomSettings) {
  return isEditing || hasCustomSettings ? Tone::primary : Tone::secondaryLabel;
}

double progressFraction(const ItemStatus& status, double progress) {
  if (is(status, ItemStatus::Kind::done)) return 1;
  return std::clamp(progress, 0.0, 1.0);
}

double progressBarWidth(double trackWidth, double fraction) { return std::max(trackWidth * fraction, 3.0); }

}  // namespace kivotra::ui
