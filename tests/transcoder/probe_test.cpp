#include <gtest/gtest.h>

#include "transcode_fixture.h"
#include "transcoder/thumbnail.h"

using namespace kivotra;
namespace fx = kivotra::fixtures;

namespace {

using Probe = kivotra::testing::TranscodeTest;

fx::MediaOptions video(int w, int h, double seconds = 0.5) {
  fx::MediaOptions o;
  o.width = w;
  o.height = h;
  o.seconds = seconds;
  return o;
}

fx::Image asImage(const RgbaBitmap& b) { return {b.width, b.height, 4, b.pixels}; }

}  // namespace

TEST_F(Probe, MeasuresLandscapeVideoWithAudio) {
  auto o = video(320, 180, 1.0);
  o.audioChannels = 2;
  o.audioSampleRate = 48000;
  const auto path = source("landscape.mp4", o);
  const ProbeInfo info = Transcoder::probeSync(path);
  EXPECT_EQ(info.width, 320);
  EXPECT_EQ(info.height, 180);
  EXPECT_NEAR(info.fps, 30, 1e-9);
  EXPECT_NEAR(info.duration, 1.0, 0.05);
  EXPECT_EQ(info.fileSize, static_cast<std::int64_t>(std::filesystem::file_size(path)));
  EXPECT_TRUE(info.hasAudio);
  EXPECT_EQ(info.audioSampleRate, 48000);
  EXPECT_EQ(info.audioChannels, 2);
  ASSERT_TRUE(info.thumbnail);
  EXPECT_EQ(info.thumbnail->width, 320);  // already fits: not enlarged, not shrunk
  EXPECT_EQ(info.thumbnail->height, 180);
}

TEST_F(Probe, PortraitWithoutAudioKeepsTheAudioDefaults) {
  const ProbeInfo info = Transcoder::probeSync(source("portrait.mov", video(180, 320)));
  EXPECT_EQ(info.width, 180);
  EXPECT_EQ(info.height, 320);
  EXPECT_FALSE(info.hasAudio);
  EXPECT_EQ(info.audioSampleRate, 44100);
  EXPECT_EQ(info.audioChannels, 2);
}

TEST_F(Probe, ThumbnailFitsIntoThreeHundredTwentyKeepingTheAspect) {
  const ProbeInfo wide = Transcoder::probeSync(source("hd.mp4", video(1920, 1080, 0.1)));
  ASSERT_TRUE(wide.thumbnail);
  EXPECT_EQ(wide.thumbnail->width, 320);
  EXPECT_EQ(wide.thumbnail->height, 180);
  EXPECT_EQ(wide.thumbnail->pixels.size(), 320u * 180 * 4);

  const ProbeInfo tall = Transcoder::probeSync(source("tall.mov", video(480, 960, 0.2)));
  ASSERT_TRUE(tall.thumbnail);
  EXPECT_EQ(tall.thumbnail->width, 160);
  EXPECT_EQ(tall.thumbnail->height, 320);
}

// swscale writes whole SIMD blocks; a cover row of 8 bytes once took its
// neighbours' memory with it (heap corruption after a few probes).
TEST_F(Probe, PicturesAFewPixelsWideGiveACoverOfTheirOwnSize) {
  fx::MediaOptions turned = video(2, 8);
  turned.rotation = 90;
  const auto narrow = source("narrow.mov", video(2, 8));
  const auto flat = source("flat.mov", turned);
  for (int round = 0; round < 4; ++round) {
    const ProbeInfo a = Transcoder::probeSync(narrow);
    ASSERT_TRUE(a.thumbnail);
    EXPECT_EQ(a.thumbnail->width, 2);
    EXPECT_EQ(a.thumbnail->height, 8);
    EXPECT_EQ(a.thumbnail->pixels.size(), 2u * 8 * 4);
    const ProbeInfo b = Transcoder::probeSync(flat);
    ASSERT_TRUE(b.thumbnail);
    EXPECT_EQ(b.thumbnail->width, 8);
    EXPECT_EQ(b.thumbnail->height, 2);
  }
}

TEST_F(Probe, RotatedAndMirroredFilesReportTheUprightSizeAndCover) {
  const int w = 320, h = 180;
  for (int rotation : {0, 90, 180, 270}) {
    for (bool mirrored : {false, true}) {
      auto o = video(w, h, 0.2);
      o.rotation = rotation;
      o.hflip = mirrored;
      const ProbeInfo info = Transcoder::probeSync(source("turned.mov", o));
      SCOPED_TRACE(::testing::Message() << rotation << (mirrored ? " mirrored" : ""));
      const bool sideways = rotation % 180 != 0;
      EXPECT_EQ(info.width, sideways ? h : w);
      EXPECT_EQ(info.height, sideways ? w : h);
      ASSERT_TRUE(info.thumbnail);
      const fx::Image thumb = asImage(*info.thumbnail);
      ASSERT_EQ(thumb.width, info.width);
      ASSERT_EQ(thumb.height, info.height);
      // The white marker and its tail land where the display matrix puts them,
      // and not where the other seven orientations would.
      EXPECT_GT(thumb.mean(fx::uprightRect(fx::pattern::marker(w, h), w, h, rotation, mirrored)), 200);
      EXPECT_GT(thumb.mean(fx::uprightRect(fx::pattern::tail(w, h), w, h, rotation, mirrored)), 200);
      for (int other : {0, 90, 180, 270}) {
        for (bool otherMirror : {false, true}) {
          if (other == rotation && otherMirror == mirrored) continue;
          if ((other % 180 != 0) != sideways) continue;
          const fx::Rect tail = fx::uprightRect(fx::pattern::tail(w, h), w, h, other, otherMirror);
          const fx::Rect marker = fx::uprightRect(fx::pattern::marker(w, h), w, h, other, otherMirror);
          EXPECT_LT(std::min(thumb.mean(tail), thumb.mean(marker)), 160) << other << " " << otherMirror;
        }
      }
    }
  }
}

TEST_F(Probe, IgnoresCoverArtStream) {
  auto o = video(160, 120);
  o.coverArt = true;
  o.audioChannels = 2;
  const auto path = source("cover.mp4", o);
  ASSERT_EQ(fx::readFacts(path).streamKinds.front(), "cover");
  const ProbeInfo info = Transcoder::probeSync(path);
  EXPECT_EQ(info.width, 160);
  EXPECT_EQ(info.height, 120);
  EXPECT_NEAR(info.fps, 30, 1e-9);
  ASSERT_TRUE(info.thumbnail);
  const fx::Image thumb = asImage(*info.thumbnail);
  EXPECT_EQ(thumb.width, 160);
  // The cover is pure red; the video's grey has equal red and green.
  EXPECT_NEAR(thumb.mean({60, 50, 40, 20}, 0), thumb.mean({60, 50, 40, 20}, 1), 10);
}

TEST_F(Probe, AudioOnlyFileHasNoVideoTrack) {
  fx::MediaOptions o;
  o.video = false;
  o.audioChannels = 2;
  for (const char* name : {"sound.mov", "sound.mp4"}) {
    try {
      Transcoder::probeSync(source(name, o));
      FAIL() << name;
    } catch (const TranscodeError& e) {
      EXPECT_EQ(e.kind(), TranscodeError::Kind::noVideoTrack);
      EXPECT_EQ(e.description(), "未找到视频轨道");
    }
  }
}

TEST_F(Probe, FilesThatCannotBeReadFailWithThePlatformError) {
  fx::writeBytes(dir_ / "empty.mov", 0);
  fx::writeBytes(dir_ / "noise.mov", 64 * 1024);
  const auto truncated = source("truncated.mp4", video(160, 120));
  fx::truncateFile(truncated, std::filesystem::file_size(truncated) / 2);
  const struct {
    std::filesystem::path path;
    PlatformError::Cause cause;
    const char* start;
  } rows[] = {
      {dir_ / "empty.mov", PlatformError::Cause::damaged, "文件已损坏或无法识别（"},
      {dir_ / "noise.mov", PlatformError::Cause::damaged, "文件已损坏或无法识别（"},
      {truncated, PlatformError::Cause::damaged, "文件已损坏或无法识别（"},
      {dir_ / "missing.mov", PlatformError::Cause::fileMissing, "文件不存在（No such file or directory）"},
  };
  for (const auto& row : rows) {
    try {
      Transcoder::probeSync(row.path);
      ADD_FAILURE() << row.path << " was probed";
    } catch (const PlatformError& e) {
      EXPECT_EQ(e.cause(), row.cause) << row.path << ": " << e.description();
      EXPECT_EQ(e.description().rfind(row.start, 0), 0u) << e.description();
      EXPECT_FALSE(e.libraryText().empty());
    }
  }
}

TEST_F(Probe, ReadsAudioRateAndChannels) {
  auto mono = video(64, 48, 0.3);
  mono.audioChannels = 1;
  mono.audioSampleRate = 48000;
  ProbeInfo info = Transcoder::probeSync(source("mono.mp4", mono));
  EXPECT_TRUE(info.hasAudio);
  EXPECT_EQ(info.audioSampleRate, 48000);
  EXPECT_EQ(info.audioChannels, 1);

  auto surround = video(64, 48, 0.3);
  surround.audioChannels = 6;
  surround.audioSampleRate = 96000;
  info = Transcoder::probeSync(source("six.mov", surround));
  EXPECT_EQ(info.audioSampleRate, 96000);
  EXPECT_EQ(info.audioChannels, 6);
}

TEST_F(Probe, KeepsFractionalAndIrregularRates) {
  auto ntsc = video(64, 48, 1.0);
  ntsc.fps = {30000, 1001};
  EXPECT_NEAR(Transcoder::probeSync(source("ntsc.mp4", ntsc)).fps, 29.97, 0.001);

  auto irregular = video(64, 48, 1.0);
  irregular.variableFrameRate = true;
  irregular.fps = {24, 1};
  const ProbeInfo info = Transcoder::probeSync(source("vfr.mov", irregular));
  EXPECT_NEAR(info.fps, 24, 1.0);  // the average, not the 48 Hz tick of the shortest step
  EXPECT_NEAR(info.duration, 1.0, 0.05);
}

TEST_F(Probe, HdrSourceIsMeasuredWithACover) {
  auto o = video(128, 72, 0.2);
  o.hdr = fx::Hdr::pq;
  const ProbeInfo info = Transcoder::probeSync(source("pq.mov", o));
  EXPECT_EQ(info.width, 128);
  EXPECT_EQ(info.height, 72);
  EXPECT_TRUE(info.thumbnail);
}

TEST_F(Probe, FiveProbesAtOnce) {
  std::vector<std::filesystem::path> paths;
  for (int i = 0; i < 5; ++i) {
    auto o = video(64 + 32 * i, 48, 0.3);
    o.audioChannels = i % 2 == 0 ? 2 : 0;
    paths.push_back(source("p" + std::to_string(i) + ".mp4", o));
  }
  std::vector<std::future<ProbeInfo>> running;
  for (const auto& path : paths) running.push_back(Transcoder::probe(path));
  for (int i = 0; i < 5; ++i) {
    const ProbeInfo info = running[i].get();
    EXPECT_EQ(info.width, 64 + 32 * i);
    EXPECT_EQ(info.hasAudio, i % 2 == 0);
    EXPECT_TRUE(info.thumbnail);
  }
  EXPECT_THROW(Transcoder::probe(dir_ / "none.mov").get(), PlatformError);
}

// Frame k of the fixtures carries k in its counter, so the cover says which
// frame it was made from.
TEST_F(Probe, CoverIsTheFirstFrameAtOrAfterFiftyMilliseconds) {
  const struct {
    fx::Rational fps;
    int frame;
  } rows[] = {{{30, 1}, 2}, {{20, 1}, 1}, {{10, 1}, 1}, {{1, 1}, 1}};
  for (const auto& row : rows) {
    auto o = video(160, 120, 2.0);
    o.fps = row.fps;
    const auto path = source("count.mov", o);
    const auto thumb = Transcoder::makeThumbnail(path, 320);
    ASSERT_TRUE(thumb) << row.fps.num;
    EXPECT_EQ(fx::readFrameCounter(asImage(*thumb), {0, 0, 160, 120}), row.frame) << row.fps.num << " fps";
  }
}

TEST_F(Probe, CoverComesFromLateVideoOnlyWithinOneSecond) {
  auto o = video(160, 120, 1.0);
  o.audioChannels = 2;
  o.audioLeadSeconds = 0.5;  // the first frame is at 0.5 s
  auto thumb = Transcoder::makeThumbnail(source("late.mov", o), 320);
  ASSERT_TRUE(thumb);
  EXPECT_EQ(fx::readFrameCounter(asImage(*thumb), {0, 0, 160, 120}), 0);

  o.audioLeadSeconds = 2.0;  // nothing between 0.05 s and 1.05 s
  const auto path = source("later.mov", o);
  EXPECT_FALSE(Transcoder::makeThumbnail(path, 320));
  const ProbeInfo info = Transcoder::probeSync(path);
  EXPECT_FALSE(info.thumbnail);
  EXPECT_EQ(info.width, 160);
}

TEST_F(Probe, MakeThumbnailNeverThrows) {
  fx::writeBytes(dir_ / "noise.mov", 4096);
  EXPECT_FALSE(Transcoder::makeThumbnail(dir_ / "noise.mov", 320));
  EXPECT_FALSE(Transcoder::makeThumbnail(dir_ / "missing.mov", 320));
  EXPECT_FALSE(Transcoder::makeThumbnail(source("ok.mov", video(64, 48)), 0));
}

TEST_F(Probe, CoverGivesUpOncePastItsDeadline) {
  const auto path = source("slow.mov", video(160, 120));
  av::MediaInput input(path);
  input.setDeadline(av::MediaInput::Clock::now() - std::chrono::seconds(1));
  EXPECT_FALSE(av::coverFrame(input, input.firstVideoStream(), 320));

  av::MediaInput again(path);
  again.setDeadline(av::MediaInput::Clock::now() + std::chrono::seconds(60));
  EXPECT_TRUE(av::coverFrame(again, again.firstVideoStream(), 320));
}
