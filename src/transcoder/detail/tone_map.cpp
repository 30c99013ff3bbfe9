#include "transcoder/detail/tone_map.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

extern "C" {
#include <libavutil/mastering_display_metadata.h>
#include <libavutil/rational.h>
}

namespace kivotra::detail {

namespace {

constexpr double referenceWhite = 100.0;  // cd/m²
constexpr float knee = 0.3f;              // below it the curve is the identity

// Four pixels at a time, in vectors GCC and Clang map onto SSE (or split
// where a machine has less).
using Floats = float __attribute__((vector_size(16)));
constexpr int lanes = sizeof(Floats) / sizeof(float);

// The Möbius curve's constants for one picture (libavfilter computes them per
// pixel, in double, and rounds them to float; the same here).
struct Curve {
  explicit Curve(double peak)
      : a(static_cast<float>(-knee * knee * (peak - 1.0f) / (knee * knee - 2.0f * knee + peak))),
        b(static_cast<float>((knee * knee - 2.0f * knee * peak + peak) / std::max(peak - 1.0f, 1e-6))),
        scale((b * b + 2.0f * b * knee + knee * knee) / (b - a)) {}
  float a, b, scale;

  // What a pixel is multiplied by: curve(brightest) / brightest above the
  // knee, 1 below it. The float operations and their order are those of
  // libavfilter's mobius(), so the result is the same to the last bit.
  template <class T>
  T factor(T r, T g, T b0) const {
    T brightest = r > g ? r : g;
    brightest = brightest > b0 ? brightest : b0;  // (libavfilter floors it at 1e-6, below the knee: a no-op)
    const T rolledOff = scale * (brightest + a) / (brightest + b) / brightest;
    return brightest > T{} + knee ? rolledOff : T{} + 1.0f;
  }
};

Floats load(const float* p) {
  Floats v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

void store(float* p, Floats v) { std::memcpy(p, &v, sizeof v); }

void toneMapRow(float* g, float* b, float* r, int width, const Curve& curve) {
  int x = 0;
  for (; x + lanes <= width; x += lanes) {
    const Floats rv = load(r + x), gv = load(g + x), bv = load(b + x);
    const Floats factor = curve.factor(rv, gv, bv);
    store(r + x, rv * factor);
    store(g + x, gv * factor);
    store(b + x, bv * factor);
  }
  for (; x < width; ++x) {
    const float factor = curve.factor(r[x], g[x], b[x]);
    r[x] *= factor;
    g[x] *= factor;
    b[x] *= factor;
  }
}

}  // namespace

double hdrSignalPeak(const AVFrame& frame) {
  double peak = 0;
  if (const AVFrameSideData* sd = av_frame_get_side_data(&frame, AV_FRAME_DATA_CONTENT_LIGHT_LEVEL)) {
    peak = reinterpret_cast<const AVContentLightMetadata*>(sd->data)->MaxCLL / referenceWhite;
  }
  if (const AVFrameSideData* sd = av_frame_get_side_data(&frame, AV_FRAME_DATA_MASTERING_DISPLAY_METADATA);
      peak == 0 && sd != nullptr) {
    const auto* mastering = reinterpret_cast<const AVMasteringDisplayMetadata*>(sd->data);
    if (mastering->has_luminance) peak = av_q2d(mastering->max_luminance) / referenceWhite;
  }
  // The picture reaches here in linear light, so an unstated peak is HLG's.
  return peak != 0 ? peak : 10.0;
}

void toneMapMobius(AVFrame& frame, double peak) {
  const Curve curve(peak);
  for (int y = 0; y < frame.height; ++y) {
    const auto row = [&](int plane) {
      return reinterpret_cast<float*>(frame.data[plane] + static_cast<std::ptrdiff_t>(y) * frame.linesize[plane]);
    };
    toneMapRow(row(0), row(1), row(2), frame.width, curve);
  }
}

}  // namespace kivotra::detail
