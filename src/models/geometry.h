#pragma once

#include "models/item_settings.h"

namespace kivotra {

struct Dims {
  int w = 0;
  int h = 0;
  bool operator==(const Dims&) const = default;
};

// Rounds half away from zero, at least 2, odd values go up to the next even.
int even(double value);

// The one output-size rule: the window shows it and the engine renders it.
// srcWidth/srcHeight are the upright display size; below 1 means unknown.
Dims outputDims(int srcWidth, int srcHeight, const ItemSettings& settings);

}  // namespace kivotra
