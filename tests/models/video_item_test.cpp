#include <gtest/gtest.h>

#include <unordered_set>

#include "models/video_item.h"

using namespace kivotra;

TEST(VideoItem, NewItemHasInitialFacts) {
  VideoItem item("/videos/a.mov");
  EXPECT_FALSE(item.id.isNil());
  EXPECT_EQ(item.status, ItemStatus::loading());
  EXPECT_FALSE(item.hasAudio);
  EXPECT_EQ(item.audioSampleRate, 44100);
  EXPECT_EQ(item.audioChannels, 2);
  EXPECT_EQ(item.progress, 0);
  EXPECT_FALSE(item.etaSeconds || item.outputURL || item.actualSize || item.customSettings || item.thumbnail);
}

TEST(VideoItem, IdsAreDistinctVersion4) {
  std::unordered_set<Uuid> seen;
  for (int i = 0; i < 1000; ++i) {
    VideoItem item("/x.mp4");
    EXPECT_EQ(item.id.bytes()[6] >> 4, 4);
    EXPECT_TRUE(seen.insert(item.id).second);
  }
}

TEST(Uuid, TextRoundTripAndRejectsMalformed) {
  Uuid id = Uuid::random();
  std::string text = id.toString();
  ASSERT_EQ(text.size(), 36u);
  EXPECT_EQ(Uuid::parse(text), id);
  EXPECT_EQ(Uuid::parse("not-a-uuid"), std::nullopt);
  text[8] = 'x';
  EXPECT_EQ(Uuid::parse(text), std::nullopt);
}

TEST(EstimatedBytes, ZeroUntilProbed) {
  VideoItem item("/v.mp4");
  item.hasAudio = true;
  for (int kbps : {0, 3000, 40000}) EXPECT_EQ(item.estimatedBytes(kbps), 0);
}

TEST(EstimatedBytes, AddsAacOnlyWithSound) {
  VideoItem item("/v.mp4");
  item.duration = 60;
  item.hasAudio = true;
  EXPECT_EQ(item.estimatedBytes(5000), 38460000);
  EXPECT_LT(item.estimatedBytes(10000), 2 * item.estimatedBytes(5000));

  item.duration = 10;
  item.hasAudio = false;
  EXPECT_EQ(item.estimatedBytes(3000), 3750000);
  EXPECT_EQ(item.estimatedBytes(6000), 2 * item.estimatedBytes(3000));
}

TEST(EstimatedBytes, TruncatesTowardZero) {
  VideoItem item("/v.mp4");
  item.duration = 0.001;  // 5000 kbps → 625 bytes per ms
  EXPECT_EQ(item.estimatedBytes(5001), 625);
}

TEST(ItemStatus, EqualByCaseAndMessage) {
  EXPECT_EQ(ItemStatus::ready(), ItemStatus::ready());
  EXPECT_NE(ItemStatus::ready(), ItemStatus::done());
  EXPECT_EQ(ItemStatus::failed("a"), ItemStatus::failed("a"));
  EXPECT_NE(ItemStatus::failed("a"), ItemStatus::failed("b"));
}
