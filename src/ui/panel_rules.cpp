#include "ui/panel_rules.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

#include "models/format.h"
#include "models/size_target.h"
#include "transcoder/transcoder.h"

namespace kivotra::ui {

ItemSettings globalParameters(const std::optional<ItemSettings>& editingBackup, const ItemSettings& panel) {
  return editingBackup.value_or(panel);
}

ItemSettings effectiveParameters(const VideoItem& item, const std::optional<ItemSettings>& editingBackup,
                                 const ItemSettings& panel) {
  return effectiveSettings(item, globalParameters(editingBackup, panel));
}

std::vector<const VideoItem*> tierTestFiles(const std::vector<VideoItem>& items, const std::optional<Uuid>& editingID) {
  std::vector<const VideoItem*> files;
  if (editingID) {
    for (const VideoItem& item : items) {
      if (item.id == *editingID) return {&item};
    }
  }
  for (const VideoItem& item : items) {
    if (!item.status.is(ItemStatus::Kind::loading)) files.push_back(&item);
  }
  return files;
}

bool outputDimsWouldChange(const std::vector<const VideoItem*>& files, FitMode fit, bool noUpscale, int fromSide,
                           int toSide) {
  if (files.empty()) return true;
  ItemSettings before;
  before.fit = fit;
  before.noUpscale = noUpscale;
  before.shortSide = fromSide;
  ItemSettings after = before;
  after.shortSide = toSide;
  for (const VideoItem* file : files) {
    if (file->outputDims(before) != file->outputDims(after)) return true;
  }
  return false;
}

std::string bitrateFieldText(int kbps) { return kbps == 0 ? std::string() : std::to_string(kbps); }

std::optional<int> parseBitrateField(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  if (text.empty()) return 0;
  if (text.front() == '+') {
    text.remove_prefix(1);
    if (text.empty() || text.front() == '-') return std::nullopt;
  }
  int value = 0;
  const char* end = text.data() + text.size();
  auto [stop, ec] = std::from_chars(text.data(), end, value);
  if (ec != std::errc() || stop != end) return std::nullopt;
  if (value < Transcoder::kMinBitrateKbps || value > Transcoder::kMaxBitrateKbps) return std::nullopt;
  return value;
}

int bitrateFromSlider(double value) {
  if (!std::isfinite(value)) return kBitrateSliderFrom;
  const double bounded = std::clamp(value, static_cast<double>(std::numeric_limits<int>::min()),
                                    static_cast<double>(std::numeric_limits<int>::max()));
  return static_cast<int>(std::trunc(bounded));
}

std::string sizeLimitFieldText(std::int64_t bytes) {
  std::string text = formatFixed(static_cast<double>(bytes) / (1024.0 * 1024.0), 2);
  if (text.find('.') != std::string::npos) {
    while (text.back() == '0') text.pop_back();
    if (text.back() == '.') text.pop_back();
  }
  return text;
}

std::optional<std::int64_t> parseSizeLimitField(std::string_view text) {
  // Only a bare number: a unit typed into the field is refused, not doubled.
  const std::string number(text);
  if (number.find_first_not_of("0123456789. ") != std::string::npos) return std::nullopt;
  return parseSizeText(number + "M");
}

std::string outputNote(bool hasOutputFolder) { return hasOutputFolder ? std::string() : translate("Panel", "保存到视频所在文件夹"); }

}  // namespace kivotra::ui
