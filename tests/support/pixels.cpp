#include <algorithm>

#include "support/fixture_tool.h"
#include "support/media_fixtures.h"

namespace kivotra::fixtures {

namespace pattern {

Rect marker(int w, int h) { return {0, 0, w / 4, h / 4}; }

Rect tail(int w, int h) { return {w / 4, 0, w / 4, std::max(2, h / 16)}; }

Rect counterCell(int w, int h, int bit) {
  const int top = h - std::max(1, h / 8);
  const int left = bit * w / 8;
  return {left, top, (bit + 1) * w / 8 - left, h - top};
}

}  // namespace pattern

double Image::mean(const Rect& r, int channel) const {
  const int x0 = std::max(0, r.x), y0 = std::max(0, r.y);
  const int x1 = std::min(width, r.x + r.w), y1 = std::min(height, r.y + r.h);
  if (x1 <= x0 || y1 <= y0) detail::fail("mean over an empty rectangle");
  double sum = 0;
  for (int y = y0; y < y1; ++y) {
    for (int x = x0; x < x1; ++x) sum += at(x, y, channel);
  }
  return sum / (static_cast<double>(x1 - x0) * (y1 - y0));
}

Rect uprightRect(const Rect& s, int w, int h, int rotation, bool hflip) {
  const int turns = ((rotation % 360) + 360) % 360;
  Rect r;
  int displayWidth = w;
  switch (turns) {
    case 0: r = s; break;
    case 90: r = {h - (s.y + s.h), s.x, s.h, s.w}; displayWidth = h; break;
    case 180: r = {w - (s.x + s.w), h - (s.y + s.h), s.w, s.h}; break;
    case 270: r = {s.y, w - (s.x + s.w), s.h, s.w}; displayWidth = h; break;
    default: detail::fail("rotation must be a multiple of 90 degrees");
  }
  if (hflip) r.x = displayWidth - (r.x + r.w);
  return r;
}

int readFrameCounter(const Image& img, const Rect& picture) {
  // Midway between the "off" grey and white, in RGB and in limited-range luma.
  constexpr double threshold = 150;
  int value = 0;
  for (int bit = 0; bit < 8; ++bit) {
    const Rect cell = pattern::counterCell(picture.w, picture.h, bit);
    // The cell's middle half only: scaling and chroma bleed blur its edges.
    const Rect inner{picture.x + cell.x + cell.w / 4, picture.y + cell.y + cell.h / 4, std::max(1, cell.w / 2),
                     std::max(1, cell.h / 2)};
    if (img.mean(inner) > threshold) value |= 1 << bit;
  }
  return value;
}

}  // namespace kivotra::fixtures
