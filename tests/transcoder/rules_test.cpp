// The engine's pure rules and parts: frame rates, orientation, placement,
// error names, colour conversion and tone mapping of one picture.
#include <gtest/gtest.h>

extern "C" {
#include <libavutil/display.h>
#include <libavutil/error.h>
#include <libavutil/mastering_display_metadata.h>
}

#include <cstring>

#include "transcoder/av_error.h"
#include "transcoder/detail/frame_rate.h"
#include "transcoder/detail/orientation.h"
#include "transcoder/detail/picture_skip.h"
#include "transcoder/detail/placement.h"
#include "transcoder/detail/tone_map.h"
#include "transcoder/detail/video_filter.h"
#include "transcoder/transcoder.h"

using namespace kivotra;
using namespace kivotra::detail;

TEST(FrameRate, TypicalIntervalWinsOverFramesPerDuration) {
  const struct {
    const char* shape;
    AVRational real, average;
    double median, framesPerSecond, expected;
  } rows[] = {
      {"constant 29.97", {30000, 1001}, {30000, 1001}, 1001 / 30000.0, 29.9, 29.97003},
      {"paused screen recording", {60, 1}, {8280, 1261}, 1 / 60.0, 6.6, 60},
      {"timestamps at a 1 ms tick", {1000, 1}, {24, 1}, 1 / 24.0, 24, 24},
      {"phone clip, jittery average", {30, 1}, {2994, 100}, 1 / 30.0, 29.94, 30},
      {"declared rates both wrong", {90000, 1}, {5, 1}, 1 / 25.0, 5, 25},
      {"nothing measured", {0, 1}, {25, 1}, 0, 0, 25},
      {"only frames over duration", {0, 1}, {0, 1}, 0, 12.5, 12.5},
  };
  for (const auto& r : rows) {
    EXPECT_NEAR(typicalRate(r.real, r.average, r.median, r.framesPerSecond), r.expected, 1e-4) << r.shape;
  }
}

TEST(FrameRate, OutputNeverAboveTheSourceKeptExactAndWithinTheLimit) {
  const struct {
    double source;
    int requested;
    AVRational expected;
    int shown;
  } rows[] = {
      {30000 / 1001.0, 0, {30000, 1001}, 30}, {30, 60, {30, 1}, 30},        {23.976, 25, {24000, 1001}, 24},
      {59.94, 0, {60000, 1001}, 60},          {29.97, 30, {30000, 1001}, 30}, {59.94, 30, {30, 1}, 30},
      {1000, 0, {240, 1}, 240},               {12.5, 0, {25, 2}, 13},        {0.3, 0, {1, 1}, 1},
      {0, -5, {30, 1}, 30},                   {0, 24, {24, 1}, 24},
  };
  for (const auto& r : rows) {
    ProbeInfo info;
    info.fps = r.source;
    Transcoder::Config c;
    c.fps = r.requested;
    const AVRational rate = outputRate(info, c);
    EXPECT_EQ(av_cmp_q(rate, r.expected), 0) << r.source << " asked " << r.requested << ": " << rate.num << "/" << rate.den;
    EXPECT_EQ(Transcoder::outputFPS(info, c), r.shown) << r.source;
  }
}

TEST(RateDropsFrame, OnlyTheFrameTheNextOneReplacesOnTheSameTick) {
  const struct {
    const char* name;
    std::int64_t pts, duration;
    AVRational timeBase, rate;
    bool dropped;
  } rows[] = {
      {"60 to 30, even frame shown", 512, 256, {1, 15360}, {30, 1}, false},
      {"60 to 30, odd frame replaced", 768, 256, {1, 15360}, {30, 1}, true},
      {"59.94 to 29.97, odd frame", 3 * 1001, 1001, {1, 60000}, {30000, 1001}, true},
      {"120 to 30, the last before half a tick stays", 1, 1, {1, 120}, {30, 1}, false},
      {"120 to 30, the others go", 3, 1, {1, 120}, {30, 1}, true},
      {"same rate keeps all", 7, 1, {1, 30}, {30, 1}, false},
      {"no time, kept", AV_NOPTS_VALUE, 1, {1, 60}, {30, 1}, false},
      {"no duration, kept", 3, 0, {1, 60}, {30, 1}, false},
  };
  for (const auto& r : rows) EXPECT_EQ(detail::rateDropsFrame(r.pts, r.duration, r.timeBase, r.rate), r.dropped) << r.name;
}

TEST(Orientation, NearestQuarterTurnAndRoundedUprightSize) {
  // (Every quarter turn and mirror: Transcode.EveryTurnAndMirrorIsProbedAndWrittenUpright.)
  std::int32_t turned[9];
  av_display_rotation_set(turned, -92);  // 92 degrees anticlockwise on screen
  EXPECT_EQ(av::orientationOf(turned).clockwise, 270);  // nearest quarter
  EXPECT_EQ(av::uprightSize(1279.5, 720, nullptr), (av::Size{1280, 720}));  // halves away from zero
  EXPECT_EQ(av::uprightSize(1279.4, 720.5, nullptr), (av::Size{1279, 721}));
  const std::int32_t collapsed[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1 << 30};  // shrinks the picture to nothing
  EXPECT_EQ(av::uprightSize(1279.5, 720.9, collapsed), (av::Size{1279, 720}));
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
    const int got[] = {p.scaledWidth, p.scaledHeight, p.x, p.crop.x, p.crop.y, p.crop.w, p.crop.h};
    const int want[] = {r.scaledW, r.scaledH, r.x, r.cropX, r.cropY, r.cropW, r.cropH};
    for (int i = 0; i < 7; ++i) EXPECT_NEAR(got[i], want[i], 2) << "value " << i;
    EXPECT_EQ(p.y, 0);
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
      {AVERROR(ENOSPC), Cause::diskFull, "磁盘空间已满（No space left on device）"},
      {AVERROR(EROFS), Cause::readOnly, "目标位置只读"},
      {AVERROR_EXTERNAL, Cause::other, "操作失败（"},
  };
  for (const auto& row : rows) {
    const PlatformError e = av::platformErrorFromAv(row.code);
    EXPECT_EQ(e.cause(), row.cause) << row.code;
    EXPECT_EQ(e.description().rfind(row.start, 0), 0u) << e.description();
  }
}

// One flat picture of a limited-range Y'CbCr colour through the filter to a
// canvas of its own size. A yellow-green well inside both gamuts, so no library
// clips it: (156, 68, 128) read with the BT.601 matrix is (163, 67, 123.5) with
// BT.709's; left as it is, or read with the other matrix, it lands 7 steps away.
TEST(VideoFilter, ConvertsToLimitedRangeBt709ReadingUntaggedSdAsBt601) {
  const struct {
    const char* name;
    int width, height;
    int in[3];
    AVColorSpace matrix;
    AVColorRange range;
    int out[3];
  } rows[] = {
      {"BT.601", 320, 240, {156, 68, 128}, AVCOL_SPC_SMPTE170M, AVCOL_RANGE_MPEG, {163, 67, 123}},
      {"untagged 640x480", 640, 480, {156, 68, 128}, AVCOL_SPC_UNSPECIFIED, AVCOL_RANGE_MPEG, {163, 67, 123}},
      {"untagged 1280x720", 1280, 720, {156, 68, 128}, AVCOL_SPC_UNSPECIFIED, AVCOL_RANGE_MPEG, {156, 68, 128}},
      {"untagged 720x1080", 720, 1080, {156, 68, 128}, AVCOL_SPC_UNSPECIFIED, AVCOL_RANGE_MPEG, {156, 68, 128}},
      {"full-range white", 320, 180, {255, 128, 128}, AVCOL_SPC_BT709, AVCOL_RANGE_JPEG, {235, 128, 128}},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.name);
    av::FramePtr f = av::makeFrame();
    f->width = r.width;
    f->height = r.height;
    f->format = AV_PIX_FMT_YUV420P;
    f->colorspace = r.matrix;
    f->color_range = r.range;
    const bool tagged = r.matrix != AVCOL_SPC_UNSPECIFIED, sd = r.matrix == AVCOL_SPC_SMPTE170M;
    f->color_primaries = !tagged ? AVCOL_PRI_UNSPECIFIED : sd ? AVCOL_PRI_SMPTE170M : AVCOL_PRI_BT709;
    f->color_trc = !tagged ? AVCOL_TRC_UNSPECIFIED : sd ? AVCOL_TRC_SMPTE170M : AVCOL_TRC_BT709;
    f->pts = 0;
    ASSERT_EQ(av_frame_get_buffer(f.get(), 0), 0);
    for (int plane = 0; plane < 3; ++plane) {
      const int rows = plane ? r.height / 2 : r.height, columns = plane ? r.width / 2 : r.width;
      for (int y = 0; y < rows; ++y) std::memset(f->data[plane] + y * f->linesize[plane], r.in[plane], columns);
    }
    VideoFilter filter({{r.width, r.height}, 30, FitMode::keep, {}}, {1, 30});
    filter.send(std::move(f));
    filter.close(1);
    const av::FramePtr out = filter.receive();
    ASSERT_TRUE(out);
    EXPECT_EQ(out->format, AV_PIX_FMT_YUV420P);
    EXPECT_EQ(out->colorspace, AVCOL_SPC_BT709);
    for (int plane = 0; plane < 3; ++plane) {
      const int at = plane ? r.height / 4 * out->linesize[plane] + r.width / 4 : r.height / 2 * out->linesize[0] + r.width / 2;
      EXPECT_NEAR(out->data[plane][at], r.out[plane], 2) << "plane " << plane;
    }
  }
}

// Our tone mapping against libavfilter's tonemap=mobius:desat=0 on the same
// linear-light pixels: at, below and above the knee, past the peak, with a hue
// and below black, over a row longer than one vector; the peak as the frame's
// light-level side data states it, else its mastering display's, else HLG's.
TEST(ToneMap, SameAsLibavfiltersMobiusForEveryStatedPeak) {
  const float values[][3] = {{0, 0, 0},       {0.2f, 0.1f, 0.05f}, {0.3f, 0.3f, 0.3f}, {0.31f, 0.2f, 0.1f},
                             {1, 0.5f, 0.25f}, {5, 4, 3},           {12, 0.1f, 0.7f},  {-0.2f, 2, -1}, {50, 50, 50}};
  const int width = std::size(values);
  for (const auto& [maxCll, masteringPeak] : {std::pair{0, 0}, {4000, 0}, {0, 600}, {400, 1000}, {100, 0}}) {
    SCOPED_TRACE(testing::Message() << "MaxCLL " << maxCll << ", mastering " << masteringPeak);
    av::FramePtr f = av::makeFrame();
    f->width = width;
    f->height = 2;
    f->format = AV_PIX_FMT_GBRPF32LE;
    f->color_trc = AVCOL_TRC_LINEAR;
    ASSERT_EQ(av_frame_get_buffer(f.get(), 0), 0);
    if (maxCll) av_content_light_metadata_create_side_data(f.get())->MaxCLL = maxCll;
    if (masteringPeak) {
      AVMasteringDisplayMetadata* m = av_mastering_display_metadata_create_side_data(f.get());
      m->has_luminance = 1;
      m->max_luminance = {masteringPeak, 1};
    }
    for (int y = 0; y < 2; ++y) {
      for (int x = 0; x < width; ++x) {
        for (int c = 0; c < 3; ++c) reinterpret_cast<float*>(f->data[(c + 1) % 3] + y * f->linesize[0])[x] = values[x][c];
      }
    }
    av::FramePtr ours(av_frame_clone(f.get()));
    ASSERT_EQ(av_frame_make_writable(ours.get()), 0);
    toneMapMobius(*ours, hdrSignalPeak(*ours));
    FilterGraph graph;
    ASSERT_EQ(graph.build({width, 2, AV_PIX_FMT_GBRPF32LE}, {"tonemap=tonemap=mobius:desat=0", ""}, 1), 0);
    ASSERT_EQ(graph.send(f.get()), 0);
    ASSERT_EQ(graph.close(1), 0);
    av::FramePtr theirs = av::makeFrame();
    ASSERT_EQ(graph.receive(theirs.get()), 0);
    for (int plane = 0; plane < 3; ++plane) {
      for (int x = 0; x < width; ++x) {
        const float expected = reinterpret_cast<const float*>(theirs->data[plane] + theirs->linesize[plane])[x];
        EXPECT_FLOAT_EQ(reinterpret_cast<const float*>(ours->data[plane] + ours->linesize[plane])[x], expected)
            << "plane " << plane << ", pixel " << x;
      }
    }
  }
}
