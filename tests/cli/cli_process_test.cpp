// kivotra-cli run as a script would run it: real files made at test time, the
// real engine and queue, a private TMPDIR and settings folder. Damaged and odd
// inputs, and runs ended from outside, are the reliability tests'.
#include <gtest/gtest.h>

#include <QSettings>
#include <fstream>

#include "state/state_fixture.h"

namespace kivotra::test {
namespace {

class Cli : public ::testing::Test {
 protected:
  // Run in the scratch folder; a language other than "" is the desktop's LANG and nothing else.
  test::ToolResult cli(const QStringList& args, const QString& lang = {}) {
    QProcessEnvironment env = test::toolEnvironment(tmp_.path());
    if (!lang.isEmpty()) {
      for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES"}) env.remove(QString::fromLatin1(name));
      env.insert(QStringLiteral("LANG"), lang);
    }
    QProcess process;
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(q(tmp_.path()));
    process.start(QStringLiteral(KIVOTRA_CLI_BIN), args);
    return test::finishTool(process, 60000);
  }
  // 160x120 grey noise at 30 fps that changes every frame, by the ffmpeg tool; a
  // tone when audio; x264 at `quality` (0 is lossless).
  fs::path noise(const std::string& name, bool audio, double seconds, int quality = 0) {
    const QString length = QString::number(seconds);
    QStringList args{"-loglevel", "error", "-y", "-f", "lavfi", "-i",
                     "nullsrc=s=160x120:r=30:d=" + length + ",geq=lum='random(1)*255':cb=128:cr=128"};
    if (audio) args += QStringList{"-f", "lavfi", "-i", "sine=d=" + length, "-c:a", "pcm_s16le"};
    args += QStringList{"-c:v", "libx264", "-preset", "ultrafast", "-qp", QString::number(quality), q(tmp_ / name)};
    const auto made = test::runTool("ffmpeg", args, tmp_.path(), 60000);
    EXPECT_EQ(made.exitCode, 0) << made.err;
    return tmp_ / name;
  }

  fixtures::ScratchDir tmp_;
};

// Exit statuses, the streams, and the desktop's language: English on an
// English desktop, the product's own Chinese otherwise.
TEST_F(Cli, HelpUsageErrorsAndUnreadableFilesExitWithTheirStatusInTheDesktopsLanguage) {
  fs::create_directories(tmp_ / "empty");
  movie(tmp_ / "a.mov", 1, 2, 320, 180);
  const struct {
    QString lang;
    QStringList args;
    int status;
    std::string outStart;  // "": nothing on standard output
    std::string errPart;
  } rows[] = {
      {"", {}, 2, "", "kivotra-cli：缺少命令（probe 或 compress）\n用法："},
      {"", {"compress", "empty"}, 2, "", "kivotra-cli：文件夹 empty 中没有 mp4、mov、m4v 文件"},
      {"", {"probe", "a.mov"}, 0, "a.mov：00:01", ""},
      {"en_US.UTF-8", {"--help"}, 0, "Usage:\n  kivotra-cli probe", ""},
      {"en_US.UTF-8", {"compress", "--fps", "fast", "a.mov"}, 2, "", "kivotra-cli: invalid frame rate \"fast\""},
      // The cause comes from the engine's error texts, through the catalogue.
      {"en_US.UTF-8", {"probe", "gone.mp4"}, 1, "", "gone.mp4: cannot read: File not found"},
      {"C.UTF-8", {"--help"}, 0, "用法：", ""},  // Qt's languages for C: none with texts
  };
  for (const auto& row : rows) {
    SCOPED_TRACE((row.lang + " " + row.args.join(' ')).toStdString());
    const auto result = cli(row.args, row.lang);
    EXPECT_EQ(result.exitCode, row.status);
    EXPECT_TRUE(row.outStart.empty() ? result.out.empty() : result.out.starts_with(row.outStart)) << result.out;
    EXPECT_NE(result.err.find(row.errPart), std::string::npos) << result.err;
    if (row.lang.startsWith("en")) {
      EXPECT_FALSE(hasChinese(result.out + result.err)) << result.out << result.err;
    }
  }
}

// A folder stands for its videos in name order; a file named twice (or through
// a link) runs once.
TEST_F(Cli, CompressTakesFoldersAndWritesEachFileOnceIntoTheOutputFolder) {
  const fs::path a = tmp_ / "src" / "a.MP4";
  fs::create_directories(tmp_ / "src" / "sub");
  fs::rename(movie(tmp_ / "src" / "a.mp4", 1, 2, 320, 180), a);
  const fs::path b = movie(tmp_ / "src" / "b.mov", 1, 0, 180, 320);
  std::ofstream(tmp_ / "src" / "notes.txt") << "not a video";
  fs::create_symlink(b, tmp_ / "link.mov");
  const fs::path out = tmp_ / "out" / "nested";
  const auto result = cli({"compress", "--resolution", "720", "--json", "--output-dir", q(out), "src",
                           "src/sub/../a.MP4", "link.mov"});
  EXPECT_EQ(result.exitCode, 0) << result.out << result.err;
  const auto objects = jsonLines(result.out);
  ASSERT_EQ(objects.size(), 2u) << result.out;
  const std::pair<const char*, fs::path> expected[] = {{"src/a.MP4", out / "a_压缩_720P.mp4"},
                                                       {"src/b.mov", out / "b_压缩_720P.mp4"}};
  for (std::size_t i = 0; i < 2; ++i) {
    const QJsonObject& o = objects[i];
    EXPECT_EQ(o.value("file").toString(), expected[i].first);
    EXPECT_EQ(o.value("output").toString(), q(expected[i].second));
    EXPECT_EQ(o.value("size").toInteger(), static_cast<qint64>(fs::file_size(expected[i].second)));
  }
  EXPECT_EQ(namesIn(out).size(), 2u);
  EXPECT_EQ(namesIn(tmp_ / "src").size(), 4u) << "nothing is written next to the sources";
  EXPECT_FALSE(fs::exists(tmp_ / "config" / "Kivotra")) << "the window's remembered folder is not touched";
}

TEST_F(Cli, WithoutOutputDirEachOutputGoesNextToItsSourceAndOneBiggerThanItsSourceIsKeptWithAWarning) {
  const fs::path small = noise("small.mov", false, 1, 45);  // heavily compressed already
  const fs::path big = noise("big.mov", false, 1);
  fs::create_directories(tmp_ / "remembered");
  const QString settingsFile = q(tmp_ / "config" / "Kivotra" / "KivotraMP4.conf");
  QSettings(settingsFile, QSettings::IniFormat)
      .setValue("kivotra.outputFolderBookmark", QByteArray::fromStdString((tmp_ / "remembered").string()));
  const std::string settingsBefore = fixtures::readFile(settingsFile.toStdString());

  const auto result = cli({"compress", "--bitrate", "3000", "small.mov", "big.mov"});
  EXPECT_EQ(result.exitCode, 0) << result.out << result.err;
  EXPECT_TRUE(fs::exists(tmp_ / "small_压缩_1080P.mp4") && fs::exists(tmp_ / "big_压缩_1080P.mp4"));
  EXPECT_TRUE(namesIn(tmp_ / "remembered").empty());
  EXPECT_EQ(fixtures::readFile(settingsFile.toStdString()), settingsBefore);
  // Each file's line as it ends: its output, size and time.
  EXPECT_NE(result.err.find("✓ [2/2] big.mov → big_压缩_1080P.mp4"), std::string::npos) << result.err;
  EXPECT_NE(result.err.find("⚠ small.mov：输出"), std::string::npos) << result.err;
  EXPECT_NE(result.err.find("大于源文件"), std::string::npos) << result.err;
  EXPECT_EQ(result.err.find("big.mov：输出"), std::string::npos) << result.err;
  EXPECT_NE(result.out.find("共 2 个文件：完成 2，失败 0，未处理 0"), std::string::npos) << result.out;
}

// (A limit out of reach, and the limit in the window: the window's tests.)
TEST_F(Cli, TargetSizeKeepsEachOutputUnderTheLimit) {
  const struct {
    const char* name;
    bool audio;
    double seconds;
    int kib;     // the limit
    bool fills;  // the footage can use the bits: at least 90 % of the limit
  } rows[] = {
      {"sound_4s.mov", true, 4, 150, true},
      // Two seconds of noise: the encoder's rate has no time to settle, so the
      // first encode usually overshoots and the second one aims lower.
      {"silent_2s.mov", false, 2, 120, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const fs::path file = noise(row.name, row.audio, row.seconds);
    const auto result =
        cli({"compress", "--json", "--output-dir", "out", "--target-size", QString::number(row.kib) + "K", q(file)});
    const qint64 limit = row.kib * 1024;
    const auto objects = jsonLines(result.out);
    ASSERT_EQ(objects.size(), 1u) << result.out << result.err;
    const QJsonObject& o = objects[0];
    EXPECT_EQ(o.value("targetSize").toInteger(), limit);
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const qint64 size = o.value("size").toInteger();
    EXPECT_EQ(size, static_cast<qint64>(fs::file_size(o.value("output").toString().toStdString())));
    EXPECT_LE(size, limit);
    if (row.fills) {
      EXPECT_GE(size, limit * 0.9);
    }
  }
  EXPECT_EQ(namesIn(tmp_ / "out").size(), 2u);
}

}  // namespace
}  // namespace kivotra::test
