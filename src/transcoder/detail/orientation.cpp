#include "transcoder/detail/orientation.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/display.h>
}

#include <cmath>
#include <cstring>

namespace kivotra::av {

const std::int32_t* displayMatrix(const AVStream* stream) {
  size_t size = 0;
  const std::uint8_t* data = av_stream_get_side_data(stream, AV_PKT_DATA_DISPLAYMATRIX, &size);
  if (data == nullptr || size < 9 * sizeof(std::int32_t)) return nullptr;
  return reinterpret_cast<const std::int32_t*>(data);
}

Orientation orientationOf(const std::int32_t* matrix) {
  if (matrix == nullptr) return {};
  std::int32_t m[9];
  std::memcpy(m, matrix, sizeof m);
  Orientation o;
  // A negative determinant mirrors; undo the mirror to read the turn.
  if (static_cast<double>(m[0]) * m[4] - static_cast<double>(m[1]) * m[3] < 0) {
    o.mirrored = true;
    av_display_matrix_flip(m, 1, 0);
  }
  // av_display_rotation_get counts counter-clockwise.
  const double counterClockwise = av_display_rotation_get(m);
  if (std::isnan(counterClockwise)) return {};
  const long quarter = std::lround(-counterClockwise / 90.0);
  o.clockwise = static_cast<int>(((quarter % 4) + 4) % 4) * 90;
  return o;
}

Size uprightSize(double naturalWidth, double naturalHeight, const std::int32_t* matrix) {
  double a = 1, b = 0, c = 0, d = 1;
  if (matrix != nullptr) {
    a = matrix[0] / 65536.0;
    b = matrix[1] / 65536.0;
    c = matrix[3] / 65536.0;
    d = matrix[4] / 65536.0;
  }
  // The bounding box of the rectangle's corners mapped by (x, y) -> (ax + cy, bx + dy).
  const double width = std::abs(a * naturalWidth) + std::abs(c * naturalHeight);
  const double height = std::abs(b * naturalWidth) + std::abs(d * naturalHeight);
  const double w = std::round(width), h = std::round(height);
  if (w >= 1 && h >= 1 && w <= INT32_MAX && h <= INT32_MAX) return {static_cast<int>(w), static_cast<int>(h)};
  return {static_cast<int>(std::trunc(std::abs(naturalWidth))), static_cast<int>(std::trunc(std::abs(naturalHeight)))};
}

double naturalWidth(int codedWidth, int sarNum, int sarDen) {
  if (sarNum <= 0 || sarDen <= 0) return codedWidth;
  return static_cast<double>(codedWidth) * sarNum / sarDen;
}

Size displaySize(const AVStream* stream) {
  const AVCodecParameters* par = stream->codecpar;
  const AVRational sar = stream->sample_aspect_ratio.num > 0 ? stream->sample_aspect_ratio : par->sample_aspect_ratio;
  return uprightSize(naturalWidth(par->width, sar.num, sar.den), par->height, displayMatrix(stream));
}

}  // namespace kivotra::av
