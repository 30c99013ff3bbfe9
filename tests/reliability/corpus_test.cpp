// Bad and unusual inputs through kivotra-cli: damaged and awkward media, and
// file names as disks carry them.
#include <gtest/gtest.h>

#include "state/state_fixture.h"

namespace kivotra::test {
namespace {

struct CorpusFile {
  std::string name;
  // Legal media every layer must compress; otherwise either a valid output or a clear failure will do.
  bool mustCompress = false;
  double seconds = 0;     // above 0: a valid output lasts this long (container duration)
  bool mustFail = false;  // breaks off mid-samples: a shorter output reported done would drop the rest unsaid
};

// How far an output's length may be from the source's: AAC priming and the
// last frame's rounding, not a lost or stretched second.
constexpr double kDurationSlack = 0.25;

// Offset of the first box of this type (its size field), searched as raw bytes.
std::size_t findBox(const std::string& bytes, const std::string& type, std::size_t from = 0) {
  const std::size_t at = bytes.find(type, from + 4);
  if (at == std::string::npos) throw std::runtime_error("no " + type + " box");
  return at - 4;
}

std::uint32_t be32(const std::string& b, std::size_t at) {
  std::uint32_t v = 0;
  for (int k = 0; k < 4; ++k) v = (v << 8) | static_cast<std::uint8_t>(b[at + k]);
  return v;
}

void putBe(std::string& b, std::size_t at, std::uint32_t v, int bytes) {
  for (int k = bytes - 1; k >= 0; --k, v >>= 8) b[at + k] = static_cast<char>(v & 0xff);
}

// Every sample of the first track's time-to-sample table (the video's) lasts zero ticks.
void zeroFirstTrackDurations(std::string& b) {
  const std::size_t stts = findBox(b, "stts");
  for (std::uint32_t e = 0; e < be32(b, stts + 12); ++e) putBe(b, stts + 16 + e * 8 + 4, 0, 4);
}

std::vector<CorpusFile> writeCorpus(const fs::path& dir) {
  fs::create_directories(dir);
  std::vector<CorpusFile> files;
  auto media = [&](const std::string& name, const fixtures::MediaOptions& o, double seconds = 0) {
    fixtures::writeMedia(dir / name, o);
    files.push_back({name, true, seconds});
  };
  // A copy of a healthy file, changed as downloads and disks change files.
  auto damaged = [&](const std::string& from, const std::string& name, auto change, CorpusFile file = {}) {
    std::string bytes = fixtures::readFile(dir / from);
    change(bytes);
    std::ofstream(dir / name, std::ios::binary) << bytes;
    file.name = name;
    files.push_back(file);
  };

  fixtures::writeBytes(dir / "zero-bytes.mp4", 0);
  files.push_back({"zero-bytes.mp4"});
  media("healthy.mp4", {.seconds = 2, .audioChannels = 2}, 2);
  damaged("healthy.mp4", "header-16384.mp4", [](std::string& b) {
    const std::size_t tkhd = findBox(b, "tkhd");
    const std::size_t dims = tkhd + 8 + (b[tkhd + 8] == 1 ? 88 : 76);
    putBe(b, dims, 16384u << 16, 4);
    putBe(b, dims + 4, 16384u << 16, 4);
    const std::size_t avc1 = findBox(b, "avc1", findBox(b, "stsd"));  // not the brand in ftyp
    putBe(b, avc1 + 32, 16384, 2);
    putBe(b, avc1 + 34, 16384, 2);
  });
  damaged("healthy.mp4", "zero-frame-rate.mp4", zeroFirstTrackDurations);
  // The index up front, so the file opens and probes; the samples end at 60 %.
  media("index-first.mp4", {.seconds = 2, .indexFirst = true, .audioChannels = 2});
  damaged("index-first.mp4", "index-first-cut.mp4", [](std::string& b) { b.resize(b.size() * 6 / 10); },
          {{}, false, 0, true});
  // One sample lasting zero ticks: neither the durations nor the spacing of
  // samples give a rate (ffprobe: avg_frame_rate 0/0, r_frame_rate 1/0).
  media("one-frame.mp4", {.seconds = 1.5 / 30});
  damaged("one-frame.mp4", "missing-frame-rate.mp4", zeroFirstTrackDurations, {{}, true, 1.0 / 30});
  // The first frame the only key frame.
  media("long-gop.mp4", {.seconds = 4, .keyframeInterval = 600, .audioChannels = 2}, 4);
  // The smallest picture the fixture's encoder takes.
  media("tiny-2x8.mov", {.width = 2, .height = 8});
  return files;
}

// probe and compress, each over the whole corpus in one run: every case ends in
// a valid output or a Chinese message (on standard error too, under its name),
// in bounded time, leaves no failed output behind and never changes its source.
TEST(Corpus, EveryCaseIsMeasuredOrRefusedAndCompressedOrFailedInChinese) {
  fixtures::ScratchDir tmp;
  const fs::path dir = tmp / "corpus", out = tmp / "out";
  const std::vector<CorpusFile> files = writeCorpus(dir);
  QStringList paths;
  std::vector<std::string> before;
  for (const CorpusFile& f : files) {
    paths << q(dir / f.name);
    before.push_back(fixtures::readFile(dir / f.name));
  }

  const ToolResult probeRun = test::runTool(KIVOTRA_CLI_BIN, QStringList{"probe", "--json"} + paths, tmp.path(), 80000);
  const ToolResult compressRun = test::runTool(
      KIVOTRA_CLI_BIN,
      QStringList{"compress", "--json", "--resolution", "720P", "--bitrate", "800", "--output-dir", q(out)} + paths,
      tmp.path(), 80000);
  const auto probed = jsonLines(probeRun.out), compressed = jsonLines(compressRun.out);
  for (const ToolResult* run : {&probeRun, &compressRun}) ASSERT_FALSE(run->hung || run->crashed) << run->err;
  ASSERT_EQ(probed.size(), files.size()) << probeRun.out << probeRun.err;
  ASSERT_EQ(compressed.size(), files.size()) << compressRun.out << compressRun.err;
  EXPECT_EQ(probeRun.exitCode, 1) << "some cases cannot be read";
  EXPECT_EQ(compressRun.exitCode, 1) << "some cases must fail";

  std::set<std::string> outputs;
  for (std::size_t i = 0; i < files.size(); ++i) {
    const CorpusFile& file = files[i];
    SCOPED_TRACE(file.name);
    EXPECT_TRUE(fixtures::readFile(dir / file.name) == before[i]) << "the source changed";
    const QJsonObject& p = probed[i];
    EXPECT_EQ(p.value("file").toString(), paths[int(i)]);
    if (p.value("ok").toBool()) {
      // 0 is "unknown"; never negative, infinite or NaN (JSON has no such numbers).
      EXPECT_TRUE(p.value("fps").toDouble(-1) >= 0 && p.value("duration").toDouble(-1) >= 0);
      EXPECT_TRUE(!file.mustCompress || p.value("width").toInt() * p.value("height").toInt() > 0);
    } else {
      EXPECT_FALSE(file.mustCompress) << p.value("error").toString().toStdString();
      EXPECT_TRUE(hasChinese(p.value("error").toString().toStdString()));
      EXPECT_NE(probeRun.err.find(file.name + "：读取失败："), std::string::npos) << probeRun.err;
    }

    const QJsonObject& c = compressed[i];
    const std::string message = c.value("message").toString().toStdString();
    if (c.value("status").toString() == "done") {
      EXPECT_FALSE(file.mustFail) << "a cut source reported done";
      const fs::path output = c.value("output").toString().toStdString();
      EXPECT_EQ(output.parent_path(), out);
      EXPECT_TRUE(validOutput(output));
      if (file.seconds > 0 && validOutput(output)) {
        EXPECT_NEAR(fixtures::readFacts(output).duration, file.seconds, kDurationSlack);
      }
      outputs.insert(output.filename().string());
    } else {
      EXPECT_EQ(c.value("status").toString(), "failed");
      EXPECT_FALSE(file.mustCompress) << message;
      EXPECT_TRUE(hasChinese(message)) << message;
    }
  }
  EXPECT_EQ(namesIn(out), outputs) << "only the outputs of compressed files are in the folder";
  EXPECT_EQ(namesIn(dir).size(), files.size()) << "something was written beside the sources";
}

// The names reach the CLI as raw bytes through the shell's glob, twice into one output folder
// whose own name is GBK: the second run meets the first one's outputs. A name that fits is kept
// byte for byte; each leaves room for its hidden part file's additions.
TEST(FileNames, AnyNameADiskHoldsIsCompressedAndItsOutputNameFits) {
  const std::string stems[] = {
      "\xC4\xE3\xBA\xC3\xCA\xC0\xBD\xE7",  // GBK bytes, not UTF-8
      QString(80, QChar(u'视')).toStdString(),  // too long with the output's tail
      std::string(251, 'a'),  // the longest name a folder takes
  };
  fixtures::ScratchDir tmp;
  fs::create_directory(tmp / "in");
  for (const std::string& stem : stems) fs::rename(movie(tmp / "in.mp4", 0.5), tmp / "in" / (stem + ".mp4"));
  const fs::path out = tmp / "out" / "\xC4\xE3";
  // The folder itself the first time (the CLI reads its names), each file through the shell the second.
  const QString script = "exec \"$0\" compress --output-dir \"$1/out/$(printf '\\304\\343')\" \"$1\"/in$2";
  for (int run = 1; run <= 2; ++run) {
    const ToolResult result =
        test::runTool("sh", {"-c", script, KIVOTRA_CLI_BIN, q(tmp.path()), run == 1 ? "" : "/*"}, tmp.path(), 120000);
    ASSERT_EQ(result.exitCode, 0) << result.out << result.err;
  }
  const std::set<std::string> outputs = namesIn(out);
  EXPECT_EQ(outputs.size(), 6u);
  EXPECT_TRUE(outputs.contains(stems[0] + "_压缩_1080P.mp4") && outputs.contains(stems[0] + "_压缩_1080P_2.mp4"));
  for (const std::string& name : outputs) {
    EXPECT_LE(name.size(), 255u - 25) << name;
    EXPECT_TRUE(validOutput(out / name)) << name;
  }
}

}  // namespace
}  // namespace kivotra::test
