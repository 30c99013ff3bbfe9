#include "models/fit_mode.h"

#include "models/text.h"

namespace kivotra {

std::string_view rawValue(FitMode mode) {
  switch (mode) {
    case FitMode::keep: return QT_TRANSLATE_NOOP("FitMode", "保持原始");
    case FitMode::crop: return QT_TRANSLATE_NOOP("FitMode", "裁切 16:9");
    case FitMode::pad: return QT_TRANSLATE_NOOP("FitMode", "加黑边 16:9");
  }
  return {};
}

std::optional<FitMode> fitModeFromRaw(std::string_view raw) {
  for (FitMode mode : kAllFitModes) {
    if (rawValue(mode) == raw) return mode;
  }
  return std::nullopt;
}

}  // namespace kivotra
