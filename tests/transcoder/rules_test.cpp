// The engine's pure rules: frame rates, orientation, placement, error names.
#include <gtest/gtest.h>

extern "C" {
#include <libavutil/display.h>
#include <libavutil/error.h>
}

#include <cerrno>

#include "transcoder/av_error.h"
#include "transcoder/detail/frame_rate.h"
#include "transcoder/detail/orientation.h"
#include "transcoder/detail/placement.h"
#include "transcoder/transcoder.h"

using namespace kivotra;
using namespace kivotra::detail;

TEST(FrameRate, TypicalIntervalWinsOverFramesPerDuration) {
  struct Row {
    const char* shape;
    AVRational real, average;
    double median, framesPerSecond, expected;
  };
  const Row rows[] = {
      {"constant 29.97", {30000, 1001}, {30000, 1001}, 1001 / 30000.0, 29.9, 29.97003},
      {"paused screen recording", {60, 1}, {8280, 1261}, 1 / 60.0, 6.6, 60},
      {"timestamps at a 1 ms tick", {1000, 1}, {24, 1}, 1 / 24.0, 24, 24},
      {"phone clip, jittery average", {30, 1}, {2994, 100}, 1 / 30.0, 29.94, 30},
      {"declared rates both wrong", {90000, 1}, {5, 1}, 1 / 25.0, 5, 25},
      {"nothing measured", {0, 1}, {25, 1}, 0, 0, 25},
      {"only frames over duration", {0, 1}, {0, 1}, 0, 12.5, 12.5},
  };
  for (const Row& r : rows) {
    EXPECT_NEAR(detail::typicalRate(r.real, r.average, r.median, r.framesPerSecond), r.expected, 1e-4) << r.shape;
  }
}

TEST(FrameRate, OutputNeverAboveTheSourceKeptExactAndWithinTheLimit) {
  struct Row {
    double source;
    int requested;
    AVRational expected;
    int shown;
  };
  const Row rows[] = {
      {30000 / 1001.0, 0, {30000, 1001}, 30},
      {30, 60, {30, 1}, 30},
      {23.976, 25, {24000, 1001}, 24},
      {50, 0, {50, 1}, 50},
      {24000 / 1001.0, 0, {24000, 1001}, 24},
      {59.94, 0, {60000, 1001}, 60},
      {25, 0, {25, 1}, 25},
      {29.97, 30, {30000, 1001}, 30},
      {59.94, 30, {30, 1}, 30},
      {1000, 0, {240, 1}, 240},
      {12.5, 0, {25, 2}, 13},
      {0.3, 0, {1, 1}, 1},
      {0, 0, {30, 1}, 30},
      {0, -5, {30, 1}, 30},
      {0, 24, {24, 1}, 24},
  };
  for (const Row& r : rows) {
    ProbeInfo info;
    info.fps = r.source;
    Transcoder::Config c;
    c.fps = r.requested;
    const AVRational rate = detail::outputRate(info, c);
    EXPECT_EQ(av_cmp_q(rate, r.expected), 0)
        << r.source << " asked " << r.requested << ": " << rate.num << "/" << rate.den;
    EXPECT_EQ(Transcoder::outputFPS(info, c), r.shown) << r.source;
  }
}

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

TEST(Orientation, QuarterTurnsMirrorsAndUprightSize) {
  using av::Orientation;
  EXPECT_EQ(av::orientationOf(nullptr), (Orientation{0, false}));
  for (int clockwise : {0, 90, 180, 270}) {
    for (bool mirrored : {false, true}) {
      const Matrix m = turned(clockwise, mirrored);
      EXPECT_EQ(av::orientationOf(m.m), (Orientation{clockwise, mirrored})) << clockwise << " " << mirrored;
      const bool sideways = clockwise % 180 != 0;
      EXPECT_EQ(av::uprightSize(1920, 1080, m.m), (av::Size{sideways ? 1080 : 1920, sideways ? 1920 : 1080}));
    }
  }
  EXPECT_EQ(av::orientationOf(turned(-92, false).m).clockwise,
            270);                                                           // nearest quarter
  EXPECT_EQ(av::uprightSize(1279.5, 720, nullptr), (av::Size{1280, 720}));  // halves away from zero
  EXPECT_EQ(av::uprightSize(1279.4, 720.5, nullptr), (av::Size{1279, 721}));
  const Matrix collapsed{{1, 0, 0, 0, 1, 0, 0, 0, 1 << 30}};  // shrinks the picture to nothing
  EXPECT_EQ(av::uprightSize(1279.5, 720.9, collapsed.m), (av::Size{1279, 720}));
  EXPECT_DOUBLE_EQ(av::naturalWidth(1440, 4, 3), 1920);
  EXPECT_DOUBLE_EQ(av::naturalWidth(1920, 0, 1), 1920);
  EXPECT_DOUBLE_EQ(av::naturalWidth(1920, 1, 0), 1920);
}

TEST(Placement, KeepCropAndPadOnAnyShape) {
  const av::Orientation upright{}, quarter{90, false};
  const struct {
    int w, h;
    double aspect;
    av::Orientation o;
    Dims canvas;
    FitMode fit;
    int scaledW, scaledH, x, cropX, cropY, cropW, cropH;
  } rows[] = {
      {1920, 1080, 1, upright, {1280, 720}, FitMode::keep, 1280, 720, 0, 0, 0, 1920, 1080},
      {1920, 1080, 1, upright, {1280, 720}, FitMode::pad, 1280, 720, 0, 0, 0, 1920, 1080},
      {1440, 1080, 1, upright, {1280, 720}, FitMode::pad, 960, 720, 160, 0, 0, 1440, 1080},
      // Scale 8/9: 1280x960, of which the middle 720 rows show, i.e. 810 source rows.
      {1440, 1080, 1, upright, {1280, 720}, FitMode::crop, 1280, 720, 0, 0, 135, 1440, 810},
      {1440, 1080, 4.0 / 3, upright, {1280, 720}, FitMode::pad, 1280, 720, 0, 0, 0, 1440, 1080},  // 4:3 pixels
      {1366, 768, 1, upright, {1282, 720}, FitMode::keep, 1282, 720, 0, 0, 0, 1366, 768},         // no sliver
      {1920, 1080, 1, quarter, {720, 1280}, FitMode::keep, 1280, 720, 0, 0, 0, 1920, 1080},       // scaled, then turned
      {1920, 1080, 1, quarter, {1280, 720}, FitMode::pad, 720, 406, 438, 0, 0, 1920, 1080},
      // Upright 1280x2275.6 of which the middle 720 rows show: 607.5 stored columns.
      {1920, 1080, 1, quarter, {1280, 720}, FitMode::crop, 720, 1280, 0, 656, 0, 608, 1080},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(::testing::Message() << r.w << "x" << r.h << " turned " << r.o.clockwise << " " << rawValue(r.fit));
    const Placement p = placeFrame(r.w, r.h, r.aspect, r.o, r.canvas, r.fit);
    EXPECT_NEAR(p.scaledWidth, r.scaledW, 2);
    EXPECT_NEAR(p.scaledHeight, r.scaledH, 2);
    EXPECT_NEAR(p.x, r.x, 2);
    EXPECT_EQ(p.y, 0);
    EXPECT_NEAR(p.crop.x, r.cropX, 2);
    EXPECT_NEAR(p.crop.y, r.cropY, 2);
    EXPECT_NEAR(p.crop.w, r.cropW, 2);
    EXPECT_NEAR(p.crop.h, r.cropH, 2);
    EXPECT_EQ(p.fillsCanvas(), r.x == 0);
    EXPECT_EQ(p.cropsSource(), r.cropW != r.w || r.cropH != r.h);
  }
}

TEST(Placement, EverySizeAndOffsetIsEvenAndInside) {
  for (FitMode fit : kAllFitModes) {
    for (const av::Orientation o : {av::Orientation{}, av::Orientation{90, false}}) {
      const Placement p = placeFrame(1079, 719, 1, o, {854, 480}, fit);
      for (int v : {p.crop.x, p.crop.y, p.crop.w, p.crop.h, p.scaledWidth, p.scaledHeight, p.x, p.y}) {
        EXPECT_EQ(v % 2, 0) << "fit " << rawValue(fit);
      }
      EXPECT_LE(p.crop.x + p.crop.w, 1079);
      EXPECT_LE(p.crop.y + p.crop.h, 719);
      EXPECT_LE(p.x + p.uprightWidth(), 854);
      EXPECT_LE(p.y + p.uprightHeight(), 480);
    }
  }
  const Placement empty = placeFrame(0, 0, 1, {}, {1280, 720}, FitMode::crop);
  EXPECT_TRUE(empty.fillsCanvas());
  EXPECT_GE(empty.crop.w, 2);
  EXPECT_GE(empty.crop.h, 2);
}

TEST(AvError, NamesTheCommonCausesInChineseWithFfmpegsTextInBrackets) {
  using Cause = PlatformError::Cause;
  const struct {
    int code;
    Cause cause;
    const char* start;
  } rows[] = {
      {AVERROR(ENOENT), Cause::fileMissing, "文件不存在（"},
      {AVERROR(EACCES), Cause::noPermission, "没有访问权限（"},
      {AVERROR(ENOSPC), Cause::diskFull, "磁盘空间已满（No space left on device）"},
      {AVERROR(EROFS), Cause::readOnly, "目标位置只读"},
      {AVERROR_INVALIDDATA, Cause::damaged, "文件已损坏或无法识别（Invalid data found when processing input）"},
      {AVERROR_EOF, Cause::damaged, "文件已损坏或无法识别（"},
      {AVERROR_DECODER_NOT_FOUND, Cause::unsupported, "不支持的文件格式（"},
      {AVERROR(EIO), Cause::io, "读写文件时出错（"},
      {AVERROR_EXTERNAL, Cause::other, "操作失败（"},
  };
  for (const auto& row : rows) {
    const PlatformError e = av::platformErrorFromAv(row.code);
    EXPECT_EQ(e.cause(), row.cause) << row.code;
    EXPECT_EQ(e.description().rfind(row.start, 0), 0u) << e.description();
  }
  EXPECT_EQ(av::check(7), 7);
  EXPECT_THROW(av::check(AVERROR(ENOENT)), PlatformError);
}
