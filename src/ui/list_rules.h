#pragma once

#include <string>

#include "state/intake.h"
#include "ui/card_rules.h"

namespace kivotra::ui {

bool listFull(int itemCount);
// "0 / 5"
std::string countText(int itemCount);
Tone countTone(int itemCount);
// The line under the drop zone's title.
std::string dropHintText(int itemCount);
double dropZoneOpacity(int itemCount);

}  // namespace kivotra::ui
