#include "transcoder/detail/video_filter.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace kivotra;
using namespace kivotra::detail;

namespace {

struct Sample {
  int y, cb, cr;
};

// One flat picture of a limited-range Y'CbCr colour with the given tags,
// through a filter to a canvas of the same size; the middle of the result.
Sample throughFilter(int width, int height, Sample in, AVColorSpace matrix, AVColorPrimaries primaries,
                     AVColorTransferCharacteristic transfer, AVColorRange range = AVCOL_RANGE_MPEG) {
  av::FramePtr f = av::makeFrame();
  f->width = width;
  f->height = height;
  f->format = AV_PIX_FMT_YUV420P;
  f->colorspace = matrix;
  f->color_primaries = primaries;
  f->color_trc = transfer;
  f->color_range = range;
  f->pts = 0;
  EXPECT_EQ(av_frame_get_buffer(f.get(), 0), 0);
  for (int row = 0; row < height; ++row) std::memset(f->data[0] + row * f->linesize[0], in.y, width);
  for (int row = 0; row < height / 2; ++row) {
    std::memset(f->data[1] + row * f->linesize[1], in.cb, width / 2);
    std::memset(f->data[2] + row * f->linesize[2], in.cr, width / 2);
  }
  VideoFilter filter({{width, height}, 30, FitMode::keep, {}}, {1, 30});
  filter.send(std::move(f));
  filter.close(1);
  av::FramePtr out = filter.receive();
  EXPECT_TRUE(out);
  if (!out) return {};
  EXPECT_EQ(out->format, AV_PIX_FMT_YUV420P);
  EXPECT_EQ(out->colorspace, AVCOL_SPC_BT709);
  const int x = width / 2, y = height / 2;
  return {out->data[0][y * out->linesize[0] + x], out->data[1][y / 2 * out->linesize[1] + x / 2],
          out->data[2][y / 2 * out->linesize[2] + x / 2]};
}

void expectNear(const Sample& actual, const Sample& expected, int tolerance, const char* what) {
  EXPECT_NEAR(actual.y, expected.y, tolerance) << what;
  EXPECT_NEAR(actual.cb, expected.cb, tolerance) << what;
  EXPECT_NEAR(actual.cr, expected.cr, tolerance) << what;
}

// A yellow-green well inside both gamuts, so no library clips it and its
// primaries hardly move: (156, 68, 128) read with the BT.601 matrix is
// (163, 67, 123.5) with BT.709's. Left as it is (re-tagged), or read with the
// other matrix, it lands 7 steps of luma away.
constexpr Sample kBt601{156, 68, 128};
constexpr Sample kBt601InBt709{163, 67, 123};

}  // namespace

TEST(VideoFilter, ConvertsBt601PicturesToBt709) {
  expectNear(throughFilter(320, 240, kBt601, AVCOL_SPC_SMPTE170M, AVCOL_PRI_SMPTE170M, AVCOL_TRC_SMPTE170M),
             kBt601InBt709, 2, "BT.601");
}

TEST(VideoFilter, ReadsUntaggedStandardDefinitionAsBt601AndHighDefinitionAsBt709) {
  expectNear(throughFilter(640, 480, kBt601, AVCOL_SPC_UNSPECIFIED, AVCOL_PRI_UNSPECIFIED, AVCOL_TRC_UNSPECIFIED),
             kBt601InBt709, 2, "untagged 640x480");
  expectNear(throughFilter(1280, 720, kBt601, AVCOL_SPC_UNSPECIFIED, AVCOL_PRI_UNSPECIFIED, AVCOL_TRC_UNSPECIFIED),
             kBt601, 2, "untagged 1280x720");
}

TEST(VideoFilter, FullRangeIsBroughtIntoVideoRange) {
  const Sample s =
      throughFilter(320, 180, {255, 128, 128}, AVCOL_SPC_BT709, AVCOL_PRI_BT709, AVCOL_TRC_BT709, AVCOL_RANGE_JPEG);
  expectNear(s, {235, 128, 128}, 1, "full-range white");
}
