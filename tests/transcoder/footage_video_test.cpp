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

TEST_F(FootageVideo, OutputRateFollowsTheSourcesTypicalInterval) {
  // 1 s of 60 fps motion, then 2 s of one new picture a second.
  const QStringList paused{"-f",
                           "lavfi",
                           "-i",
                           "testsrc2=s=320x240:r=60,trim=duration=1[a];"
                           "testsrc2=s=320x240:r=1,trim=start=1:duration=2,setpts=PTS-STARTPTS+1/TB[b];"
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
      {"29.97 fps", {"-f", "lavfi", "-i", "testsrc2=s=320x240:r=30000/1001", "-t", "1.1"}, 0, 29.97, {30000, 1001}, 27},
      {"1000 fps", {"-f", "lavfi", "-i", "testsrc2=s=320x240:r=1000", "-t", "0.25"}, 0, 1000, {240, 1}, 0},
  };
  int n = 0;
  for (const Row& r : rows) {
    SCOPED_TRACE(r.shape);
    // Both paused rows read the one source.
    const std::string name = "rate" + std::to_string(n++) + ".mp4";
    const auto src = r.input == paused && n > 1 ? dir_ / "rate0.mp4" : make(name, r.input + kSmallH264);
    const ProbeInfo info = Transcoder::probeSync(src);
    EXPECT_NEAR(info.fps, r.probed, 0.01);
    const auto out = compress(src, info, r.requested);
    const fx::Rational written = fx::readFacts(out).video->avgFrameRate;
    EXPECT_EQ(av_cmp_q({written.num, written.den}, r.written), 0) << written.num << "/" << written.den;
    if (r.minDistinct > 0) {
      EXPECT_GE(distinctPicturesInFirstSecond(out), r.minDistinct);
    }
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
// card shows what the file will look like. Standard-definition bars, untagged
// or with sides that do not split into whole chroma samples, keep the colours
// a player shows for them (75 % bars, BT.601, no gamut conversion).
TEST_F(FootageVideo, ThumbnailAndOutputShowTheSourcesColours) {
  const QString bars = "smptebars=s=%1:r=25,format=%2";
  const QStringList hdr{"-c:v", "ffv1", "-color_primaries", "bt2020", "-colorspace", "bt2020nc", "-color_trc"};
  const struct {
    const char* shape;
    QStringList input;
    bool standardBars;
  } rows[] = {
      {"HLG", QStringList{"-f", "lavfi", "-i", bars.arg("320x240", "yuv420p10le"), "-t", "0.3"} + hdr + QStringList{"arib-std-b67"},
       false},
      {"PQ", QStringList{"-f", "lavfi", "-i", bars.arg("320x240", "yuv420p10le"), "-t", "0.3"} + hdr + QStringList{"smpte2084"},
       false},
      {"untagged HD", {"-f", "lavfi", "-i", bars.arg("1280x720", "yuv420p"), "-t", "0.3", "-c:v", "ffv1"}, false},
      {"untagged SD",
       {"-f", "lavfi", "-i", bars.arg("320x240", "yuv420p"), "-t", "0.3", "-c:v", "libx264", "-preset", "ultrafast",
        "-qp", "0"},
       true},
      {"odd-sized SD",
       {"-f", "lavfi", "-i", "smptebars=s=320x240:r=25,scale=321:241", "-t", "0.3", "-c:v", "ffv1", "-pix_fmt",
        "yuv420p"},
       true},
  };
  const std::uint8_t levels[7][3] = {{191, 191, 191}, {191, 191, 0}, {0, 191, 191}, {0, 191, 0},
                                     {191, 0, 191},   {191, 0, 0},   {0, 0, 191}};
  fx::Image standard{70, 10, 4, std::vector<std::uint8_t>(70 * 10 * 4, 255)};
  for (int x = 0; x < 70; ++x) {
    for (int y = 0; y < 10; ++y) std::copy_n(levels[x / 10], 3, &standard.pixels[(y * 70 + x) * 4]);
  }
  int n = 0;
  for (const auto& r : rows) {
    SCOPED_TRACE(r.shape);
    const auto src = make("bars" + std::to_string(n++) + ".mkv", r.input);
    const ProbeInfo info = Transcoder::probeSync(src);
    ASSERT_TRUE(info.thumbnail);
    const fx::Image thumb{info.thumbnail->width, info.thumbnail->height, 4, info.thumbnail->pixels};
    const fx::Image out = fx::decodeVideoFrame(compress(src, info, 0, 240, 4000), 2, fx::PixelKind::rgba);
    EXPECT_LT(worstBarDifference(thumb, out), 6);
    if (r.standardBars) {
      EXPECT_LT(worstBarDifference(thumb, standard), 8);
      EXPECT_LT(worstBarDifference(out, standard), 8);
    }
  }
}

}  // namespace
