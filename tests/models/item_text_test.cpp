#include <gtest/gtest.h>

#include "models/item_text.h"

namespace kivotra {
namespace {

VideoItem probed(double duration, int w, int h, std::int64_t bytes, double fps) {
  VideoItem item("/videos/a.mov");
  item.duration = duration;
  item.srcWidth = w;
  item.srcHeight = h;
  item.fileSize = bytes;
  item.srcFPS = fps;
  return item;
}

TEST(MetaText, JoinsAllFactsWithThinSpacedDots) {
  EXPECT_EQ(metaText(probed(90, 1920, 1080, 45'000'000, 29.97)),
            "01:30\u2009·\u20091920×1080\u2009·\u200942.9 MB\u2009·\u200930 FPS\u2009·\u20094.0 Mbps");
}

TEST(MetaText, LowBitrateInKbpsAndShortFilesWithoutBitrate) {
  EXPECT_EQ(metaText(probed(10, 640, 360, 500'000, 25)),
            "00:10\u2009·\u2009640×360\u2009·\u2009488 KB\u2009·\u200925 FPS\u2009·\u2009400 kbps");
  EXPECT_EQ(metaText(probed(0.4, 640, 360, 500'000, 0)), "00:00\u2009·\u2009640×360\u2009·\u2009488 KB");
  EXPECT_EQ(metaText(probed(10, 640, 360, 1'000'000, 0)), "00:10\u2009·\u2009640×360\u2009·\u2009977 KB\u2009·\u2009800 kbps");
}

TEST(MetaText, UnprobedItemReadsAsLoading) { EXPECT_EQ(metaText(VideoItem("/videos/a.mov")), "读取中…"); }

TEST(ProgressText, OneDecimalBelowATenthThenWholeTruncatedPercent) {
  EXPECT_EQ(progressText(0), "0.0%");
  EXPECT_EQ(progressText(0.0734), "7.3%");
  EXPECT_EQ(progressText(0.1), "10%");
  EXPECT_EQ(progressText(0.427), "42%");
  EXPECT_EQ(progressText(0.999), "99%");
  EXPECT_EQ(progressText(1), "100%");
}

}  // namespace
}  // namespace kivotra
