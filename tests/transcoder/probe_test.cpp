#include <gtest/gtest.h>

#include "transcode_fixture.h"
#include "transcoder/detail/media_input.h"
#include "transcoder/detail/thumbnail.h"

using namespace kivotra;
using namespace kivotra::testing;

namespace {

using Probe = TranscodeTest;

fx::Image asImage(const RgbaBitmap& b) { return {b.width, b.height, 4, b.pixels}; }

std::optional<RgbaBitmap> thumbnailOf(const std::filesystem::path& path) {
  return test::bounded([&] { return Transcoder::makeThumbnail(path, 320); });
}

}  // namespace

TEST_F(Probe, MeasuresSizeRateLengthSoundAndACoverFittedIntoThreeHundredTwenty) {
  struct Case {
    const char* name;
    fx::MediaOptions o;
    int rate, channels;  // 44100 and 2 when there is no sound
    int thumbW, thumbH;
  };
  const auto with = [](fx::MediaOptions o, auto change) { return change(o), o; };
  const Case cases[] = {
      {"landscape.mp4", clip(320, 180, 1, 2), 48000, 2, 320, 180},
      {"portrait.mov", clip(180, 320, 0.5), 44100, 2, 180, 320},
      {"hd.mp4", clip(1920, 1080, 0.1), 44100, 2, 320, 180},
      {"tall.mov", clip(480, 960, 0.2), 44100, 2, 160, 320},
      {"mono.mp4", with(clip(64, 48, 0.3, 1), [](auto& o) { o.audioSampleRate = 48000; }), 48000, 1, 64, 48},
      {"six.mov", with(clip(64, 48, 0.3, 6), [](auto& o) { o.audioSampleRate = 96000; }), 96000, 6, 64, 48},
      {"ntsc.mp4",
       with(clip(64, 48, 1),
            [](auto& o) {
              o.fps = {30000, 1001};
            }),
       44100, 2, 64, 48},
      // The average rate, not the 48 Hz tick of the shortest step.
      {"vfr.mov",
       with(clip(64, 48, 1),
            [](auto& o) {
              o.fps = {24, 1};
              o.variableFrameRate = true;
            }),
       44100, 2, 64, 48},
      {"pq.mov", with(clip(128, 72, 0.2), [](auto& o) { o.hdr = fx::Hdr::pq; }), 44100, 2, 128, 72},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto path = source(c.name, c.o);
    const ProbeInfo info = probe(path);
    EXPECT_EQ(info.width, c.o.width);
    EXPECT_EQ(info.height, c.o.height);
    EXPECT_NEAR(info.fps, c.o.fps.value(), c.o.variableFrameRate ? 1.0 : 0.001);
    EXPECT_NEAR(info.duration, c.o.seconds, 0.05);
    EXPECT_EQ(info.fileSize, static_cast<std::int64_t>(std::filesystem::file_size(path)));
    EXPECT_EQ(info.hasAudio, c.o.audioChannels > 0);
    EXPECT_EQ(info.audioSampleRate, c.rate);
    EXPECT_EQ(info.audioChannels, c.channels);
    ASSERT_TRUE(info.thumbnail);
    EXPECT_EQ(info.thumbnail->width, c.thumbW);
    EXPECT_EQ(info.thumbnail->height, c.thumbH);
    EXPECT_EQ(info.thumbnail->pixels.size(), static_cast<std::size_t>(c.thumbW) * c.thumbH * 4);
  }
}

// swscale writes whole SIMD blocks; a cover row of 8 bytes once took its
// neighbours' memory with it (heap corruption after a few probes).
TEST_F(Probe, PicturesAFewPixelsWideGiveACoverOfTheirOwnSize) {
  fx::MediaOptions turned = clip(2, 8, 1);
  turned.rotation = 90;
  const auto narrow = source("narrow.mov", clip(2, 8, 1));
  const auto flat = source("flat.mov", turned);
  for (int round = 0; round < 4; ++round) {
    const ProbeInfo a = probe(narrow), b = probe(flat);
    ASSERT_TRUE(a.thumbnail && b.thumbnail);
    EXPECT_EQ(a.thumbnail->width, 2);
    EXPECT_EQ(a.thumbnail->height, 8);
    EXPECT_EQ(a.thumbnail->pixels.size(), 2u * 8 * 4);
    EXPECT_EQ(b.thumbnail->width, 8);
    EXPECT_EQ(b.thumbnail->height, 2);
  }
}

TEST_F(Probe, RotatedAndMirroredFilesReportTheUprightSizeAndCover) {
  const int w = 320, h = 180;
  for (int rotation : {0, 90, 180, 270}) {
    for (bool mirrored : {false, true}) {
      auto o = clip(w, h, 0.2);
      o.rotation = rotation;
      o.hflip = mirrored;
      const ProbeInfo info = probe(source("turned.mov", o));
      SCOPED_TRACE(::testing::Message() << rotation << (mirrored ? " mirrored" : ""));
      const bool sideways = rotation % 180 != 0;
      EXPECT_EQ(info.width, sideways ? h : w);
      EXPECT_EQ(info.height, sideways ? w : h);
      ASSERT_TRUE(info.thumbnail);
      const fx::Image thumb = asImage(*info.thumbnail);
      ASSERT_EQ(thumb.width, info.width);
      // The white marker and its tail land where the display matrix puts them,
      // and not where the other orientations of that shape would.
      for (int other : {0, 90, 180, 270}) {
        for (bool otherMirror : {false, true}) {
          if ((other % 180 != 0) != sideways) continue;
          const fx::Rect tail = fx::uprightRect(fx::pattern::tail(w, h), w, h, other, otherMirror);
          const fx::Rect marker = fx::uprightRect(fx::pattern::marker(w, h), w, h, other, otherMirror);
          const double darker = std::min(thumb.mean(tail), thumb.mean(marker));
          if (other == rotation && otherMirror == mirrored) {
            EXPECT_GT(darker, 200);
          } else {
            EXPECT_LT(darker, 160) << other << " " << otherMirror;
          }
        }
      }
    }
  }
}

TEST_F(Probe, IgnoresCoverArtStream) {
  auto o = clip(160, 120, 0.5, 2);
  o.coverArt = true;
  const auto path = source("cover.mp4", o);
  ASSERT_EQ(fx::readFacts(path).streamKinds.front(), "cover");
  const ProbeInfo info = probe(path);
  EXPECT_EQ(info.width, 160);
  EXPECT_NEAR(info.fps, 30, 1e-9);
  ASSERT_TRUE(info.thumbnail);
  // The cover is pure red; the video's grey has equal red and green.
  const fx::Image thumb = asImage(*info.thumbnail);
  EXPECT_NEAR(thumb.mean({60, 50, 40, 20}, 0), thumb.mean({60, 50, 40, 20}, 1), 10);
}

TEST_F(Probe, FilesWithoutVideoOrThatCannotBeReadFailWithTheirCause) {
  fx::MediaOptions sound;
  sound.video = false;
  sound.audioChannels = 2;
  for (const char* name : {"sound.mov", "sound.mp4"}) {
    const auto error = transcodeErrorOf([&] { probe(source(name, sound)); });
    EXPECT_EQ(error, TranscodeError::noVideoTrack()) << name;
  }
  fx::writeBytes(dir_ / "empty.mov", 0);
  fx::writeBytes(dir_ / "noise.mov", 64 * 1024);
  const auto truncated = source("truncated.mp4", clip(160, 120, 0.5));
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
      probe(row.path);
      ADD_FAILURE() << row.path << " was probed";
    } catch (const PlatformError& e) {
      EXPECT_EQ(e.cause(), row.cause) << row.path << ": " << e.description();
      EXPECT_EQ(e.description().rfind(row.start, 0), 0u) << e.description();
    }
    EXPECT_FALSE(thumbnailOf(row.path)) << row.path;  // never throws
  }
}

TEST_F(Probe, FiveProbesAtOnce) {
  std::vector<std::future<ProbeInfo>> running;
  for (int i = 0; i < 5; ++i)
    running.push_back(
        Transcoder::probe(source("p" + std::to_string(i) + ".mp4", clip(64 + 32 * i, 48, 0.3, i % 2 ? 0 : 2))));
  for (int i = 0; i < 5; ++i) {
    ASSERT_EQ(running[i].wait_for(std::chrono::seconds(60)), std::future_status::ready);
    const ProbeInfo info = running[i].get();
    EXPECT_EQ(info.width, 64 + 32 * i);
    EXPECT_EQ(info.hasAudio, i % 2 == 0);
  }
}

// Frame k of the fixtures carries k in its counter, so the cover says which frame it was made from.
TEST_F(Probe, CoverIsTheFirstFrameAtOrAfterFiftyMillisecondsAndWithinOneSecond) {
  const struct {
    fx::Rational fps;
    double lead;  // the first frame's time
    int frame;    // -1: no cover
  } rows[] = {{{30, 1}, 0, 2}, {{20, 1}, 0, 1}, {{1, 1}, 0, 1}, {{30, 1}, 0.5, 0}, {{30, 1}, 2, -1}};
  int n = 0;
  for (const auto& row : rows) {
    auto o = clip(160, 120, 2, row.lead > 0 ? 2 : 0);
    o.fps = row.fps;
    o.audioLeadSeconds = row.lead;
    const auto path = source("count" + std::to_string(n++) + ".mov", o);
    const auto thumb = thumbnailOf(path);
    SCOPED_TRACE(::testing::Message() << row.fps.num << " fps, first frame at " << row.lead);
    ASSERT_EQ(thumb.has_value(), row.frame >= 0);
    if (thumb) {
      EXPECT_EQ(fx::readFrameCounter(asImage(*thumb), {0, 0, 160, 120}), row.frame);
    } else {
      EXPECT_EQ(probe(path).width, 160);  // measured all the same
    }
  }
}

TEST_F(Probe, CoverGivesUpOncePastItsDeadline) {
  const auto path = source("slow.mov", clip(160, 120, 0.5));
  const auto coverBy = [&](av::MediaInput::Clock::time_point deadline) {
    return test::bounded([&] {
      av::MediaInput input(path);
      input.setDeadline(deadline);
      return av::coverFrame(input, input.firstVideoStream(), 320).has_value();
    });
  };
  EXPECT_FALSE(coverBy(av::MediaInput::Clock::now() - std::chrono::seconds(1)));
  EXPECT_TRUE(coverBy(av::MediaInput::Clock::now() + std::chrono::seconds(60)));
}
