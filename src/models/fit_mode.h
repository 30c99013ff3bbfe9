#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace kivotra {

// How a source frame is fitted to the output canvas. The raw value is both the
// label the panel shows and the identity of the case.
enum class FitMode { keep, crop, pad };

inline constexpr std::array<FitMode, 3> kAllFitModes{FitMode::keep, FitMode::crop, FitMode::pad};

std::string_view rawValue(FitMode mode);

// Succeeds only on an exact match of one of the three labels.
std::optional<FitMode> fitModeFromRaw(std::string_view raw);

}  // namespace kivotra
