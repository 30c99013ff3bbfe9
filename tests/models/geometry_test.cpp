#include "models/geometry.h"

#include <gtest/gtest.h>

#include "models/item_settings.h"

using namespace kivotra;

// Sides are even, rounded half away and then up (1366×768 at 720 gives 1282).
TEST(OutputDims, ShortSideFitAndUpscaleAsTheWindowAndEngineAgree) {
  const struct {
    int w, h, side;
    FitMode fit;
    bool noUpscale;
    int outW, outH;
  } rows[] = {
      {1920, 1080, 720, FitMode::keep, true, 1280, 720},
      {540, 960, 720, FitMode::keep, true, 540, 960},
      {540, 960, 720, FitMode::keep, false, 720, 1280},
      {1440, 1080, 720, FitMode::keep, true, 960, 720},
      {1366, 768, 720, FitMode::keep, true, 1282, 720},
      {720, 1280, 720, FitMode::pad, true, 1280, 720},
      {720, 1280, 1080, FitMode::crop, true, 1280, 720},
      {1920, 1080, 2160, FitMode::crop, true, 1920, 1080},
      {640, 480, 720, FitMode::crop, true, 854, 480},
      {640, 480, 1080, FitMode::crop, false, 1920, 1080},
      {1920, 800, 1080, FitMode::pad, true, 1422, 800},
      {1, 1, 720, FitMode::keep, true, 2, 2},
      // An unknown source gives the square tier, unrounded; crop and pad are landscape for any shape.
      {0, 0, 1080, FitMode::crop, true, 1080, 1080},
      {1920, 0, 1081, FitMode::keep, false, 1081, 1081},
      {2160, 3840, 1080, FitMode::crop, true, 1920, 1080},
      {2000, 2000, 1080, FitMode::pad, true, 1920, 1080},
  };
  for (const auto& r : rows) {
    EXPECT_EQ(outputDims(r.w, r.h, {r.side, 0, 5000, r.fit, r.noUpscale}), (Dims{r.outW, r.outH}))
        << r.w << "x" << r.h << "@" << r.side << "/" << rawValue(r.fit) << (r.noUpscale ? "/noUpscale" : "");
  }
}
