// Footage shaped like what phones, screen recorders and cameras write, made by
// the ffmpeg command-line tool, through the probe and the engine; each case
// checks what a viewer of the output would notice.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <map>
#include <numeric>
#include <regex>
#include <sstream>

#include "transcode_fixture.h"

using namespace kivotra;
using namespace kivotra::testing;

namespace {

const QStringList kSmallH264{"-c:v", "libx264", "-preset", "ultrafast", "-pix_fmt", "yuv420p"};

// Zeroes the movie header's creation and modification times (version 0 expected).
void zeroMovieDates(const std::filesystem::path& file) {
  const std::string all = fx::readFile(file);
  const auto mvhd = all.find("mvhd");
  ASSERT_TRUE(mvhd != std::string::npos && all[mvhd + 4] == 0) << "version 0 movie header expected";
  std::fstream f(file, std::ios::in | std::ios::out | std::ios::binary);
  f.seekp(static_cast<std::streamoff>(mvhd + 8)).write(std::string(8, '\0').data(), 8);
}

class Footage : public TranscodeTest {
 protected:
  void ffmpeg(const QStringList& args) { fx::runTool("ffmpeg", QStringList{"-y"} + args, dir_.path()); }
  // What ffmpeg reports on stderr for a file through a video or audio filter.
  std::string analyse(const std::string& file, const QString& option, const QString& filter) {
    const QStringList args{"-v", "info", "-nostats", "-i", QString::fromStdString(file), option, filter, "-f", "null", "-"};
    return fx::runTool("ffmpeg", args, dir_.path(), true);
  }

  // Compresses a file of the test's folder as the app does; the output's name there.
  std::string compress(const std::string& src, int kbps = 1500) {
    const std::string out = "out-" + src + ".mp4";
    transcode(dir_ / src, dir_ / out, config(240, FitMode::keep, 0, kbps), probe(dir_ / src));
    return out;
  }

  // Per-period measurements of a decoded stream, by presentation time.
  std::vector<std::pair<double, double>> series(const std::string& graph, const QString& key) {
    std::istringstream lines(fx::runTool("ffprobe", {"-f", "lavfi", "-i", QString::fromStdString(graph), "-show_entries",
                                                     "frame=pts_time:frame_tags=" + key, "-of", "csv=p=0"},
                                         dir_.path()));
    std::vector<std::pair<double, double>> out;
    for (std::string line; std::getline(lines, line);) {
      const auto comma = line.find(',');
      if (comma != std::string::npos) out.emplace_back(std::atof(line.c_str()), std::strtod(&line[comma + 1], nullptr));
    }
    return out;
  }
};

// ---- picture ------------------------------------------------------------

// Source shapes cameras and screen recorders write, each checked on what the
// output shows a viewer.
TEST_F(Footage, PixelAspectInterlacingAndTenBitShadesComeOutAsTheViewerExpects) {
  const std::regex counts(R"(Multi frame detection: TFF:\s*(\d+) BFF:\s*(\d+) Progressive:\s*(\d+))");
  // Combed fields counted by ffmpeg's idet filter: {interlaced, progressive}.
  const auto fields = [&](const std::string& file) {
    const std::string err = analyse(file, "-vf", "idet");
    std::smatch m;
    EXPECT_TRUE(std::regex_search(err, m, counts)) << err;
    return m.empty() ? std::pair{-1, -1} : std::pair{std::stoi(m[1]) + std::stoi(m[2]), std::stoi(m[3])};
  };
  const auto interlaced = [&](const QString& field) {
    return QStringList{"-f", "lavfi", "-i",
                       QString("testsrc2=s=320x240:r=50,tinterlace=interleave_%1,setfield=%2")
                           .arg(field == "tff" ? QString("top") : QString("bottom"), field),
                       "-t", "2"} +
           kSmallH264 + QStringList{"-flags", "+ildct+ilme", "-x264opts", field + "=1", "src.mp4"};
  };
  const auto progressive = [&](const std::string& src, const std::string& out) {
    ASSERT_GT(fields(src).first, 40);  // the source really is combed
    EXPECT_NEAR(probe(dir_ / src).fps, 25, 0.01);  // one frame per frame, not per field
    const auto [combed, whole] = fields(out);
    EXPECT_LE(combed, 8);  // ffmpeg -vf bwdif leaves as many
    EXPECT_GE(whole, 40);
  };
  const struct {
    const char* name;
    std::vector<QStringList> make;  // ffmpeg runs, the last writing src
    std::string src;
    int kbps;
    std::function<void(const std::string& src, const std::string& out)> check;
  } rows[] = {
      // 240x240 stored, the stream's own aspect 1:1, 4:3 pixels only in the MOV header.
      {"container pixel aspect",
       {QStringList{"-f", "lavfi", "-i", "color=c=gray:s=240x240:r=25", "-t", "0.5"} + kSmallH264 + QStringList{"square.mp4"},
        {"-i", "square.mp4", "-c", "copy", "-aspect", "4:3", "src.mov"}},
       "src.mov", 1500,
       [&](const std::string& src, const std::string& out) {
         const ProbeInfo info = probe(dir_ / src);
         ASSERT_EQ(std::pair(info.width, info.height), std::pair(320, 240));
         ASSERT_TRUE(info.thumbnail);
         const fx::Image pictures[] = {{info.thumbnail->width, info.thumbnail->height, 4, info.thumbnail->pixels},
                                       frame(out, 3)};
         for (const fx::Image& img : pictures) {
           EXPECT_EQ(img.width, 320);
           for (int x = 0; x < img.width; ++x) ASSERT_GT(img.mean({x, 0, 1, img.height}), 40) << "black column " << x;
         }
       }},
      {"interlaced, top field first", {interlaced("tff")}, "src.mp4", 3000, progressive},
      {"interlaced, bottom field first", {interlaced("bff")}, "src.mp4", 3000, progressive},
      // Luma climbs 10 8-bit steps across the width: 32-pixel bands if rounded.
      {"10-bit gradient",
       {{"-f", "lavfi", "-i", "nullsrc=s=320x240:r=25,format=yuv420p10le,geq=lum='400+X/8':cb=512:cr=512", "-t", "0.4",
         "-c:v", "ffv1", "src.mkv"}},
       "src.mkv", 8000,
       [&](const std::string&, const std::string& file) {
         const fx::Image out = frame(file, 5);
         // Means of 8-pixel-wide bands against the source's, (400 + x/8) / 4 in 8-bit
         // code values: rounding leaves a staircase up to half a code value off, a
         // dither keeps the in-between shades on average (up to a shift of the whole ramp).
         std::vector<double> off;
         for (int x = 8; x + 16 <= out.width; x += 2) {
           off.push_back(out.mean({x, 0, 8, out.height}) - (400 + x / 8.0) / 4);
         }
         const double shift = std::accumulate(off.begin(), off.end(), 0.0) / static_cast<double>(off.size());
         double banding = 0;
         for (const double d : off) banding = std::max(banding, std::abs(d - shift));
         EXPECT_LT(banding, 0.25) << "steps up to " << banding << " code values off the ramp";
       }},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.name);
    for (const QStringList& args : r.make) ffmpeg(args);
    r.check(r.src, compress(r.src, r.kbps));
  }
}

// ---- sound --------------------------------------------------------------

TEST_F(Footage, EverySoundStaysWithItsPictureAfterGapsAndDamage) {
  // A flash and a 1 kHz beep of 40 ms every 1.5 s, at the same instants.
  const QString flashes = "color=c=black:s=160x120:r=25:d=3.2,drawbox=c=white:t=fill:enable='lt(mod(t\\,1.5)\\,0.04)'";
  const QString beeps = "sine=f=1000:r=48000:d=3.2,volume=volume=0:enable='gte(mod(t\\,1.5)\\,0.04)'";
  const struct {
    const char* name;
    const char* audioFilter;  // on the beeps
    QStringList remux;  // a copy of the source made with these options, if any
  } cases[] = {
      {"1 s gap", ",aselect='not(between(t\\,1.9\\,2.9))'", {}},
      {"damaged packets", "", {"-bsf:a", "noise=amount=between(pts*tb\\,1.9\\,2.6)", "damaged.mp4"}},
      {"timestamps from 10 s on", "", {"-output_ts_offset", "10", "late.mkv"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ffmpeg({"-f", "lavfi", "-i", flashes, "-f", "lavfi", "-i", beeps + c.audioFilter, "-c:v", "libx264", "-preset", "ultrafast",
            "-c:a", "aac", "src.mp4"});
    if (!c.remux.isEmpty()) ffmpeg(QStringList{"-i", "src.mp4", "-c", "copy"} + c.remux);
    const std::string out = compress(c.remux.isEmpty() ? "src.mp4" : c.remux.last().toStdString());
    std::vector<double> seen, heard;  // flashes; where sound starts after silence, to 5 ms
    for (auto [t, luma] : series("movie=" + out + ",signalstats", "lavfi.signalstats.YAVG")) {
      if (luma > 100) seen.push_back(t);
    }
    bool sounding = false;
    for (auto [t, rms] : series("amovie=" + out + ",asetnsamples=n=240,astats=metadata=1:reset=1",
                                "lavfi.astats.Overall.RMS_level")) {
      if (rms > -30 && !sounding) heard.push_back(t);
      sounding = rms > -30;
    }
    ASSERT_FALSE(seen.empty() || heard.empty());
    const auto near = [](const std::vector<double>& v, double t) {
      return *std::min_element(v.begin(), v.end(), [t](double a, double b) { return std::fabs(a - t) < std::fabs(b - t); });
    };
    // Sound that starts first moves the whole picture a little later.
    const double offset = near(seen, 3) - 3;
    ASSERT_LT(std::fabs(offset), 0.05);
    for (double t : {0.0, 1.5, 3.0}) {
      const double flash = near(seen, t + offset);
      ASSERT_NEAR(flash, t + offset, 0.03) << "the picture moved";
      EXPECT_NEAR(near(heard, flash), flash, 0.045) << "the sound of the flash at " << flash;
    }
  }
}

TEST_F(Footage, SurroundDownMixIsAsLoudAsTheStandardMixAndNeverClips) {
  // {RMS, peak} of the whole audio in dBFS.
  const auto levels = [&](const std::string& file) {
    const std::string err = analyse(file, "-af", "astats=measure_perchannel=none");
    const auto value = [&](const std::string& label) {
      const auto at = err.rfind(label);
      return at == std::string::npos ? NAN : std::atof(err.c_str() + at + label.size());
    };
    return std::pair{value("RMS level dB:"), value("Peak level dB:")};
  };
  // Fronts, centre and LFE hold a steady tone; the surrounds burst for 0.1 s
  // a second, enough that the standard stereo mix goes above full scale.
  for (const auto& [layout, channels] : {std::pair{"5.1", 6}, {"7.1", 8}}) {
    SCOPED_TRACE(layout);
    QStringList tones;
    for (int ch = 0; ch < channels; ++ch) {
      tones << (ch < 4 ? "0.4*sin(2*PI*440*t)" : "0.6*sin(2*PI*660*t)*clip((0.05-abs(mod(t,1)-0.55))*100,0,1)");
    }
    ffmpeg({"-f", "lavfi", "-i", QString("aevalsrc='%1':c=%2:s=48000:d=1.2").arg(tones.join('|'), layout), "-f", "lavfi",
            "-i", "color=c=gray:s=160x120:r=25:d=1.2", "-c:v", "libx264", "-preset", "ultrafast", "-c:a", "pcm_s16le", "src.mov"});
    ffmpeg({"-i", "src.mov", "-ac", "2", "-c:a", "pcm_f32le", "mix.mov"});
    ffmpeg({"-i", "src.mov", "-ac", "2", "-c:v", "copy", "-c:a", "aac", "ref.mp4"});
    ASSERT_GT(levels("mix.mov").second, 0.2) << "the standard mix should go above full scale";
    const auto [rms, peak] = levels(compress("src.mov"));
    EXPECT_NEAR(rms, levels("ref.mp4").first, 1.0);
    // The limiter's ceiling is 1 dB below full scale; AAC adds a little on top,
    // and without the limiter the peaks come out near -0.3 dB.
    EXPECT_LT(peak, -0.6);
  }
}

// ---- the file -----------------------------------------------------------

TEST_F(Footage, CameraTagsCreationTimeAndFileDateSurvive) {
  const struct {
    const char* name;
    QStringList tags;  // as written by the camera
    std::map<std::string, std::string> expected;  // the output's tags
    bool undatedMovie = false;  // the movie header's dates zeroed, the track's kept
  } cases[] = {
      {"Android",
       {"-metadata", "creation_time=2024-05-06T07:08:09Z", "-metadata", "location=+48.8584+002.2945/", "-metadata",
        "make=Pixelphone", "-metadata", "model=P 9"},
       {{"location", "+48.8584+002.2945/"}, {"make", "Pixelphone"}, {"model", "P 9"},
        {"creation_time", "2024-05-06T07:08:09.000000Z"}}},
      {"Apple",
       {"-movflags", "use_metadata_tags", "-metadata", "com.apple.quicktime.location.ISO6709=+35.6586+139.7454+010.000/",
        "-metadata", "com.apple.quicktime.make=Apple", "-metadata", "com.apple.quicktime.model=iPhone 15", "-metadata",
        "com.apple.quicktime.software=17.4", "-metadata:s:v", "creation_time=2023-01-02T03:04:05Z"},
       {{"com.apple.quicktime.location.ISO6709", "+35.6586+139.7454+010.000/"}, {"com.apple.quicktime.make", "Apple"},
        {"com.apple.quicktime.model", "iPhone 15"}, {"com.apple.quicktime.software", "17.4"},
        {"location", "+35.6586+139.7454+010.000/"}}},  // the ©xyz atom Android reads
      {"a dated track in an undated movie", {"-metadata", "creation_time=2023-01-02T03:04:05Z"},
       {{"creation_time", "2023-01-02T03:04:05.000000Z"}}, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ffmpeg(QStringList{"-f", "lavfi", "-i", "color=c=gray:s=160x120:r=25:d=1", "-c:v", "libx264", "-preset", "ultrafast"} +
           c.tags + QStringList{"src.mov"});
    if (c.undatedMovie) zeroMovieDates(dir_ / "src.mov");
    const auto recorded = std::filesystem::file_time_type::clock::now() - std::chrono::hours(24 * 400);
    std::filesystem::last_write_time(dir_ / "src.mov", recorded);
    const std::string out = compress("src.mov");
    fx::MediaFacts facts = fx::readFacts(dir_ / out);
    for (const auto& [key, value] : c.expected) EXPECT_EQ(facts.tags[key], value) << key;
    EXPECT_EQ(std::filesystem::last_write_time(dir_ / out), recorded);
    std::vector<std::string> order;
    for (const fx::Box& b : fx::boxes(fx::readFile(dir_ / out))) order.push_back(b.type);
    EXPECT_LT(std::find(order.begin(), order.end(), "mdat"), std::find(order.begin(), order.end(), "moov"))
        << "the index stays at the end";
  }
}

TEST_F(Footage, ACutFragmentedRecordingKeepsItsWholeFragments) {
  const struct {
    const char* name;
    const char* movflags;
    int cutFragment;  // the fragment the recording breaks off in (1-based)
    int cutInto;  // bytes into that fragment's moof box
    double keptSeconds;  // 0: fails as incomplete
  } cases[] = {
      {"cut in a fragment header", "frag_keyframe+empty_moov+default_base_moof", 3, 40, 2},
      {"cut in a fragment's media", "frag_keyframe+empty_moov+default_base_moof", 3, 600, 2},
      {"cut in the last fragment", "frag_keyframe+empty_moov", 4, 40, 3},
      {"global index promises 4 s", "frag_keyframe+global_sidx", 3, 600, 0},
  };
  std::string made;  // the movflags whole.mp4 was last written with
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    if (made != c.movflags) {
      ffmpeg({"-f", "lavfi", "-i", "color=c=gray:s=160x120:r=25:d=4", "-f", "lavfi", "-i", "sine=r=48000:d=4", "-c:v",
              "libx264", "-preset", "ultrafast", "-g", "25", "-c:a", "aac", "-movflags", c.movflags, "whole.mp4"});
      made = c.movflags;
    }
    std::vector<fx::Box> moofs;
    for (const fx::Box& b : fx::boxes(fx::readFile(dir_ / "whole.mp4"))) {
      if (b.type == "moof") moofs.push_back(b);
    }
    // Without empty_moov the index holds the first fragment.
    const std::size_t nth = c.cutFragment - (std::string(c.movflags).find("empty_moov") == std::string::npos ? 2 : 1);
    ASSERT_LT(nth, moofs.size());
    std::filesystem::copy_file(dir_ / "whole.mp4", dir_ / "cut.mp4", std::filesystem::copy_options::overwrite_existing);
    std::filesystem::resize_file(dir_ / "cut.mp4", moofs[nth].at + c.cutInto);
    if (c.keptSeconds == 0) {
      const auto error = errorOf([&] { compress("cut.mp4"); });
      // The index's length, and what was read: two whole fragments and part of the third.
      std::smatch read;
      const std::string text = error ? error->description() : "";
      ASSERT_TRUE(std::regex_match(text, read, std::regex("读取器初始化失败：源文件不完整：索引记载 4.0 秒画面，只读到 (.*) 秒")))
          << text;
      EXPECT_GE(std::stod(read[1]), 2.0);
      EXPECT_LT(std::stod(read[1]), 3.0);
      continue;
    }
    EXPECT_NEAR(probe(dir_ / "cut.mp4").duration, c.keptSeconds, 0.1);
    const auto facts = fx::readFacts(dir_ / compress("cut.mp4"));
    ASSERT_TRUE(facts.video);
    EXPECT_NEAR(facts.video->duration, c.keptSeconds, 0.1);
  }
}
}  // namespace
