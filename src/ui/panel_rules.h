#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "models/item_settings.h"
#include "models/text.h"
#include "models/tiers.h"
#include "models/uuid.h"
#include "models/video_item.h"

namespace kivotra::ui {

// The rules of the parameter panel, plain C++ so they can be tested without
// a display. The QObject in parameter_panel.h binds them to the window.

struct Choice {
  const char* label;
  int value;
};

// The tier segments, largest first as the picker shows them.
inline constexpr std::array<Choice, kTiers.size()> kTierChoices = [] {
  std::array<Choice, kTiers.size()> choices{};
  for (std::size_t i = 0; i < kTiers.size(); ++i) {
    const Tier& tier = kTiers[kTiers.size() - 1 - i];
    choices[i] = {tier.label, tier.shortSide};
  }
  return choices;
}();
// 0 keeps the source's frame rate.
inline constexpr std::array<Choice, 5> kFpsChoices{{{QT_TRANSLATE_NOOP("Panel", "原始"), 0}, {"60", 60}, {"50", 50}, {"30", 30}, {"25", 25}}};

// The bitrate block's two ways of setting the bitrate: a number, or a size
// every output has to stay under (1).
inline constexpr std::array<Choice, 2> kBitrateModeChoices{{{QT_TRANSLATE_NOOP("Panel", "按码率"), 0}, {QT_TRANSLATE_NOOP("Panel", "按大小"), 1}}};

// The slider's range in kbit/s; the number field is not bound by it.
inline constexpr int kBitrateSliderFrom = 2000;
inline constexpr int kBitrateSliderTo = 40000;
inline constexpr int kBitrateSliderStep = 100;

// The parameters that apply to one item: its own, else the global ones, which
// are parked in editingBackup while some file is edited and are the panel's
// otherwise.
ItemSettings effectiveParameters(const VideoItem& item, const std::optional<ItemSettings>& editingBackup,
                                 const ItemSettings& panel);
// The global parameters: the parked ones while editing, else the panel's.
ItemSettings globalParameters(const std::optional<ItemSettings>& editingBackup, const ItemSettings& panel);

// The files whose output decides whether a tier switch changes the bitrate:
// the edited file when there is one, else every file no longer loading.
std::vector<const VideoItem*> tierTestFiles(const std::vector<VideoItem>& items, const std::optional<Uuid>& editingID);

// True when one of files gets another output size under the new tier (with
// fit and noUpscale as given), and also when there is no file to test.
bool outputDimsWouldChange(const std::vector<const VideoItem*>& files, FitMode fit, bool noUpscale, int fromSide,
                           int toSide);

// The bitrate field shows 0 as an empty field.
std::string bitrateFieldText(int kbps);
// What the field takes: a whole number, optionally signed, with blanks around
// it; an empty field is 0. Anything else, or a number the encoder cannot
// honour, is refused.
std::optional<int> parseBitrateField(std::string_view text);
// The slider's value as the bitrate it stores: truncated toward zero.
int bitrateFromSlider(double value);

// The size field shows the limit in MB of 1024 × 1024 bytes, with at most
// two decimals and no trailing zeros.
std::string sizeLimitFieldText(std::int64_t bytes);
// What the size field takes: a positive number of MB ("25", "9.5", blanks
// around it); the bytes, or none for anything else.
std::optional<std::int64_t> parseSizeLimitField(std::string_view text);

// The note of the output block: only while outputs go next to their sources.
std::string outputNote(bool hasOutputFolder);

}  // namespace kivotra::ui
