// Whole transcodes of small generated clips: what the output file holds.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "models/geometry.h"
#include "transcode_fixture.h"

using namespace kivotra;
using namespace kivotra::testing;

namespace {

using Transcode = TranscodeTest;

void expectNear(const fx::Rect& actual, const fx::Rect& expected, int tolerance, const char* name) {
  EXPECT_NEAR(actual.x, expected.x, tolerance) << name;
  EXPECT_NEAR(actual.y, expected.y, tolerance) << name;
  EXPECT_NEAR(actual.w, expected.w, tolerance) << name;
  EXPECT_NEAR(actual.h, expected.h, tolerance) << name;
}

}  // namespace

TEST_F(Transcode, KeepCropAndPadOnLandscapePortraitAndTurnedSources) {
  const struct {
    const char* name;
    int width, height, rotation;  // stored source
    FitMode fit;
    Dims canvas;
    fx::Rect picture;  // where the source picture shows on the canvas
  } cases[] = {
      {"landscape keep", 320, 180, 0, FitMode::keep, {160, 90}, {0, 0, 160, 90}},
      {"4:3 pad", 240, 180, 0, FitMode::pad, {160, 90}, {20, 0, 120, 90}},
      {"4:3 crop", 240, 180, 0, FitMode::crop, {160, 90}, {0, 0, 160, 90}},
      {"portrait keep", 180, 320, 0, FitMode::keep, {90, 160}, {0, 0, 90, 160}},
      {"portrait pad", 180, 320, 0, FitMode::pad, {160, 90}, {55, 0, 50, 90}},
      {"turned keep", 320, 180, 90, FitMode::keep, {90, 160}, {0, 0, 90, 160}},
      {"turned pad", 320, 180, 90, FitMode::pad, {160, 90}, {55, 0, 50, 90}},
      {"turned crop", 320, 180, 90, FitMode::crop, {160, 90}, {0, 0, 160, 90}},
  };
  for (const auto& c : cases) {
    fx::MediaOptions o = clip(c.width, c.height, 0.2);
    o.rotation = c.rotation;
    const fx::MediaFacts facts = roundTrip(c.name, o, config(90, c.fit));
    ASSERT_TRUE(facts.video) << c.name;
    EXPECT_EQ((Dims{facts.video->width, facts.video->height}), c.canvas) << c.name;
    EXPECT_EQ(facts.video->rotation, 0) << c.name;
    // Black (16) bands where the picture (grey 126 and brighter) does not reach.
    const fx::Image luma = outputFrame(c.name, 3);
    expectNear(fx::brightBounds(luma, 40), c.picture, 2, c.name);
    if (c.picture.x > 4) {
      EXPECT_LT(luma.mean({0, 0, c.picture.x - 2, luma.height}), 20) << c.name;
    }
  }
}

// The white marker and its tail land where the display matrix puts them, and
// not where the other orientations of that shape would: in the probe's size
// and cover, and in the output, whose canvas has the upright shape.
TEST_F(Transcode, EveryTurnAndMirrorIsProbedAndWrittenUpright) {
  const int w = 192, h = 108;
  for (int rotation : {0, 90, 180, 270}) {
    for (bool mirrored : {false, true}) {
      const std::string name = std::to_string(rotation) + (mirrored ? "m" : "");
      SCOPED_TRACE(name);
      fx::MediaOptions o = clip(w, h, 0.1);
      o.rotation = rotation;
      o.hflip = mirrored;
      const bool sideways = rotation % 180 != 0;
      const ProbeInfo info = probe(source(name + ".mov", o));
      EXPECT_EQ(info.width, sideways ? h : w);
      EXPECT_EQ(info.height, sideways ? w : h);
      ASSERT_TRUE(info.thumbnail);
      transcode(dir_ / (name + ".mov"), dir_ / (name + ".mp4"), config(h), info);
      const fx::Image pictures[] = {{info.thumbnail->width, info.thumbnail->height, 4, info.thumbnail->pixels},
                                    fx::decodeVideoFrame(dir_ / (name + ".mp4"), 0, fx::PixelKind::luma)};
      for (const fx::Image& picture : pictures) {
        ASSERT_EQ(picture.width, info.width);
        ASSERT_EQ(picture.height, info.height);
        for (int other : {0, 90, 180, 270}) {
          for (bool otherMirror : {false, true}) {
            if ((other % 180 != 0) != sideways) continue;
            const fx::Rect tail = fx::uprightRect(fx::pattern::tail(w, h), w, h, other, otherMirror);
            const fx::Rect marker = fx::uprightRect(fx::pattern::marker(w, h), w, h, other, otherMirror);
            const double darker = std::min(picture.mean(tail), picture.mean(marker));
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
}

TEST_F(Transcode, CoverArtIsNotMistakenForTheVideo) {
  fx::MediaOptions o = clip(320, 180, 0.2, 2);
  o.coverArt = true;
  const fx::MediaFacts facts = roundTrip("cover.mp4", o, config(90));
  EXPECT_EQ(facts.streamKinds, (std::vector<std::string>{"video", "audio"}));
  EXPECT_NEAR(outputFrame("cover.mp4", 0).mean({60, 30, 40, 20}), 126,
              20);  // the grey picture, not the red cover
}

TEST_F(Transcode, OutputRateIsConstantAndFollowsTheRule) {
  const struct {
    const char* name;
    fx::Rational source;
    bool variable;
    int asked;
    fx::Rational expected;
  } cases[] = {
      {"60 asked 30", {60, 1}, false, 30, {30, 1}},
      {"25 asked 30 stays 25", {25, 1}, false, 30, {25, 1}},
      {"29.97 kept as 30000 over 1001", {30000, 1001}, false, 0, {30000, 1001}},
      {"variable 30", {30, 1}, true, 0, {30, 1}},
  };
  for (const auto& c : cases) {
    fx::MediaOptions o = clip(160, 90, 1);
    o.fps = c.source;
    o.variableFrameRate = c.variable;
    const fx::MediaFacts facts = roundTrip(c.name, o, config(90, FitMode::keep, c.asked));
    ASSERT_TRUE(facts.video) << c.name;
    const auto& t = facts.video->frameTimes;
    EXPECT_EQ(static_cast<std::int64_t>(facts.video->avgFrameRate.num) * c.expected.den,
              static_cast<std::int64_t>(c.expected.num) * facts.video->avgFrameRate.den)
        << c.name;
    ASSERT_GT(t.size(), 1u) << c.name;
    EXPECT_NEAR(t.front(), 0, 1e-6) << c.name;
    for (std::size_t i = 1; i < t.size(); ++i) ASSERT_NEAR(t[i] - t[i - 1], 1.0 / c.expected.value(), 1e-3) << c.name << i;
    // As long as the source, one frame per tick.
    const double length = std::floor(c.source.value() + 1e-9) / c.source.value();
    EXPECT_NEAR(t.size(), length * c.expected.value(), 2.01) << c.name;
    // Each tick shows the source frame on screen at that moment: the counter never runs backwards.
    int last = -1;
    for (int i = 0; c.variable && i < 30; i += 7) {
      const fx::Image luma = outputFrame(c.name, i);
      const int counter = fx::readFrameCounter(luma, {0, 0, luma.width, luma.height});
      EXPECT_GE(counter, last) << "output frame " << i;
      last = counter;
    }
  }
}

TEST_F(Transcode, SoundBecomesAacOfAtMostTwoChannelsOrIsLeftOut) {
  const struct {
    const char* name;
    int channels, rate;
    bool probeSaysAudio;
    int expectedChannels, expectedRate;  // 0: no audio stream
  } cases[] = {
      {"mono.mp4", 1, 48000, true, 1, 48000},
      {"surround.mp4", 6, 44100, true, 2, 44100},
      {"192k.mov", 2, 192000, true, 2, 48000},  // a rate AAC refuses is resampled
      {"probe-wrong.mp4", 2, 48000, false, 0, 0},
      {"silent.mp4", 0, 48000, true, 0, 0},  // the probe said there was sound
  };
  for (const auto& c : cases) {
    fx::MediaOptions o = clip(160, 90, 1, c.channels);
    o.audioSampleRate = c.rate;
    ProbeInfo info = infoFor(o);
    info.hasAudio = c.probeSaysAudio;
    transcode(source(c.name, o), dir_ / "out.mp4", config(90), info);
    const fx::MediaFacts facts = fx::readFacts(dir_ / "out.mp4");
    ASSERT_EQ(facts.audio.has_value(), c.expectedChannels > 0) << c.name;
    if (!facts.audio) continue;
    EXPECT_EQ(facts.audio->codec, "aac") << c.name;
    EXPECT_EQ(facts.audio->channels, c.expectedChannels) << c.name;
    EXPECT_EQ(facts.audio->sampleRate, c.expectedRate) << c.name;
    EXPECT_NEAR(facts.audio->duration, 1.0, 0.05) << c.name;
  }
}

TEST_F(Transcode, AudioStartingBeforeVideoEndsTogetherWithIt) {
  fx::MediaOptions o = clip(160, 90, 1.5, 2);
  o.audioLeadSeconds = 0.5;
  const fx::MediaFacts facts = roundTrip("lead.mov", o, config(90));
  ASSERT_TRUE(facts.video && facts.audio);
  // The earliest sample starts the timeline; the picture is there from zero on.
  EXPECT_NEAR(facts.audio->startTime, 0, 0.03);
  EXPECT_NEAR(facts.video->startTime, 0, 0.001);
  const double videoEnd = facts.video->startTime + facts.video->duration;
  EXPECT_NEAR(videoEnd, facts.audio->startTime + facts.audio->duration, 0.15);
  EXPECT_NEAR(videoEnd, 2.0, 0.15);
  // The first video frame is the source's first, held until the video began.
  const fx::Image first = outputFrame("lead.mov", 0);
  EXPECT_EQ(fx::readFrameCounter(first, {0, 0, first.width, first.height}), 0);
}

TEST_F(Transcode, ReplacesTheDestinationReportingProgressUpToOneAndTheFilesSize) {
  const fx::MediaOptions o = clip(160, 90, 1, 2);
  const auto src = source("src.mp4", o);
  const auto dst = dir_ / "out.mp4";
  fx::writeBytes(dst, 4 << 20);
  std::vector<double> seen;
  auto future = Transcoder::transcode(src, dst, config(90, FitMode::keep, 0, 300), infoFor(o),
                                      [&](double f) { seen.push_back(f); }, {});
  ASSERT_EQ(future.wait_for(std::chrono::seconds(60)), std::future_status::ready);
  EXPECT_EQ(future.get(), static_cast<std::int64_t>(std::filesystem::file_size(dst)));
  EXPECT_LT(std::filesystem::file_size(dst), 1u << 20);
  ASSERT_GE(seen.size(),
            30u);  // one report per written frame, and the final one
  EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
  EXPECT_LT(seen[seen.size() / 2], 0.9);
  EXPECT_EQ(seen.back(), 1.0);

  const fx::MediaFacts facts = fx::readFacts(dst);
  ASSERT_TRUE(facts.video);
  EXPECT_EQ(facts.video->codec, "h264");
  EXPECT_EQ(facts.video->profile, "High");
  EXPECT_EQ(facts.video->pixelFormat, "yuv420p");
  EXPECT_EQ(facts.video->colorPrimaries, "bt709");
  EXPECT_EQ(facts.video->colorTransfer, "bt709");
  EXPECT_EQ(facts.video->colorSpace, "bt709");
  EXPECT_EQ(facts.video->colorRange, "tv");
  // x264 writes its settings into the stream: average bitrate mode at the asked rate.
  const std::string bytes = fx::readFile(dst);
  EXPECT_NE(bytes.find("rc=abr"), std::string::npos);
  EXPECT_NE(bytes.find(" bitrate=300 "), std::string::npos);

  // Without a known length the progress is full after a tenth of a second.
  ProbeInfo unknown = infoFor(o);
  unknown.duration = 0;
  seen.clear();
  transcode(src, dst, config(90), unknown, [&](double f) { seen.push_back(f); });
  ASSERT_GT(seen.size(), 10u);
  EXPECT_LT(seen.front(), 1.0);
  EXPECT_EQ(seen[10], 1.0);  // 10/30 s is past 0.1 s
}

TEST_F(Transcode, HdrSourcesAreToneMappedToEightBitBt709) {
  // The pattern's code values mean light levels here: in PQ the grey (code
  // 0.5) is about 92 cd/m², nearly SDR white, the white marker 10000 cd/m²,
  // the dark cells about 5 cd/m². Re-tagging without tone mapping would show
  // that grey at 126 and the white above the legal range.
  const struct {
    const char* name;
    fx::Hdr hdr;
    double greyMin, greyMax;
  } cases[] = {{"PQ", fx::Hdr::pq, 170, 225}, {"HLG", fx::Hdr::hlg, 110, 200}};
  for (const auto& c : cases) {
    fx::MediaOptions o = clip(320, 180, 0.2);
    o.hdr = c.hdr;
    const fx::MediaFacts facts = roundTrip(std::string(c.name) + ".mp4", o, config(180));
    ASSERT_TRUE(facts.video) << c.name;
    EXPECT_EQ(facts.video->pixelFormat, "yuv420p") << c.name;
    EXPECT_EQ(facts.video->colorTransfer, "bt709") << c.name;
    const fx::Image luma = outputFrame(std::string(c.name) + ".mp4", 0);
    const double grey = luma.mean({160, 60, 80, 60});
    const double white = luma.mean({10, 10, 60, 25});
    EXPECT_GT(grey, c.greyMin) << c.name;
    EXPECT_LT(grey, c.greyMax) << c.name;
    EXPECT_GE(white, 228) << c.name;  // highlights roll off to white...
    EXPECT_LE(white, 236) << c.name;  // ...and stay inside the video range
    EXPECT_LT(luma.mean(fx::pattern::counterCell(320, 180, 7)), grey - 40) << c.name;
  }
}
