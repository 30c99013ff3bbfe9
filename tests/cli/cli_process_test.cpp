// kivotra-cli run as a script would run it: real files made at test time, the
// real engine and queue, a private TMPDIR and settings folder.
#include <gtest/gtest.h>
#include <signal.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <QSettings>
#include <fstream>

#include "selftest/media/test_video.h"
#include "support/scratch_dir.h"
#include "support/tool_process.h"

namespace kivotra {
namespace {

namespace fs = std::filesystem;
using fixtures::readFile;
using test::runTool;

QString q(const fs::path& path) { return QString::fromStdString(path.string()); }

std::vector<QJsonObject> jsonLines(const std::string& out) {
  std::vector<QJsonObject> objects;
  for (const QByteArray& line : QByteArray::fromStdString(out).split('\n')) {
    if (line.isEmpty()) continue;
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(line, &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << line.toStdString();
    objects.push_back(doc.object());
  }
  return objects;
}

int entriesIn(const fs::path& folder) {
  int count = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator(folder)) ++count;
  return count;
}

class Cli : public ::testing::Test {
 protected:
  test::ToolResult cli(const QStringList& args) { return runTool(KIVOTRA_CLI_BIN, args, tmp_.path(), 60000); }
  fs::path movie(const std::string& name, int w, int h, double seconds, bool audio) {
    fs::create_directories((tmp_ / name).parent_path());
    return SelfTest::makeTestVideo(tmp_ / name, w, h, seconds, 30, audio);
  }
  fs::path notAVideo(const std::string& name) {
    std::ofstream(tmp_ / name) << "this is not a movie";
    return tmp_ / name;
  }

  fixtures::ScratchDir tmp_;
};

TEST_F(Cli, UsageErrorsExitWith2AndShowTheUsage) {
  for (const QStringList& args : {QStringList{}, QStringList{"compress", "--fit", "wide", "a.mov"}}) {
    const auto result = cli(args);
    EXPECT_EQ(result.exitCode, 2) << args.join(' ').toStdString();
    EXPECT_NE(result.err.find("kivotra-cli："), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("用法："), std::string::npos) << result.err;
    EXPECT_TRUE(result.out.empty());
  }
  const auto help = cli({"compress", "--help"});
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_EQ(help.out.rfind("用法：kivotra-cli compress", 0), 0u) << help.out;
}

TEST_F(Cli, ProbeDescribesEachFileAndNamesTheOneItCannotRead) {
  const fs::path landscape = movie("a.mov", 320, 180, 1.0, true);
  const fs::path bad = notAVideo("bad.mp4");
  const auto result = cli({"probe", "--json", q(landscape), q(bad)});
  EXPECT_EQ(result.exitCode, 1) << result.err;
  const auto objects = jsonLines(result.out);
  ASSERT_EQ(objects.size(), 2u) << result.out;
  EXPECT_EQ(objects[0].value("file").toString(), q(landscape));
  EXPECT_EQ(objects[0].value("width").toInt(), 320);
  EXPECT_NEAR(objects[0].value("duration").toDouble(), 1.0, 0.05);
  EXPECT_EQ(objects[0].value("fileSize").toInteger(), static_cast<qint64>(fs::file_size(landscape)));
  EXPECT_TRUE(objects[0].value("hasAudio").toBool());
  EXPECT_TRUE(objects[0].value("thumbnail").isArray());
  EXPECT_EQ(objects[1].value("file").toString(), q(bad));
  EXPECT_FALSE(objects[1].value("ok").toBool());
  EXPECT_FALSE(objects[1].value("error").toString().isEmpty());

  const auto good = cli({"probe", q(landscape)});
  EXPECT_EQ(good.exitCode, 0);
  EXPECT_EQ(good.out.rfind(landscape.string() + "：00:01", 0), 0u) << good.out;
  EXPECT_NE(good.out.find("16:9 横屏"), std::string::npos) << good.out;
}

TEST_F(Cli, CompressWritesIntoTheOutputFolderAndAnUnreadableFileFailsOnlyItself) {
  const fs::path a = movie("src/a.mov", 320, 180, 1.0, true);
  const fs::path bad = notAVideo("src/bad.mp4");
  const fs::path b = movie("src/b.mov", 180, 320, 1.0, false);
  const fs::path out = tmp_ / "out" / "nested";
  const auto result = cli({"compress", "--resolution", "720", "--json", "--output-dir", q(out), q(a), q(bad), q(b)});
  EXPECT_EQ(result.exitCode, 1) << result.out << result.err;
  const auto objects = jsonLines(result.out);
  ASSERT_EQ(objects.size(), 3u) << result.out;
  const fs::path expected[] = {out / "a_压缩_720P.mp4", {}, out / "b_压缩_720P.mp4"};
  for (int i : {0, 2}) {
    const QJsonObject& o = objects[static_cast<std::size_t>(i)];
    EXPECT_EQ(o.value("status").toString(), "done");
    EXPECT_EQ(o.value("output").toString(), q(expected[i]));
    ASSERT_TRUE(fs::exists(expected[i]));
    EXPECT_EQ(o.value("size").toInteger(), static_cast<qint64>(fs::file_size(expected[i])));
    EXPECT_TRUE(o.value("message").isNull());
  }
  EXPECT_EQ(objects[1].value("file").toString(), q(bad));
  EXPECT_EQ(objects[1].value("status").toString(), "failed");
  EXPECT_TRUE(objects[1].value("message").toString().startsWith(QStringLiteral("读取失败："))) << result.out;
  EXPECT_TRUE(objects[1].value("output").isNull());
  EXPECT_EQ(entriesIn(tmp_ / "src"), 3) << "nothing is written next to the sources";
  EXPECT_FALSE(fs::exists(tmp_ / "config" / "Kivotra")) << "the window's remembered folder is not touched";
}

TEST_F(Cli, WithoutOutputDirEachOutputGoesNextToItsSourceWhateverTheWindowRemembers) {
  const fs::path a = movie("src/a.mov", 320, 180, 1.0, false);
  fs::create_directories(tmp_ / "remembered");
  const QString settingsFile = q(tmp_ / "config" / "Kivotra" / "KivotraMP4.conf");
  {
    QSettings settings(settingsFile, QSettings::IniFormat);
    settings.setValue("kivotra.outputFolderBookmark", QByteArray::fromStdString((tmp_ / "remembered").string()));
  }
  const std::string settingsBefore = readFile(settingsFile.toStdString());

  const auto result = cli({"compress", "--resolution", "720P", q(a)});
  EXPECT_EQ(result.exitCode, 0) << result.out << result.err;
  EXPECT_TRUE(fs::exists(tmp_ / "src" / "a_压缩_720P.mp4"));
  EXPECT_EQ(entriesIn(tmp_ / "remembered"), 0);
  EXPECT_EQ(readFile(settingsFile.toStdString()), settingsBefore);
  EXPECT_NE(result.out.find("共 1 个文件：完成 1，失败 0，未处理 0"), std::string::npos) << result.out;
}

TEST_F(Cli, CtrlCStopsTheFileLeavesNoOutputAndExitsWith130) {
  const fs::path source = movie("long.mov", 640, 360, 3.0, true);
  const std::string sourceBytes = readFile(source);
  const fs::path out = tmp_ / "out";

  QProcess process;
  // Upscaled to 4K the file takes tens of seconds; it is stopped after about one.
  test::startTool(process, KIVOTRA_CLI_BIN,
                  {"compress", "--resolution", "4K", "--upscale", "--json", "--output-dir", q(out), q(source)},
                  tmp_.path());
  ASSERT_TRUE(process.waitForStarted());
  process.setReadChannel(QProcess::StandardError);  // progress goes there
  // Wait until the file is really being encoded: a progress line past 0.
  QByteArray progress;
  bool running = false;
  while (!running && process.state() == QProcess::Running && process.waitForReadyRead(60000)) {
    progress += process.readAllStandardError();
    for (const QByteArray& line : progress.split('\n')) {
      running = running || (line.startsWith("[1/1]") && line.contains('%') && !line.contains(" 0.0%"));
    }
  }
  ASSERT_TRUE(running) << progress.toStdString();
  ::kill(static_cast<pid_t>(process.processId()), SIGINT);

  const auto result = test::finishTool(process, 60000);
  EXPECT_FALSE(result.crashed);
  EXPECT_EQ(result.exitCode, 130) << result.out << result.err;
  const auto objects = jsonLines(result.out);
  ASSERT_EQ(objects.size(), 1u) << result.out;
  EXPECT_EQ(objects[0].value("status").toString(), "ready");
  EXPECT_TRUE(objects[0].value("output").isNull());
  EXPECT_EQ(entriesIn(out), 0) << "the stopped file's partial output must be gone";
  EXPECT_EQ(readFile(source), sourceBytes);
}

}  // namespace
}  // namespace kivotra
