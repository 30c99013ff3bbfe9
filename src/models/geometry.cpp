#include "models/geometry.h"

#include <algorithm>
#include <cmath>

namespace kivotra {

int even(double value) {
  double rounded = std::round(value);  // halves away from zero
  if (!(rounded >= 2)) return 2;       // also catches NaN
  if (rounded > 1e9) rounded = 1e9;    // keep absurd inputs inside int
  int n = static_cast<int>(rounded);
  return n % 2 == 0 ? n : n + 1;
}

Dims outputDims(int srcWidth, int srcHeight, const ItemSettings& settings) {
  const int s = settings.shortSide;
  if (srcWidth < 1 || srcHeight < 1) return {s, s};

  const double side = s;
  double width = 0;
  double height = 0;
  if (settings.fit == FitMode::crop || settings.fit == FitMode::pad) {
    height = side;
    width = side * 16 / 9;
  } else {
    const double r = static_cast<double>(srcWidth) / srcHeight;
    if (r >= 1) {
      height = side;
      width = r * side;
    } else {
      width = side;
      height = side / r;
    }
  }

  if (settings.noUpscale) {
    const double srcShort = std::min(srcWidth, srcHeight);
    const double targetShort = std::min(width, height);
    const double factor = std::min(srcShort / targetShort, 1.0);
    width *= factor;
    height *= factor;
  }
  return {even(width), even(height)};
}

}  // namespace kivotra
