#include <gtest/gtest.h>

#include "transcoder/transcoder.h"

using namespace kivotra;
using Transcoder::Config;
using Transcoder::outputFPS;

static ProbeInfo withRate(double fps) {
  ProbeInfo info;
  info.fps = fps;
  return info;
}

static Config asking(int fps) {
  Config config;
  config.fps = fps;
  return config;
}

TEST(OutputFPS, NeverRaisesTheSourceRate) {
  EXPECT_EQ(outputFPS(withRate(30), asking(60)), 30);
  EXPECT_EQ(outputFPS(withRate(60), asking(30)), 30);
  EXPECT_EQ(outputFPS(withRate(29.97), asking(30)), 30);
  EXPECT_EQ(outputFPS(withRate(23.976), asking(25)), 24);
  EXPECT_EQ(outputFPS(withRate(59.94), asking(30)), 30);
  EXPECT_EQ(outputFPS(withRate(25), asking(25)), 25);
  EXPECT_EQ(outputFPS(withRate(25), asking(30)), 25);
}

TEST(OutputFPS, ZeroKeepsSourceOrFallsBackToThirty) {
  EXPECT_EQ(outputFPS(withRate(50), asking(0)), 50);
  EXPECT_EQ(outputFPS(withRate(29.97), asking(0)), 30);
  EXPECT_EQ(outputFPS(withRate(0.3), asking(0)), 1);
  EXPECT_EQ(outputFPS(withRate(0), asking(0)), 30);
  EXPECT_EQ(outputFPS(withRate(0), asking(-5)), 30);
  EXPECT_EQ(outputFPS(withRate(0), asking(24)), 24);
}
