#pragma once

#include <cstdint>

extern "C" {
struct AVStream;
}

namespace kivotra::av {

// How a stored picture is shown, from the stream's display matrix: turned
// clockwise by `clockwise` degrees, then mirrored left-right. Angles that are
// not quarter turns are rounded to the nearest one.
struct Orientation {
  int clockwise = 0;  // 0, 90, 180 or 270
  bool mirrored = false;

  bool swapsSides() const { return clockwise == 90 || clockwise == 270; }
  bool operator==(const Orientation&) const = default;
};

// The display matrix (9 values, 16.16 fixed point except the last column) of
// a stream, or null when it has none.
const std::int32_t* displayMatrix(const AVStream* stream);

Orientation orientationOf(const std::int32_t* matrix);

struct Size {
  int width = 0;
  int height = 0;
  bool operator==(const Size&) const = default;
};

// The upright size of a picture of naturalWidth x naturalHeight under the
// matrix (null: identity): the transformed rectangle's sides rounded half away
// from zero, or the natural sides truncated when either would be below 1.
Size uprightSize(double naturalWidth, double naturalHeight, const std::int32_t* matrix);

// The stored size with the pixel aspect ratio applied: what the width is on
// screen before any rotation. A missing or invalid ratio counts as square.
double naturalWidth(int codedWidth, int sarNum, int sarDen);

// A video stream's upright display size: its natural size (pixel aspect
// applied) through its display matrix.
Size displaySize(const AVStream* stream);

}  // namespace kivotra::av
