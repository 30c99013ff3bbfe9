#pragma once

#include <string>

#include "ui/card_rules.h"

namespace kivotra::ui {

// The list takes at most this many files; finished and failed ones count too.
inline constexpr int kMaxItems = 5;

bool listFull(int itemCount);
// "0 / 5"
std::string countText(int itemCount);
Tone countTone(int itemCount);
// The line under the drop zone's title.
std::string dropHintText(int itemCount);
double dropZoneOpacity(int itemCount);

}  // namespace kivotra::ui
