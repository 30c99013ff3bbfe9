#include "selftest/media/test_video.h"

#include <gtest/gtest.h>

#include "support/bounded.h"
#include "support/media_fixtures.h"
#include "support/scratch_dir.h"

using namespace kivotra::SelfTest;
namespace fx = kivotra::fixtures;

TEST(TestVideo, HasExactlyTheFramesTimesAndSoundAskedForReplacingAnyFile) {
  const fx::ScratchDir dir;
  const auto make = [&](int w, int h, double seconds, int fps, bool audio) {
    return kivotra::test::bounded([&] { return makeTestVideo(dir / "two.mov", w, h, seconds, fps, audio); });
  };
  fx::writeBytes(dir / "two.mov", 5000);
  EXPECT_EQ(make(64, 48, 2.0, 30, true), dir / "two.mov");
  const fx::MediaFacts f = fx::readFacts(dir / "two.mov");
  EXPECT_EQ(f.streamKinds, (std::vector<std::string>{"video", "audio"}));
  ASSERT_TRUE(f.video && f.audio);
  EXPECT_EQ(std::pair(f.video->width, f.video->height), std::pair(64, 48));
  ASSERT_EQ(f.video->frameTimes.size(), 60u);
  for (std::size_t i = 0; i < 60; ++i) EXPECT_NEAR(f.video->frameTimes[i], i / 30.0, 1e-6) << i;
  EXPECT_EQ(std::tuple(f.audio->sampleRate, f.audio->channels, f.audio->sampleCount), std::tuple(44100, 2, 88200));

  make(32, 32, 0.5, 24, false);
  const fx::MediaFacts g = fx::readFacts(dir / "two.mov");
  EXPECT_EQ(g.streamKinds, (std::vector<std::string>{"video"}));
  EXPECT_EQ(g.video->frameTimes.size(), 12u);
}
