// kivotra-cli's batch and size options through the real executable: sources
// made at test time (noisy ones by the ffmpeg tool), a private TMPDIR.
#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <fstream>
#include <iostream>

#include "selftest/media/test_video.h"
#include "support/scratch_dir.h"
#include "support/tool_process.h"

namespace kivotra {
namespace {

namespace fs = std::filesystem;

QString q(const fs::path& path) { return QString::fromStdString(path.string()); }

std::vector<QJsonObject> jsonLines(const std::string& out) {
  std::vector<QJsonObject> objects;
  for (const QByteArray& line : QByteArray::fromStdString(out).split('\n')) {
    if (!line.isEmpty()) objects.push_back(QJsonDocument::fromJson(line).object());
  }
  return objects;
}

class ShareReady : public ::testing::Test {
 protected:
  test::ToolResult cli(const QStringList& args) { return test::runTool(KIVOTRA_CLI_BIN, args, tmp_.path()); }

  // 160x120 at 30 fps: grey noise that changes every frame, or a moving test
  // picture; a tone when audio; x264 at `quality` (0 is lossless).
  fs::path source(const std::string& name, bool noisy, bool audio, double seconds, int quality = 0) {
    const QString length = QString::number(seconds);
    const QString video = noisy ? "nullsrc=s=160x120:r=30:d=" + length + ",geq=lum='random(1)*255':cb=128:cr=128"
                                : "testsrc2=s=160x120:r=30:d=" + length;
    QStringList args{"-loglevel", "error", "-y", "-f", "lavfi", "-i", video};
    if (audio) args += QStringList{"-f", "lavfi", "-i", "sine=d=" + length, "-c:a", "pcm_s16le"};
    args += QStringList{"-c:v", "libx264", "-preset", "ultrafast", "-qp", QString::number(quality), q(tmp_ / name)};
    const auto made = test::runTool("ffmpeg", args, tmp_.path());
    EXPECT_EQ(made.exitCode, 0) << made.err;
    return tmp_ / name;
  }

  fixtures::ScratchDir tmp_;
};

TEST_F(ShareReady, TargetSizeKeepsEachOutputUnderTheLimitAndNearItWhereTheFootageAllows) {
  const struct {
    const char* name;
    bool noisy, audio;
    double seconds;
    const char* target;
    qint64 limit;
    bool fills;  // the footage can use the bits: at least 90 % of the limit
  } rows[] = {
      {"noisy.mov", true, false, 4, "200K", 200 * 1024, true},
      {"noisy_sound.mov", true, true, 4, "150K", 150 * 1024, true},
      {"calm_sound.mov", false, true, 4, "120K", 120 * 1024, true},
      // Two seconds or less of noise: the encoder's rate has no time to settle, so
      // the first encode usually overshoots and the second one aims lower.
      {"noisy_2s.mov", true, false, 2, "120K", 120 * 1024, false},
      {"very_short.mov", true, false, 0.3, "30K", 30 * 1024, false},
      {"calm.mov", false, false, 2, "250K", 250 * 1024, false},  // more bits than a simple picture takes
  };
  for (const auto& row : rows) {
    const fs::path file = source(row.name, row.noisy, row.audio, row.seconds);
    const auto result =
        cli({"compress", "--json", "--output-dir", q(tmp_ / "out"), "--target-size", row.target, q(file)});
    SCOPED_TRACE(row.name);
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const QJsonObject o = jsonLines(result.out).at(0);
    const qint64 size = o.value("size").toInteger();
    EXPECT_EQ(o.value("targetSize").toInteger(), row.limit);
    EXPECT_EQ(size, static_cast<qint64>(fs::file_size(o.value("output").toString().toStdString())));
    EXPECT_LE(size, row.limit);
    if (row.fills) EXPECT_GE(size, row.limit * 0.9);
    std::cout << "[ target ] " << row.name << " " << row.target << ": " << size << " bytes ("
              << 100.0 * size / row.limit << " %), encodes " << o.value("encodes").toInt() << "\n";
  }
}

TEST_F(ShareReady, AnUnreachableTargetFailsNamingTheSmallestSizeAndBitrateExcludesIt) {
  const fs::path file = source("sound.mov", true, true, 2);
  const auto result = cli({"compress", "--json", "--target-size", "40K", q(file)});
  EXPECT_EQ(result.exitCode, 1);
  const QJsonObject o = jsonLines(result.out).at(0);
  EXPECT_EQ(o.value("status").toString(), "failed");
  // 2 s of 100 kbit/s video and 128 kbit/s sound: about 57 KB.
  const QString message = o.value("message").toString();
  EXPECT_TRUE(message.contains("40 KB") && message.contains("100 kbps")) << message.toStdString();
  EXPECT_TRUE(message.contains(QRegularExpression("约为 (5[6-9]|6[0-4]) KB"))) << message.toStdString();
  EXPECT_FALSE(fs::exists(tmp_ / "sound_压缩_1080P.mp4"));

  const auto both = cli({"compress", "--target-size", "25M", "--bitrate", "800", q(file)});
  EXPECT_EQ(both.exitCode, 2);
  EXPECT_NE(both.err.find("--bitrate"), std::string::npos) << both.err;
}

TEST_F(ShareReady, AnOutputBiggerThanItsSourceIsKeptFlaggedAndWarnedAbout) {
  const fs::path small = source("small.mov", true, false, 1, 45);  // heavily compressed already
  const fs::path big = source("big.mov", true, false, 1);
  const auto result = cli({"compress", "--json", "--bitrate", "3000", q(small), q(big)});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  const auto objects = jsonLines(result.out);
  ASSERT_EQ(objects.size(), 2u) << result.out;
  EXPECT_TRUE(objects[0].value("largerThanSource").toBool());
  EXPECT_TRUE(fs::exists(objects[0].value("output").toString().toStdString()));
  EXPECT_FALSE(objects[1].value("largerThanSource").toBool());
  EXPECT_FALSE(objects[1].value("largerThanSource").isUndefined());
  EXPECT_NE(result.err.find("small.mov：输出"), std::string::npos) << result.err;
  EXPECT_NE(result.err.find("大于源文件"), std::string::npos) << result.err;
  EXPECT_EQ(result.err.find("big.mov：输出"), std::string::npos) << result.err;
}

TEST_F(ShareReady, AFolderStandsForItsVideosByNameAndARepeatedFileRunsOnce) {
  const fs::path dir = tmp_ / "clips";
  fs::create_directories(dir / "inner");
  for (const char* name : {"b.mov", "a.MP4", "inner/c.mov"}) {
    SelfTest::makeTestVideo(dir / name, 160, 120, 1, 30, false);
  }
  std::ofstream(dir / "notes.txt") << "not a video";
  fs::create_symlink(dir / "b.mov", tmp_ / "link.mov");

  const auto result = cli({"compress", "--json", "--resolution", "720", "--output-dir", q(tmp_ / "out"), q(dir),
                           q(dir / "inner" / ".." / "a.MP4"), q(tmp_ / "link.mov"), q(dir / "inner" / "c.mov")});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  std::vector<std::string> files;
  for (const QJsonObject& o : jsonLines(result.out)) files.push_back(o.value("file").toString().toStdString());
  EXPECT_EQ(files, (std::vector<std::string>{(dir / "a.MP4").string(), (dir / "b.mov").string(),
                                             (dir / "inner" / "c.mov").string()}));
  EXPECT_TRUE(fs::exists(tmp_ / "out" / "b_压缩_720P.mp4"));
  EXPECT_FALSE(fs::exists(tmp_ / "out" / "b_压缩_720P_2.mp4"));

  fs::create_directories(tmp_ / "empty");
  const auto empty = cli({"compress", q(tmp_ / "empty")});
  EXPECT_EQ(empty.exitCode, 2);
  EXPECT_NE(empty.err.find("没有"), std::string::npos) << empty.err;
}

}  // namespace
}  // namespace kivotra
