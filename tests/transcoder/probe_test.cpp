#include <gtest/gtest.h>

#include "transcode_fixture.h"
#include "transcoder/detail/media_input.h"
#include "transcoder/detail/thumbnail.h"

using namespace kivotra;
using namespace kivotra::testing;

using Probe = TranscodeTest;

TEST_F(Probe, MeasuresSizeRateLengthSoundAndACoverFittedIntoThreeHundredTwenty) {
  const auto with = [](fx::MediaOptions o, auto change) { return change(o), o; };
  const struct {
    const char* name;
    fx::MediaOptions o;
    int rate, channels;  // 44100 and 2 when there is no sound
    int thumbW, thumbH;
    int outChannels = 0, outRate = 0;  // of the compressed sound
  } cases[] = {
      {"landscape.mp4", clip(640, 360, 1, 1), 48000, 1, 320, 180, 1, 48000},
      {"tall.mov", with(clip(480, 960, 0.2), [](auto& o) { o.fps = {20, 1}; }), 44100, 2, 160, 320},
      // Down-mixed to two channels; resampled to a rate AAC takes.
      {"six.mov", with(clip(64, 48, 0.3, 6), [](auto& o) { o.audioSampleRate = 192000; }), 192000, 6, 64, 48, 2, 48000},
      {"ntsc.mp4", with(clip(64, 48, 1), [](auto& o) { o.fps = {30000, 1001}; }), 44100, 2, 64, 48},
      // The average rate, not the 48 Hz tick of the shortest step.
      {"vfr.mov", with(clip(64, 48, 1), [](auto& o) { o.fps = {24, 1}, o.variableFrameRate = true; }), 44100, 2, 64, 48},
      {"pq.mov", with(clip(128, 72, 0.2), [](auto& o) { o.hdr = fx::Hdr::pq; }), 44100, 2, 128, 72},
      // Demuxed as stream 0, a red picture: never the video's size, rate, cover or picture.
      {"cover.mp4", with(clip(160, 120, 0.5, 2), [](auto& o) { o.coverArt = true; }), 48000, 2, 160, 120, 2, 48000},
      // swscale writes whole SIMD blocks; a cover row of 8 bytes once took its
      // neighbours' memory with it (heap corruption after a few probes).
      {"narrow.mov", clip(2, 8, 1), 44100, 2, 2, 8},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto path = source(c.name, c.o);
    if (c.o.coverArt) {
      ASSERT_EQ(fx::readFacts(path).streamKinds.front(), "cover");
    }
    const ProbeInfo info = probe(path);
    const ProbeInfo expected = infoFor(c.o);
    EXPECT_EQ(std::pair(info.width, info.height), std::pair(expected.width, expected.height));
    EXPECT_NEAR(info.fps, c.o.fps.value(), c.o.variableFrameRate ? 1.0 : 0.001);
    EXPECT_NEAR(info.duration, c.o.seconds, 0.05);
    EXPECT_EQ(info.fileSize, static_cast<std::int64_t>(std::filesystem::file_size(path)));
    EXPECT_EQ(info.hasAudio, c.o.audioChannels > 0);
    EXPECT_EQ(info.audioSampleRate, c.rate);
    EXPECT_EQ(info.audioChannels, c.channels);
    ASSERT_TRUE(info.thumbnail);
    ASSERT_EQ(std::pair(info.thumbnail->width, info.thumbnail->height), std::pair(c.thumbW, c.thumbH));
    ASSERT_EQ(info.thumbnail->pixels.size(), static_cast<std::size_t>(c.thumbW) * c.thumbH * 4);
    // Every picture is grey and white: as much red as green.
    const fx::Image thumb{c.thumbW, c.thumbH, 4, info.thumbnail->pixels};
    const fx::Rect all{0, 0, thumb.width, thumb.height};
    EXPECT_NEAR(thumb.mean(all, 0), thumb.mean(all, 1), 10);
    // Frame k of the fixtures carries k in its counter: the cover is the first
    // frame at or after 50 ms, at 20 fps the second (exactly at 50 ms), at the
    // other rates the third (too small or tone-mapped: unread).
    if (c.thumbW >= 64 && c.o.hdr == fx::Hdr::none) {
      EXPECT_EQ(counterOf(thumb), c.o.fps.num == 20 ? 1 : 2);
    }

    // Compressed as the probe says, and as a probe wrong about the sound would
    // say: AAC sound only when both the file and the probe have it.
    for (const bool contradicted : {false, true}) {
      ProbeInfo told = info;
      told.hasAudio = info.hasAudio != contradicted;
      transcode(path, dir_ / "out.mp4", config(90), told);
      const fx::MediaFacts out = fx::readFacts(dir_ / "out.mp4");
      const bool sound = info.hasAudio && !contradicted;
      EXPECT_EQ(out.streamKinds.size(), sound ? 2u : 1u) << "contradicted " << contradicted;
      const fx::Image picture = frame("out.mp4", 0);
      EXPECT_GT(picture.mean({0, 0, picture.width, picture.height}), 100) << "the grey picture, not the red cover";
      ASSERT_EQ(out.audio.has_value(), sound);
      if (!sound) continue;
      EXPECT_EQ(std::tuple(out.audio->codec, out.audio->channels, out.audio->sampleRate),
                std::tuple("aac", c.outChannels, c.outRate));
      EXPECT_NEAR(out.audio->duration, c.o.seconds, 0.05);
    }
  }
}

// The probe and a run fail alike: with the platform's cause, or, for sound
// without a picture, with no video track. The cover maker never throws.
TEST_F(Probe, FilesWithoutVideoOrThatCannotBeReadFailWithTheirCauseInProbeAndRun) {
  fx::MediaOptions sound = clip(160, 90, 0.5, 2);
  sound.video = false;
  source("sound.mp4", sound);
  fx::writeBytes(dir_ / "noise.mov", 64 * 1024);  // (empty and cut files: the CLI's corpus)
  using Cause = PlatformError::Cause;
  const struct {
    std::filesystem::path path;
    std::optional<Cause> cause;  // none: no video track
    const char* start;
  } rows[] = {
      {dir_ / "sound.mp4", {}, ""},
      {dir_ / "noise.mov", Cause::damaged, "文件已损坏或无法识别（"},
      {dir_.path(), Cause::other, ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.path);
    const std::function<void()> calls[] = {[&] { probe(row.path); },
                                            [&] { transcode(row.path, dir_ / "out.mp4", config(90), {}); }};
    for (const auto& call : calls) {
      if (!row.cause) {
        EXPECT_EQ(errorOf(call), TranscodeError::noVideoTrack());
      } else if (const auto e = errorOf<PlatformError>(call)) {
        EXPECT_EQ(e->cause(), *row.cause) << e->description();
        EXPECT_EQ(e->description().rfind(row.start, 0), 0u) << e->description();
      }
    }
    EXPECT_FALSE(test::bounded([&] { return Transcoder::makeThumbnail(row.path, 320); }));
  }
}

TEST_F(Probe, NoCoverPastItsDeadline) {
  const auto path = source("count.mov", clip(160, 120, 2));
  test::bounded([&] {
    av::MediaInput input(path);
    input.setDeadline(av::MediaInput::Clock::now() - std::chrono::seconds(1));
    EXPECT_FALSE(av::coverFrame(input, input.firstVideoStream(), 320));
    return 0;
  });
}
