#include "transcoder/detail/placement.h"

#include <algorithm>
#include <cmath>

namespace kivotra::detail {

namespace {

int roundEven(double value) { return static_cast<int>(std::lround(value / 2)) * 2; }

// A scaled length on a canvas side: a band thinner than two pixels is not
// worth a black sliver, so the picture then fills that side.
int fitToSide(double length, int side) {
  if (length >= side - 2.0) return side;
  return std::clamp(roundEven(length), 2, side);
}

// The centred visible part of a stored side, even and inside the picture.
void centredSpan(double visible, int full, int& offset, int& length) {
  const int evenFull = std::max(2, full & ~1);
  length = visible >= full - 1.0 ? evenFull : std::clamp(roundEven(visible), 2, evenFull);
  offset = ((full - length) / 2) & ~1;
}

}  // namespace

Placement placeFrame(int storedWidth, int storedHeight, double pixelAspect, av::Orientation orientation,
                     Dims canvas, FitMode fit) {
  Placement p;
  p.storedWidth = storedWidth;
  p.storedHeight = storedHeight;
  p.orientation = orientation;
  p.canvas = canvas;
  if (!(pixelAspect > 0) || !std::isfinite(pixelAspect)) pixelAspect = 1;

  // Displayed size of the stored picture, then turned upright.
  const double shownW = std::max(1.0, storedWidth * pixelAspect);
  const double shownH = std::max(1.0, static_cast<double>(storedHeight));
  const double dw = orientation.swapsSides() ? shownH : shownW;
  const double dh = orientation.swapsSides() ? shownW : shownH;

  const double sx = canvas.w / dw;
  const double sy = canvas.h / dh;
  const double s = fit == FitMode::crop ? std::max(sx, sy) : std::min(sx, sy);

  const int outW = fitToSide(s * dw, canvas.w);
  const int outH = fitToSide(s * dh, canvas.h);
  // The upright part that lands on the canvas, in displayed units.
  const double visibleW = std::min(dw, canvas.w / s);
  const double visibleH = std::min(dh, canvas.h / s);
  const double storedVisibleW = (orientation.swapsSides() ? visibleH : visibleW) / pixelAspect;
  const double storedVisibleH = orientation.swapsSides() ? visibleW : visibleH;
  centredSpan(storedVisibleW, std::max(storedWidth, 2), p.crop.x, p.crop.w);
  centredSpan(storedVisibleH, std::max(storedHeight, 2), p.crop.y, p.crop.h);

  p.scaledWidth = orientation.swapsSides() ? outH : outW;
  p.scaledHeight = orientation.swapsSides() ? outW : outH;
  p.x = ((canvas.w - outW) / 2) & ~1;
  p.y = ((canvas.h - outH) / 2) & ~1;
  return p;
}

}  // namespace kivotra::detail
