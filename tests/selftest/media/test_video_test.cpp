#include "selftest/media/test_video.h"

#include <gtest/gtest.h>

#include "support/bounded.h"
#include "support/media_fixtures.h"
#include "support/scratch_dir.h"

using namespace kivotra;
using namespace kivotra::SelfTest;
namespace fx = kivotra::fixtures;

namespace {

class TestVideo : public ::testing::Test {
 protected:
  std::filesystem::path make(const std::string& name, int w, int h, double seconds, int fps, bool audio) {
    return test::bounded([&] { return makeTestVideo(dir_ / name, w, h, seconds, fps, audio); });
  }
  fx::ScratchDir dir_;
};

}  // namespace

TEST_F(TestVideo, HasExactlyTheFramesTimesAndSoundAskedForReplacingAnyFile) {
  fx::writeBytes(dir_ / "two.mov", 5000);
  EXPECT_EQ(make("two.mov", 64, 48, 2.0, 30, true), dir_ / "two.mov");
  const fx::MediaFacts f = fx::readFacts(dir_ / "two.mov");
  EXPECT_EQ(f.streamKinds, (std::vector<std::string>{"video", "audio"}));
  ASSERT_TRUE(f.video && f.audio);
  EXPECT_EQ(std::pair(f.video->width, f.video->height), std::pair(64, 48));
  ASSERT_EQ(f.video->frameTimes.size(), 60u);
  for (std::size_t i = 0; i < 60; ++i) EXPECT_NEAR(f.video->frameTimes[i], i / 30.0, 1e-6) << i;
  EXPECT_EQ(std::tuple(f.audio->sampleRate, f.audio->channels, f.audio->sampleCount), std::tuple(44100, 2, 88200));

  make("two.mov", 32, 32, 0.5, 24, false);
  const fx::MediaFacts g = fx::readFacts(dir_ / "two.mov");
  EXPECT_EQ(g.streamKinds, (std::vector<std::string>{"video"}));
  EXPECT_EQ(g.video->frameTimes.size(), 12u);
}
