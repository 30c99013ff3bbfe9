#include <gtest/gtest.h>

extern "C" {
#include <libavutil/display.h>
}

#include "transcoder/orientation.h"

using namespace kivotra::av;

namespace {

struct Matrix {
  std::int32_t m[9];
};

Matrix turned(int clockwise, bool mirrored) {
  Matrix x;
  av_display_rotation_set(x.m, clockwise);  // positive: clockwise on screen
  av_display_matrix_flip(x.m, mirrored, 0);
  return x;
}

}  // namespace

TEST(Orientation, ReadsQuarterTurnsAndMirrors) {
  EXPECT_EQ(orientationOf(nullptr), (Orientation{0, false}));
  for (int clockwise : {0, 90, 180, 270}) {
    for (bool mirrored : {false, true}) {
      EXPECT_EQ(orientationOf(turned(clockwise, mirrored).m), (Orientation{clockwise, mirrored}))
          << clockwise << " " << mirrored;
    }
  }
  // A phone's portrait recording stores {0, 1, -1, 0}: a clockwise quarter turn.
  const Matrix phone{{0, 65536, 0, -65536, 0, 0, 0, 0, 1 << 30}};
  EXPECT_EQ(orientationOf(phone.m), (Orientation{90, false}));
  EXPECT_EQ(orientationOf(turned(-92, false).m).clockwise, 270);  // nearest quarter
}

TEST(Orientation, UprightSizeSwapsSidesForQuarterTurns) {
  EXPECT_EQ(uprightSize(1920, 1080, nullptr), (Size{1920, 1080}));
  EXPECT_EQ(uprightSize(1920, 1080, turned(90, false).m), (Size{1080, 1920}));
  EXPECT_EQ(uprightSize(1920, 1080, turned(270, true).m), (Size{1080, 1920}));
  EXPECT_EQ(uprightSize(1920, 1080, turned(180, true).m), (Size{1920, 1080}));
}

TEST(Orientation, UprightSizeRoundsHalvesAwayAndFallsBackWhenCollapsed) {
  EXPECT_EQ(uprightSize(1279.5, 720, nullptr), (Size{1280, 720}));
  EXPECT_EQ(uprightSize(1279.4, 720.5, nullptr), (Size{1279, 721}));
  // A matrix that shrinks the picture to nothing: the natural size, truncated.
  const Matrix tiny{{1, 0, 0, 0, 1, 0, 0, 0, 1 << 30}};
  EXPECT_EQ(uprightSize(1279.5, 720.9, tiny.m), (Size{1279, 720}));
}

TEST(Orientation, NaturalWidthAppliesThePixelAspect) {
  EXPECT_DOUBLE_EQ(naturalWidth(1440, 4, 3), 1920);
  EXPECT_DOUBLE_EQ(naturalWidth(1920, 0, 1), 1920);
  EXPECT_DOUBLE_EQ(naturalWidth(1920, 1, 0), 1920);
}
