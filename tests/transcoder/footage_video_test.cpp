// Footage shaped like what phones, screen recorders and cameras write, made
// by the ffmpeg command-line tool, through the probe and the engine; each
// case checks what a viewer of the output would notice.

#include <gtest/gtest.h>

#include <QStringList>
#include <algorithm>
#include <cmath>
#include <regex>

#include "support/tool_process.h"
#include "transcode_fixture.h"
#include "transcoder/detail/frame_rate.h"

using namespace kivotra;
namespace fx = kivotra::fixtures;

namespace {

class FootageVideo : public kivotra::testing::TranscodeTest {
 protected:
  // Runs ffmpeg with `args` (inputs and codec settings) writing dir_/name.
  std::filesystem::path make(const std::string& name, const QStringList& args) {
    const std::filesystem::path path = dir_ / name;
    const QStringList all = QStringList{"-v", "error", "-y"} + args + QStringList{QString::fromStdString(path)};
    const test::ToolResult r = test::runTool("ffmpeg", all, dir_.path(), 60000);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    return path;
  }

  // What ffmpeg prints on stderr for the output through `filter`.
  std::string inspect(const std::filesystem::path& file, const QString& filter, const QString& log = "info") {
    const QStringList args{"-hide_banner", "-nostats", "-v", log,    "-i", QString::fromStdString(file),
                           "-vf",          filter,     "-f", "null", "-"};
    return test::runTool("ffmpeg", args, dir_.path(), 60000).err;
  }

  std::filesystem::path compress(const std::filesystem::path& src, const ProbeInfo& info, int fps = 0,
                                 int shortSide = 240, int kbps = 1500) {
    const std::filesystem::path out = dir_ / (src.stem().string() + "-out.mp4");
    Transcoder::transcodeSync(src, out, config(shortSide, FitMode::keep, fps, kbps), info, {}, {});
    return out;
  }

  // Pictures that differ from the one before within the first second.
  int distinctPicturesInFirstSecond(const std::filesystem::path& file) {
    const QStringList args{"-v",  "error",      "-t", "1",        "-i", QString::fromStdString(file),
                           "-vf", "mpdecimate", "-f", "framemd5", "-"};
    const test::ToolResult r = test::runTool("ffmpeg", args, dir_.path(), 60000);
    const auto lines = r.outLines();
    return static_cast<int>(
        std::count_if(lines.begin(), lines.end(), [](const std::string& l) { return !l.empty() && l[0] != '#'; }));
  }
};

const QStringList kSmallH264{"-c:v", "libx264", "-preset", "ultrafast", "-pix_fmt", "yuv420p"};

// The largest difference in any channel between the centres of the seven
// colour bars of two pictures of the same bars, at any size.
double worstBarDifference(const fx::Image& a, const fx::Image& b) {
  const auto centre = [](const fx::Image& img, int bar) {
    return fx::Rect{(2 * bar + 1) * img.width / 14 - img.width / 40, img.height / 6, img.width / 20, img.height / 4};
  };
  double worst = 0;
  for (int bar = 0; bar < 7; ++bar) {
    for (int c = 0; c < 3; ++c) {
      worst = std::max(worst, std::abs(a.mean(centre(a, bar), c) - b.mean(centre(b, bar), c)));
    }
  }
  return worst;
}

// ---- frame rate ---------------------------------------------------------

TEST(FootageRate, TypicalIntervalWinsOverFramesPerDuration) {
  struct Row {
    const char* shape;
    AVRational real, average;
    double median, framesPerSecond, expected;
  };
  const Row rows[] = {
      {"constant 29.97", {30000, 1001}, {30000, 1001}, 1001 / 30000.0, 29.9, 29.97003},
      {"paused screen recording", {60, 1}, {8280, 1261}, 1 / 60.0, 6.6, 60},
      {"timestamps at a 1 ms tick", {1000, 1}, {24, 1}, 1 / 24.0, 24, 24},
      {"phone clip, jittery average", {30, 1}, {2994, 100}, 1 / 30.0, 29.94, 30},
      {"declared rates both wrong", {90000, 1}, {5, 1}, 1 / 25.0, 5, 25},
      {"nothing measured", {0, 1}, {25, 1}, 0, 0, 25},
      {"only frames over duration", {0, 1}, {0, 1}, 0, 12.5, 12.5},
  };
  for (const Row& r : rows) {
    EXPECT_NEAR(detail::typicalRate(r.real, r.average, r.median, r.framesPerSecond), r.expected, 1e-4) << r.shape;
  }
}

TEST(FootageRate, KeptRateStaysExactAndWithinTheLimit) {
  struct Row {
    double source;
    int requested;
    AVRational expected;
    int shown;
  };
  const Row rows[] = {
      {30000 / 1001.0, 0, {30000, 1001}, 30},
      {24000 / 1001.0, 0, {24000, 1001}, 24},
      {59.94, 0, {60000, 1001}, 60},
      {25, 0, {25, 1}, 25},
      {29.97, 30, {30000, 1001}, 30},
      {59.94, 30, {30, 1}, 30},
      {1000, 0, {240, 1}, 240},
      {12.5, 0, {25, 2}, 13},
      {0.3, 0, {1, 1}, 1},
      {0, 0, {30, 1}, 30},
  };
  for (const Row& r : rows) {
    ProbeInfo info;
    info.fps = r.source;
    Transcoder::Config c;
    c.fps = r.requested;
    const AVRational rate = detail::outputRate(info, c);
    EXPECT_EQ(av_cmp_q(rate, r.expected), 0)
        << r.source << " asked " << r.requested << ": " << rate.num << "/" << rate.den;
    EXPECT_EQ(Transcoder::outputFPS(info, c), r.shown) << r.source;
  }
}

TEST_F(FootageVideo, OutputRateFollowsTheSourcesTypicalInterval) {
  // 1 s of 60 fps motion, then 5 s of one new picture a second.
  const QStringList paused{"-f",
                           "lavfi",
                           "-i",
                           "testsrc2=s=320x240:r=60,trim=duration=1[a];"
                           "testsrc2=s=320x240:r=1,trim=start=1:duration=5,setpts=PTS-STARTPTS+1/TB[b];"
                           "[a][b]concat=n=2:v=1",
                           "-fps_mode",
                           "vfr"};
  struct Row {
    const char* shape;
    QStringList input;
    int requested;
    double probed;
    AVRational written;
    int minDistinct;  // in the output's first second
  };
  const Row rows[] = {
      {"paused 60 fps recording, 30 asked", paused, 30, 60, {30, 1}, 27},
      {"paused 60 fps recording, rate kept", paused, 0, 60, {60, 1}, 55},
      {"29.97 fps", {"-f", "lavfi", "-i", "testsrc2=s=320x240:r=30000/1001", "-t", "2"}, 0, 29.97, {30000, 1001}, 27},
      {"1000 fps", {"-f", "lavfi", "-i", "testsrc2=s=320x240:r=1000", "-t", "0.5"}, 0, 1000, {240, 1}, 0},
  };
  int n = 0;
  for (const Row& r : rows) {
    SCOPED_TRACE(r.shape);
    const auto src = make("rate" + std::to_string(n++) + ".mp4", r.input + kSmallH264);
    const ProbeInfo info = Transcoder::probeSync(src);
    EXPECT_NEAR(info.fps, r.probed, 0.01);
    const auto out = compress(src, info, r.requested);
    const fx::Rational written = fx::readFacts(out).video->avgFrameRate;
    EXPECT_EQ(av_cmp_q({written.num, written.den}, r.written), 0) << written.num << "/" << written.den;
    if (r.minDistinct > 0) EXPECT_GE(distinctPicturesInFirstSecond(out), r.minDistinct);
  }
}

// ---- geometry -----------------------------------------------------------

TEST_F(FootageVideo, ContainerPixelAspectPlacesAndShowsThePictureUnpillarboxed) {
  // 240x240 stored, the stream's own aspect 1:1, 4:3 pixels only in the MOV header.
  const auto square =
      make("square.mp4", QStringList{"-f", "lavfi", "-i", "color=c=gray:s=240x240:r=25", "-t", "0.5"} + kSmallH264);
  const auto src = make("pasp.mov", {"-i", QString::fromStdString(square), "-c", "copy", "-aspect", "4:3"});
  const ProbeInfo info = Transcoder::probeSync(src);
  ASSERT_EQ(info.width, 320);
  ASSERT_EQ(info.height, 240);
  const auto blackColumns = [](const fx::Image& img) {
    int black = 0;
    for (int x = 0; x < img.width; ++x) black += img.mean({x, 0, 1, img.height}) < 40 ? 1 : 0;
    return black;
  };
  ASSERT_TRUE(info.thumbnail);
  EXPECT_EQ(blackColumns(fx::Image{info.thumbnail->width, info.thumbnail->height, 4, info.thumbnail->pixels}), 0);
  const fx::Image out = fx::decodeVideoFrame(compress(src, info), 3, fx::PixelKind::luma);
  EXPECT_EQ(out.width, 320);
  EXPECT_EQ(blackColumns(out), 0);
}

// ---- interlace ----------------------------------------------------------

TEST_F(FootageVideo, InterlacedCameraFootageComesOutProgressive) {
  struct Row {
    const char* shape;
    QStringList input;
  };
  const Row rows[] = {
      {"25i top field first",
       QStringList{"-f", "lavfi", "-i", "testsrc2=s=320x240:r=50,tinterlace=interleave_top,setfield=tff", "-t", "2"} +
           kSmallH264 + QStringList{"-flags", "+ildct+ilme", "-x264opts", "tff=1"}},
      {"25i bottom field first",
       QStringList{"-f", "lavfi", "-i", "testsrc2=s=320x240:r=50,tinterlace=interleave_bottom,setfield=bff", "-t",
                   "2"} +
           kSmallH264 + QStringList{"-flags", "+ildct+ilme", "-x264opts", "bff=1"}},
  };
  const std::regex counts(R"(Multi frame detection: TFF:\s*(\d+) BFF:\s*(\d+) Progressive:\s*(\d+))");
  int n = 0;
  for (const Row& r : rows) {
    SCOPED_TRACE(r.shape);
    const auto src = make("interlaced" + std::to_string(n++) + ".mp4", r.input);
    const std::string before = inspect(src, "idet");
    std::smatch m;
    ASSERT_TRUE(std::regex_search(before, m, counts)) << before;
    ASSERT_GT(std::stoi(m[1]) + std::stoi(m[2]), 40);  // the source really is combed
    const ProbeInfo info = Transcoder::probeSync(src);
    EXPECT_NEAR(info.fps, 25, 0.01);  // one frame per frame, not per field
    const auto out = compress(src, info, 0, 240, 3000);
    const std::string after = inspect(out, "idet");
    ASSERT_TRUE(std::regex_search(after, m, counts)) << after;
    EXPECT_LE(std::stoi(m[1]) + std::stoi(m[2]), 8) << after;  // ffmpeg -vf bwdif leaves as many
    EXPECT_GE(std::stoi(m[3]), 40) << after;
  }
}

// ---- colour -------------------------------------------------------------

TEST_F(FootageVideo, TenBitGradientKeepsItsShadesWithoutBands) {
  // Luma climbs 10 8-bit steps across the width: 32-pixel bands if rounded.
  const auto src = make("gradient.mkv", {"-f", "lavfi", "-i",
                                         "nullsrc=s=320x240:r=25,format=yuv420p10le,"
                                         "geq=lum='400+X/8':cb=512:cr=512",
                                         "-t", "0.4", "-c:v", "ffv1"});
  const fx::Image out =
      fx::decodeVideoFrame(compress(src, Transcoder::probeSync(src), 0, 240, 8000), 5, fx::PixelKind::luma);
  // Means of 8-pixel-wide bands against the straight ramp through them:
  // rounding leaves a staircase up to half a code value off, a dither keeps
  // the in-between shades on average.
  std::vector<double> bands;
  for (int x = 8; x + 8 <= out.width - 8; x += 2) bands.push_back(out.mean({x, 0, 8, out.height}));
  const double n = static_cast<double>(bands.size());
  double sx = 0, sy = 0, sxx = 0, sxy = 0;
  for (std::size_t i = 0; i < bands.size(); ++i) {
    sx += i;
    sy += bands[i];
    sxx += static_cast<double>(i) * i;
    sxy += i * bands[i];
  }
  const double slope = (n * sxy - sx * sy) / (n * sxx - sx * sx);
  const double offset = (sy - slope * sx) / n;
  double banding = 0;
  for (std::size_t i = 0; i < bands.size(); ++i) banding = std::max(banding, std::abs(bands[i] - offset - slope * i));
  EXPECT_NEAR(slope * 160, 10, 1);  // still the same ramp: 10 code values over the width
  EXPECT_LT(banding, 0.25) << "steps up to " << banding << " code values off the ramp";
}

// The cover thumbnail and the output read their colours the same way: the
// card shows what the file will look like.
TEST_F(FootageVideo, ThumbnailShowsTheOutputsColours) {
  struct Row {
    const char* shape;
    QStringList input;
  };
  const QString bars = "smptebars=s=%1:r=25,format=%2";
  const Row rows[] = {
      {"HLG",
       {"-f", "lavfi", "-i", bars.arg("320x240", "yuv420p10le"), "-t", "0.3", "-c:v", "ffv1", "-color_primaries",
        "bt2020", "-color_trc", "arib-std-b67", "-colorspace", "bt2020nc"}},
      {"PQ",
       {"-f", "lavfi", "-i", bars.arg("320x240", "yuv420p10le"), "-t", "0.3", "-c:v", "ffv1", "-color_primaries",
        "bt2020", "-color_trc", "smpte2084", "-colorspace", "bt2020nc"}},
      {"untagged HD", {"-f", "lavfi", "-i", bars.arg("1280x720", "yuv420p"), "-t", "0.3", "-c:v", "ffv1"}},
  };
  int n = 0;
  for (const Row& r : rows) {
    SCOPED_TRACE(r.shape);
    const auto src = make("cover" + std::to_string(n++) + ".mkv", r.input);
    const ProbeInfo info = Transcoder::probeSync(src);
    ASSERT_TRUE(info.thumbnail);
    const fx::Image thumb{info.thumbnail->width, info.thumbnail->height, 4, info.thumbnail->pixels};
    // 640 wide for HD: the reader's RGB rows need a width that is a multiple of 16.
    const fx::Image out = fx::decodeVideoFrame(compress(src, info, 0, 360, 4000), 2, fx::PixelKind::rgba);
    EXPECT_LT(worstBarDifference(thumb, out), 6);
  }
}

// Sides that do not split into whole chroma samples still give a cover in
// the bars' own colours (75 % bars, as a player shows them).
TEST_F(FootageVideo, OddSizedSourceHasACoverInItsColours) {
  const auto src = make("odd.mkv", {"-f", "lavfi", "-i", "smptebars=s=320x240:r=25,scale=321:241", "-t", "0.3", "-c:v",
                                    "ffv1", "-pix_fmt", "yuv420p"});
  const ProbeInfo info = Transcoder::probeSync(src);
  ASSERT_TRUE(info.thumbnail);
  const fx::Image thumb{info.thumbnail->width, info.thumbnail->height, 4, info.thumbnail->pixels};
  const std::uint8_t bars[7][3] = {{191, 191, 191}, {191, 191, 0}, {0, 191, 191}, {0, 191, 0},
                                   {191, 0, 191},   {191, 0, 0},   {0, 0, 191}};
  fx::Image expected{70, 10, 4, std::vector<std::uint8_t>(70 * 10 * 4, 255)};
  for (int x = 0; x < 70; ++x) {
    for (int y = 0; y < 10; ++y) std::copy_n(bars[x / 10], 3, &expected.pixels[(y * 70 + x) * 4]);
  }
  EXPECT_LT(worstBarDifference(thumb, expected), 8);
}

TEST_F(FootageVideo, UntaggedStandardDefinitionBarsKeepTheirColours) {
  const auto src = make("bars.mp4", QStringList{"-f", "lavfi", "-i", "smptebars=s=320x240:r=25", "-t", "0.3", "-c:v",
                                                "libx264", "-preset", "ultrafast", "-qp", "0"});
  // The source as a player shows it (BT.601 matrix, no gamut conversion)
  // against the output read by its own BT.709 tags, bar by bar.
  const fx::Image shown = fx::decodeVideoFrame(src, 2, fx::PixelKind::rgba);
  const fx::Image out =
      fx::decodeVideoFrame(compress(src, Transcoder::probeSync(src), 0, 240, 4000), 2, fx::PixelKind::rgba);
  const double worst = worstBarDifference(shown, out);
  EXPECT_LT(worst, 8) << "a bar moved by " << worst << " levels";
}

}  // namespace
