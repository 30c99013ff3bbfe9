#include "models/video_item.h"

#include <gtest/gtest.h>

#include <unordered_set>

using namespace kivotra;

TEST(VideoItem, IdsAreDistinctVersion4UuidsThatRoundTripAsText) {
  std::unordered_set<Uuid> seen;
  for (int i = 0; i < 1000; ++i) {
    const VideoItem item("/x.mp4");
    EXPECT_EQ(item.id.bytes()[6] >> 4, 4);
    EXPECT_TRUE(seen.insert(item.id).second);
  }
  const Uuid id = Uuid::random();
  std::string text = id.toString();
  ASSERT_EQ(text.size(), 36u);
  EXPECT_EQ(text[8], '-');
  EXPECT_EQ(Uuid::parse(text), id);
  EXPECT_EQ(Uuid::parse("not-a-uuid"), std::nullopt);
  text[8] = 'x';
  EXPECT_EQ(Uuid::parse(text), std::nullopt);
}

TEST(VideoItem, EstimatedBytesAddAacOnlyWithSoundAndAreZeroUntilProbed) {
  VideoItem item("/v.mp4");
  item.hasAudio = true;
  EXPECT_EQ(item.estimatedBytes(3000), 0);
  item.duration = 60;
  EXPECT_EQ(item.estimatedBytes(5000), 38460000);
  item.duration = 10;
  item.hasAudio = false;
  EXPECT_EQ(item.estimatedBytes(3000), 3750000);
  item.duration = 0.001;  // 5000 kbps → 625 bytes per ms, truncated
  EXPECT_EQ(item.estimatedBytes(5001), 625);
  EXPECT_NE(ItemStatus::failed("a"), ItemStatus::failed("b"));
}
