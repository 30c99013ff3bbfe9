// Files shaped like real phone, camera and recorder footage, made by the
// ffmpeg command line, and what a user sees of the output: sound in step with
// its picture, down-mix loudness, the camera's tags, duration and outcome.

#include <gtest/gtest.h>

#include <QProcess>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "support/tool_process.h"
#include "transcode_fixture.h"

using namespace kivotra;
using namespace kivotra::testing;

namespace {

// A flash and a 1 kHz beep of 40 ms every 1.5 s, at the same instants.
const char* const kFlashes = "color=c=black:s=160x120:r=25:d=6,drawbox=c=white:t=fill:enable='lt(mod(t\\,1.5)\\,0.04)'";
const char* const kBeeps = "sine=f=1000:r=48000:d=6,volume=volume=0:enable='gte(mod(t\\,1.5)\\,0.04)'";

struct Box {
  std::string type;
  std::uintmax_t at = 0;
  std::uintmax_t size = 0;
};

// The top-level boxes of an MP4/MOV file.
std::vector<Box> topBoxes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), {});
  std::vector<Box> boxes;
  for (std::uintmax_t at = 0; at + 8 <= bytes.size();) {
    std::uintmax_t size = 0;
    for (int i = 0; i < 4; ++i) size = (size << 8) | static_cast<unsigned char>(bytes[at + i]);
    boxes.push_back({bytes.substr(at + 4, 4), at, size});
    if (size < 8) break;
    at += size;
  }
  return boxes;
}

class FootageTest : public TranscodeTest {
 protected:
  // Runs ffmpeg or ffprobe in the test's folder (file names need no escaping
  // inside filter graphs) and returns what it printed on stdout or stderr.
  std::string tool(const char* program, const QStringList& args, bool wantStderr = false) {
    QProcess process;
    process.setWorkingDirectory(QString::fromStdString(dir_.path().string()));
    test::startTool(process, program, QStringList{"-v", "error"} + args, dir_.path());
    const test::ToolResult r = test::finishTool(process, 60000);
    EXPECT_TRUE(r.exitCode == 0 && !r.hung) << program << " " << args.join(' ').toStdString() << "\n" << r.err;
    return wantStderr ? r.err : r.out;
  }
  void ffmpeg(const QStringList& args) { tool("ffmpeg", QStringList{"-y"} + args); }

  // Per-period measurements of a decoded stream, by presentation time.
  std::vector<std::pair<double, double>> series(const std::string& graph, const QString& key) {
    std::istringstream lines(tool("ffprobe", {"-f", "lavfi", "-i", QString::fromStdString(graph), "-show_entries",
                                              "frame=pts_time:frame_tags=" + key, "-of", "csv=p=0"}));
    std::vector<std::pair<double, double>> out;
    for (std::string line; std::getline(lines, line);) {
      const auto comma = line.find(',');
      if (comma != std::string::npos) out.emplace_back(std::atof(line.c_str()), std::strtod(&line[comma + 1], nullptr));
    }
    return out;
  }
  std::vector<double> flashes(const std::string& file) {
    std::vector<double> at;
    for (auto [t, luma] : series("movie=" + file + ",signalstats", "lavfi.signalstats.YAVG")) {
      if (luma > 100) at.push_back(t);
    }
    return at;
  }
  // Where sound starts after silence, to 5 ms.
  std::vector<double> beeps(const std::string& file) {
    std::vector<double> at;
    bool sounding = false;
    for (auto [t, rms] : series("amovie=" + file + ",asetnsamples=n=240,astats=metadata=1:reset=1",
                                "lavfi.astats.Overall.RMS_level")) {
      if (rms > -30 && !sounding) at.push_back(t);
      sounding = rms > -30;
    }
    return at;
  }
  // {RMS, peak} of the whole audio in dBFS.
  std::pair<double, double> levels(const std::string& file) {
    const std::string err = tool("ffmpeg", {"-v", "info", "-nostats", "-i", QString::fromStdString(file), "-af",
                                            "astats=measure_perchannel=none", "-f", "null", "-"}, true);
    const auto value = [&](const std::string& label) {
      const auto at = err.rfind(label);
      return at == std::string::npos ? NAN : std::atof(err.c_str() + at + label.size());
    };
    return {value("RMS level dB:"), value("Peak level dB:")};
  }

  std::filesystem::path transcode(const std::string& src, std::vector<double>* progress = nullptr) {
    const auto out = dir_ / ("out-" + src + ".mp4");
    Transcoder::transcodeSync(dir_ / src, out, config(120), Transcoder::probeSync(dir_ / src),
                              [progress](double f) { if (progress) progress->push_back(f); }, {});
    return out;
  }
};

}  // namespace

TEST_F(FootageTest, EverySoundStaysWithItsPictureAfterGapsAndDamage) {
  struct Case {
    const char* name;
    const char* audioFilter;  // on the beeps
    const char* damage;  // a bitstream filter spoiling audio packets, or ""
    std::vector<double> soundsAt;  // the beeps the output must keep
  } const cases[] = {
      {"1 s gap", ",aselect='not(between(t\\,1.9\\,2.9))'", "", {0, 1.5, 3, 4.5}},
      {"damaged packets", "", "noise=amount=between(pts*tb\\,1.9\\,2.6)", {0, 1.5, 3, 4.5}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ffmpeg({"-f", "lavfi", "-i", kFlashes, "-f", "lavfi", "-i", QString(kBeeps) + c.audioFilter, "-c:v", "libx264",
            "-preset", "ultrafast", "-c:a", "aac", "src.mp4"});
    if (*c.damage) ffmpeg({"-i", "src.mp4", "-c", "copy", "-bsf:a", c.damage, "damaged.mp4"});
    const auto out = transcode(*c.damage ? "damaged.mp4" : "src.mp4").filename().string();
    const std::vector<double> seen = flashes(out);
    const std::vector<double> heard = beeps(out);
    for (double t : c.soundsAt) {
      const auto near = [t](const std::vector<double>& v) {
        return *std::min_element(v.begin(), v.end(), [t](double a, double b) { return std::fabs(a - t) < std::fabs(b - t); });
      };
      ASSERT_FALSE(seen.empty() || heard.empty());
      const double flash = near(seen);
      ASSERT_NEAR(flash, t, 0.05) << "the picture moved";
      EXPECT_NEAR(near(heard), flash, 0.045) << "the sound of the flash at " << flash;
    }
  }
}

TEST_F(FootageTest, SurroundDownMixIsAsLoudAsTheStandardMixAndNeverClips) {
  // Fronts, centre and LFE hold a steady tone; the surrounds burst for 0.1 s
  // a second, enough that the standard stereo mix goes above full scale.
  for (const auto& [layout, channels] : {std::pair{"5.1", 6}, std::pair{"7.1", 8}}) {
    SCOPED_TRACE(layout);
    QStringList tones;
    for (int ch = 0; ch < channels; ++ch) {
      tones << (ch < 4 ? "0.4*sin(2*PI*440*t)" : "0.6*sin(2*PI*660*t)*clip((0.05-abs(mod(t,1)-0.55))*100,0,1)");
    }
    ffmpeg({"-f", "lavfi", "-i", QString("aevalsrc='%1':c=%2:s=48000:d=2").arg(tones.join('|'), layout), "-f", "lavfi",
            "-i", "color=c=gray:s=160x120:r=25:d=2", "-c:v", "libx264", "-preset", "ultrafast", "-c:a", "pcm_s16le", "src.mov"});
    ffmpeg({"-i", "src.mov", "-ac", "2", "-c:a", "pcm_f32le", "mix.mov"});
    ffmpeg({"-i", "src.mov", "-ac", "2", "-c:v", "copy", "-c:a", "aac", "ref.mp4"});
    ASSERT_GT(levels("mix.mov").second, 0.2) << "the standard mix should go above full scale";
    const auto [rms, peak] = levels(transcode("src.mov").filename().string());
    EXPECT_NEAR(rms, levels("ref.mp4").first, 1.0);
    EXPECT_LT(peak, -0.3);
  }
}

TEST_F(FootageTest, CameraTagsCreationTimeAndFileDateSurvive) {
  struct Case {
    const char* name;
    QStringList tags;  // as written by the camera
    std::vector<std::string> expected;  // ffprobe lines of the output
    const char* movieDate;              // the output's own creation_time, when checked
    bool undatedMovie = false;          // the movie header's dates zeroed, the track's kept
  } const cases[] = {
      {"Android",
       {"-metadata", "creation_time=2024-05-06T07:08:09Z", "-metadata", "location=+48.8584+002.2945/", "-metadata",
        "make=Pixelphone", "-metadata", "model=P 9"},
       {"TAG:creation_time=2024-05-06T07:08:09.000000Z", "TAG:location=+48.8584+002.2945/", "TAG:make=Pixelphone",
        "TAG:model=P 9"},
       "2024-05-06T07:08:09.000000Z"},
      {"Apple",
       {"-movflags", "use_metadata_tags", "-metadata", "com.apple.quicktime.location.ISO6709=+35.6586+139.7454+010.000/",
        "-metadata", "com.apple.quicktime.make=Apple", "-metadata", "com.apple.quicktime.model=iPhone 15", "-metadata",
        "com.apple.quicktime.software=17.4", "-metadata:s:v", "creation_time=2023-01-02T03:04:05Z"},
       {"TAG:com.apple.quicktime.location.ISO6709=+35.6586+139.7454+010.000/", "TAG:com.apple.quicktime.make=Apple",
        "TAG:com.apple.quicktime.model=iPhone 15", "TAG:com.apple.quicktime.software=17.4",
        "TAG:location=+35.6586+139.7454+010.000/"},  // the ©xyz atom Android reads
       nullptr},
      {"a dated track in an undated movie", {"-metadata", "creation_time=2023-01-02T03:04:05Z"}, {},
       "2023-01-02T03:04:05.000000Z", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ffmpeg(QStringList{"-f", "lavfi", "-i", "color=c=gray:s=160x120:r=25:d=1", "-c:v", "libx264", "-preset", "ultrafast"} + c.tags +
           QStringList{"src.mov"});
    if (c.undatedMovie) {
      std::fstream file(dir_ / "src.mov", std::ios::in | std::ios::out | std::ios::binary);
      const std::string bytes((std::istreambuf_iterator<char>(file)), {});
      const auto mvhd = bytes.find("mvhd");
      ASSERT_TRUE(mvhd != std::string::npos && bytes[mvhd + 4] == 0) << "version 0 movie header expected";
      file.seekp(static_cast<std::streamoff>(mvhd + 8));
      file.write(std::string(8, '\0').data(), 8);  // creation and modification time
    }
    const auto recorded = std::filesystem::file_time_type::clock::now() - std::chrono::hours(24 * 400);
    std::filesystem::last_write_time(dir_ / "src.mov", recorded);
    const auto out = transcode("src.mov");
    const std::string tags = tool("ffprobe", {"-show_entries", "format_tags:stream_tags=creation_time", "-of",
                                              "default=nw=1", QString::fromStdString(out.filename().string())});
    for (const std::string& line : c.expected) EXPECT_NE(tags.find(line + "\n"), std::string::npos) << line << " in\n" << tags;
    if (c.movieDate) {
      EXPECT_EQ(tool("ffprobe", {"-show_entries", "format_tags=creation_time", "-of", "default=nw=1:nk=1",
                                 QString::fromStdString(out.filename().string())}),
                std::string(c.movieDate) + "\n");
    }
    EXPECT_EQ(std::filesystem::last_write_time(out), recorded);
    std::vector<std::string> order;
    for (const Box& b : topBoxes(out)) order.push_back(b.type);
    EXPECT_LT(std::find(order.begin(), order.end(), "mdat"), std::find(order.begin(), order.end(), "moov"))
        << "the index stays at the end";
  }
}

TEST_F(FootageTest, AHeaderClaimingTenHoursDoesNotStallProgress) {
  ffmpeg({"-f", "lavfi", "-i", "color=c=gray:s=160x120:r=25:d=3", "-c:v", "libx264", "-preset", "ultrafast", "src.mp4"});
  std::fstream file(dir_ / "src.mp4", std::ios::in | std::ios::out | std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(file)), {});
  const auto mvhd = bytes.find("mvhd");
  ASSERT_NE(mvhd, std::string::npos);
  ASSERT_EQ(bytes[mvhd + 4], 0) << "version 0 header expected";
  std::uint32_t timescale = 0;
  for (int i = 0; i < 4; ++i) timescale = (timescale << 8) | static_cast<unsigned char>(bytes[mvhd + 16 + i]);
  const std::uint32_t claim = timescale * 36000;
  const char claimed[4] = {char(claim >> 24), char(claim >> 16), char(claim >> 8), char(claim)};
  file.seekp(static_cast<std::streamoff>(mvhd + 20));
  file.write(claimed, 4);
  file.close();

  EXPECT_NEAR(Transcoder::probeSync(dir_ / "src.mp4").duration, 3, 0.1);
  std::vector<double> progress;
  transcode("src.mp4", &progress);
  ASSERT_GE(progress.size(), 2u);
  EXPECT_GT(progress[progress.size() - 2], 0.8) << "progress before the end";
}

TEST_F(FootageTest, ACutFragmentedRecordingKeepsItsWholeFragments) {
  struct Case {
    const char* name;
    const char* movflags;
    int cutFragment;  // the fragment the recording breaks off in (1-based)
    int cutInto;  // bytes into that fragment's moof box
    double keptSeconds;  // 0: fails as incomplete
  } const cases[] = {
      {"cut in a fragment header", "frag_keyframe+empty_moov+default_base_moof", 3, 40, 2},
      {"cut in a fragment's media", "frag_keyframe+empty_moov+default_base_moof", 3, 600, 2},
      {"cut in the last fragment", "frag_keyframe+empty_moov", 4, 40, 3},
      {"global index promises 4 s", "frag_keyframe+global_sidx", 3, 600, 0},
  };
  std::string made;  // the movflags whole.mp4 was last written with
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (made != c.movflags) {
      ffmpeg({"-f", "lavfi", "-i", "color=c=gray:s=160x120:r=25:d=4", "-f", "lavfi", "-i", "sine=r=48000:d=4", "-c:v",
              "libx264", "-preset", "ultrafast", "-g", "25", "-c:a", "aac", "-movflags", c.movflags, "whole.mp4"});
      made = c.movflags;
    }
    std::vector<Box> moofs;
    for (const Box& b : topBoxes(dir_ / "whole.mp4")) {
      if (b.type == "moof") moofs.push_back(b);
    }
    // Without empty_moov the index holds the first fragment.
    const std::size_t nth = c.cutFragment - (std::string(c.movflags).find("empty_moov") == std::string::npos ? 2 : 1);
    ASSERT_LT(nth, moofs.size());
    std::filesystem::copy_file(dir_ / "whole.mp4", dir_ / "cut.mp4", std::filesystem::copy_options::overwrite_existing);
    std::filesystem::resize_file(dir_ / "cut.mp4", moofs[nth].at + c.cutInto);
    if (c.keptSeconds == 0) {
      const auto error = transcodeErrorOf([&] { transcode("cut.mp4"); });
      // The index's length, and what was read: two whole fragments and part of the third.
      std::smatch read;
      const std::string text = error ? error->description() : "";
      ASSERT_TRUE(std::regex_match(text, read, std::regex("读取器初始化失败：源文件不完整：索引记载 4.0 秒画面，只读到 (.*) 秒")))
          << text;
      EXPECT_GE(std::stod(read[1]), 2.0);
      EXPECT_LT(std::stod(read[1]), 3.0);
      continue;
    }
    EXPECT_NEAR(Transcoder::probeSync(dir_ / "cut.mp4").duration, c.keptSeconds, 0.1);
    const auto facts = fixtures::readFacts(transcode("cut.mp4"));
    ASSERT_TRUE(facts.video);
    EXPECT_NEAR(facts.video->duration, c.keptSeconds, 0.1);
  }
}
