#include <gtest/gtest.h>

#include <cstring>

#include "transcoder/video_filter.h"

using namespace kivotra;
using namespace kivotra::detail;

namespace {

// A flat picture of one limited-range Y'CbCr colour with the given tags.
av::FramePtr flatFrame(int width, int height, int y, int cb, int cr, AVColorSpace matrix, AVColorPrimaries primaries,
                       AVColorTransferCharacteristic transfer) {
  av::FramePtr f = av::makeFrame();
  f->width = width;
  f->height = height;
  f->format = AV_PIX_FMT_YUV420P;
  f->colorspace = matrix;
  f->color_primaries = primaries;
  f->color_trc = transfer;
  f->color_range = AVCOL_RANGE_MPEG;
  f->pts = 0;
  EXPECT_EQ(av_frame_get_buffer(f.get(), 0), 0);
  for (int row = 0; row < height; ++row) std::memset(f->data[0] + row * f->linesize[0], y, width);
  for (int row = 0; row < height / 2; ++row) {
    std::memset(f->data[1] + row * f->linesize[1], cb, width / 2);
    std::memset(f->data[2] + row * f->linesize[2], cr, width / 2);
  }
  return f;
}

struct Sample {
  int y, cb, cr;
};

// Sends one frame through a filter to a canvas of the same size and reads
// the middle of the result.
Sample throughFilter(av::FramePtr frame) {
  const Dims canvas{frame->width, frame->height};
  VideoFilter filter({canvas, 30, FitMode::keep, {}}, {1, 30});
  filter.send(std::move(frame));
  filter.close(1);
  av::FramePtr out = filter.receive();
  EXPECT_TRUE(out);
  if (!out) return {};
  EXPECT_EQ(out->format, AV_PIX_FMT_YUV420P);
  EXPECT_EQ(out->colorspace, AVCOL_SPC_BT709);
  const int x = canvas.w / 2, y = canvas.h / 2;
  return {out->data[0][y * out->linesize[0] + x], out->data[1][y / 2 * out->linesize[1] + x / 2],
          out->data[2][y / 2 * out->linesize[2] + x / 2]};
}

}  // namespace

// Full red of a BT.601 source is Y'CbCr (81, 90, 240). Its primary lies
// inside BT.709's gamut, so the same colour in BT.709 is a slightly less
// saturated red, about (89, 79, 219). Re-tagging would leave (81, 90, 240);
// converting the matrix alone would give (63, 102, 240).
constexpr Sample kBt601RedInBt709{89, 79, 219};

void expectNear(const Sample& actual, const Sample& expected) {
  EXPECT_NEAR(actual.y, expected.y, 3);
  EXPECT_NEAR(actual.cb, expected.cb, 3);
  EXPECT_NEAR(actual.cr, expected.cr, 3);
}

TEST(VideoFilter, ConvertsBt601PicturesToBt709) {
  expectNear(throughFilter(flatFrame(320, 240, 81, 90, 240, AVCOL_SPC_SMPTE170M, AVCOL_PRI_SMPTE170M,
                                     AVCOL_TRC_SMPTE170M)),
             kBt601RedInBt709);
}

TEST(VideoFilter, ReadsUntaggedStandardDefinitionAsBt601AndHighDefinitionAsBt709) {
  // BT.601's matrix, but no gamut conversion on a guess: the same red in BT.709.
  expectNear(throughFilter(flatFrame(640, 480, 81, 90, 240, AVCOL_SPC_UNSPECIFIED, AVCOL_PRI_UNSPECIFIED,
                                     AVCOL_TRC_UNSPECIFIED)),
             {63, 102, 240});
  // BT.709 red stays as it is.
  const Sample hd = throughFilter(
      flatFrame(1280, 720, 63, 102, 240, AVCOL_SPC_UNSPECIFIED, AVCOL_PRI_UNSPECIFIED, AVCOL_TRC_UNSPECIFIED));
  EXPECT_NEAR(hd.y, 63, 1);
  EXPECT_NEAR(hd.cb, 102, 1);
  EXPECT_NEAR(hd.cr, 240, 1);
}

TEST(VideoFilter, FullRangeIsBroughtIntoVideoRange) {
  av::FramePtr f = flatFrame(320, 180, 255, 128, 128, AVCOL_SPC_BT709, AVCOL_PRI_BT709, AVCOL_TRC_BT709);
  f->color_range = AVCOL_RANGE_JPEG;
  const Sample s = throughFilter(std::move(f));
  EXPECT_NEAR(s.y, 235, 1);
  EXPECT_NEAR(s.cb, 128, 1);
}
