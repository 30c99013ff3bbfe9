#include "models/size_target.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <unordered_set>

using namespace kivotra;

namespace {

VideoItem item(double seconds, bool audio, std::int64_t fileSize = 0) {
  VideoItem it("/videos/a.mov");
  it.duration = seconds;
  it.srcFPS = 30;
  it.hasAudio = audio;
  it.fileSize = fileSize;
  return it;
}

constexpr std::int64_t MiB = 1048576;

}  // namespace

TEST(SizeTarget, SizeTextTakesBinaryUnitsAndRejectsBareOrBrokenNumbers) {
  const struct {
    const char* text;
    std::optional<std::int64_t> bytes;
  } rows[] = {
      {"25mib", 25 * MiB},     {" 25 MB ", 25 * MiB}, {"0.5k", 512},            {"1.5G", 1536 * MiB},
      {"25", std::nullopt},    {"25B", std::nullopt}, {"-5M", std::nullopt},    {"0M", std::nullopt},
      {"1.2.3M", std::nullopt}, {"25MBB", std::nullopt},
  };
  for (const auto& row : rows) EXPECT_EQ(parseSizeText(row.text), row.bytes) << row.text;
}

TEST(SizeTarget, PlanFillsTheLimitWithinTheTiersBoundsOrSaysTheSmallestSize) {
  enum class Outcome { fills, ceiling, floor, none };
  const struct {
    double seconds;
    bool audio;
    int shortSide;
    std::int64_t limit;
    Outcome outcome;
    int kbps;  // the bound for ceiling and floor
  } rows[] = {
      {60, false, 1080, 25 * MiB, Outcome::fills, 0},
      {60, true, 1080, 25 * MiB, Outcome::fills, 0},
      {60, false, 1080, 100 * MiB, Outcome::ceiling, 10000},
      {60, false, 2160, 100 * MiB, Outcome::fills, 0},
      {60, false, 720, 50 * MiB, Outcome::ceiling, 6000},
      {60, true, 1080, 1835008, Outcome::floor, 100},  // 1.75 MiB: just above what 100 kbit/s gives
      {60, true, 1080, 1600 * 1024, Outcome::none, 0},
      {1, false, 1080, 8 * 1024, Outcome::none, 0},
      {0, false, 1080, 25 * MiB, Outcome::none, 0},
  };
  for (const auto& row : rows) {
    const VideoItem it = item(row.seconds, row.audio);
    const SizePlan plan = planForSize(it, row.shortSide, row.limit);
    SCOPED_TRACE(std::to_string(row.seconds) + " s, limit " + std::to_string(row.limit));
    if (row.outcome == Outcome::none) {
      EXPECT_FALSE(plan.kbps);
      if (row.seconds > 0) {
        EXPECT_GT(plan.smallestBytes, row.limit);
        // 100 kbit/s of video and the sound, give or take the container.
        const double payload = row.seconds * (100000 + (row.audio ? 128000 : 0)) / 8;
        EXPECT_GT(plan.smallestBytes, payload);
        EXPECT_LT(plan.smallestBytes, payload * 1.05 + 4096);
      }
      continue;
    }
    ASSERT_TRUE(plan.kbps);
    EXPECT_LE(expectedOutputBytes(it, *plan.kbps), row.limit);
    if (row.outcome == Outcome::fills) {
      EXPECT_GE(expectedOutputBytes(it, *plan.kbps), row.limit * 0.93);
    } else {
      EXPECT_EQ(*plan.kbps, row.kbps);
    }
  }
}

TEST(SizeTarget, RetryScalesTheBitrateDownByTheOvershoot) {
  const struct {
    bool audio;
    int kbps;
    double overshoot;  // written / limit
  } rows[] = {{false, 2000, 1.30}, {false, 2000, 1.0001}, {true, 400, 1.20}, {true, 150, 3.0}, {false, 100, 1.1}};
  const std::int64_t limit = 2 * MiB;
  for (const auto& row : rows) {
    const VideoItem it = item(10, row.audio);
    const auto written = static_cast<std::int64_t>(limit * row.overshoot);
    const int retry = retryKbps(it, row.kbps, written, limit);
    SCOPED_TRACE(std::to_string(row.kbps) + " kbps, overshoot " + std::to_string(row.overshoot));
    EXPECT_GE(retry, kSizeFloorKbps);
    EXPECT_LT(retry, std::max(row.kbps, kSizeFloorKbps + 1)) << "lower, down to the floor";
    // At least the whole file's overshoot comes off, unless the floor stops it.
    if (retry > kSizeFloorKbps) {
      EXPECT_LE(retry, row.kbps / row.overshoot);
      EXPECT_GT(retry, row.kbps / row.overshoot * 0.6);
    }
  }
}

TEST(SizeTarget, EstimateExceedsSourceOnlyWhenBothSizesAreKnown) {
  EXPECT_FALSE(estimateExceedsSource(item(10, false, MiB), 500));  // 625 000 bytes
  EXPECT_TRUE(estimateExceedsSource(item(10, false, MiB), 1000));
  EXPECT_FALSE(estimateExceedsSource(item(10, false, 0), 5000));
  EXPECT_FALSE(estimateExceedsSource(item(0, false, MiB), 5000));
}

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
