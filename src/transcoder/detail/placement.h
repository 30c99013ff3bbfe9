#pragma once

#include <cstdint>

#include "models/fit_mode.h"
#include "models/geometry.h"
#include "transcoder/detail/orientation.h"

namespace kivotra::detail {

struct PixelRect {
  int x = 0;
  int y = 0;
  int w = 0;
  int h = 0;
  bool operator==(const PixelRect&) const = default;
};

// Where one stored frame goes on the canvas: the part of it that stays
// visible, the size it is scaled to (still stored orientation), how it is
// turned upright and where that upright picture sits on the black canvas.
// Every size and offset is even, as 4:2:0 chroma needs.
struct Placement {
  int storedWidth = 0;
  int storedHeight = 0;
  PixelRect crop;       // in stored pixels
  int scaledWidth = 0;  // stored orientation
  int scaledHeight = 0;
  av::Orientation orientation;
  int x = 0;  // upright picture's top-left corner on the canvas
  int y = 0;
  Dims canvas;

  int uprightWidth() const { return orientation.swapsSides() ? scaledHeight : scaledWidth; }
  int uprightHeight() const { return orientation.swapsSides() ? scaledWidth : scaledHeight; }
  bool cropsSource() const { return crop != PixelRect{0, 0, storedWidth, storedHeight}; }
  bool fillsCanvas() const { return uprightWidth() == canvas.w && uprightHeight() == canvas.h; }
};

// One uniform scale: crop takes the larger of the two factors (the picture
// covers the canvas, the overflow is cut evenly on both sides), keep and pad
// the smaller (all of the picture shows, centred between black bands).
// pixelAspect is the source's sample aspect ratio (1 for square pixels).
Placement placeFrame(int storedWidth, int storedHeight, double pixelAspect, av::Orientation orientation,
                     Dims canvas, FitMode fit);

}  // namespace kivotra::detail
