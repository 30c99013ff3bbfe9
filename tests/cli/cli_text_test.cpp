// What kivotra-cli reads and prints: its command line, the JSON lines scripts read, the
// table people read, and the progress line on a terminal and on a pipe.
#include "cli/cli_options.h"
#include "cli/cli_report.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QRegularExpression>
#include <cstdlib>

#include "cli/progress_view.h"

namespace kivotra::cli {
namespace {

using namespace std::chrono_literals;

Command parse(const QStringList& args) { return parseCommandLine(QStringList{"kivotra-cli"} + args); }

template <class T>
T as(const QStringList& args) {
  const Command command = parse(args);
  if (const auto* error = std::get_if<UsageError>(&command)) ADD_FAILURE() << error->message.toStdString();
  return std::get<T>(command);  // another command throws, which fails the test
}

TEST(CliOptions, EveryOptionIsTakenWhereverItStandsWithTheWindowsDefaultsOtherwise) {
  const struct {
    QStringList args;
    ItemSettings settings;
    std::optional<QString> outputDir;
    std::optional<qint64> targetSize;
    QStringList files;
  } rows[] = {
      {{"a.mov"}, {}, {}, {}, {"a.mov"}},
      {{"a.mov", "--fps=240", "--bitrate", "1000000", "--fit", "pad", "--upscale", "--output-dir", "out",
        "--resolution", "4K", "b.mov"},
       {2160, 240, 1000000, FitMode::pad, false}, "out", {}, {"a.mov", "b.mov"}},
      // Labels in either case and short sides name a tier and set its bitrate.
      {{"--fit", "crop", "--resolution", "720p", "a.mov"}, {720, 0, 3000, FitMode::crop}, {}, {}, {"a.mov"}},
      {{"--resolution", "2k", "--", "--odd-name.mov"}, {1440, 0, 10000}, {}, {}, {"--odd-name.mov"}},
      // Sizes are binary units.
      {{"--resolution", "1080", "--target-size=500K", "a.mov"}, {}, {}, 500 * 1024, {"a.mov"}},
      {{"--resolution", "2160", "a.mov", "--target-size", "1.5GB"}, {2160, 0, 20000}, {}, qint64(1536) << 20, {"a.mov"}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.args.join(' ').toStdString());
    const auto command = as<CompressCommand>(QStringList{"compress"} + row.args);
    EXPECT_EQ(command.settings, row.settings);
    EXPECT_EQ(command.outputDir, row.outputDir);
    EXPECT_EQ(command.targetSize, row.targetSize);
    EXPECT_EQ(command.files, row.files);
  }
}

TEST(CliOptions, BadInputIsAUsageErrorWithAChineseMessageAndHelpIsShownOnRequest) {
  // How each message starts.
  const std::pair<QStringList, QString> rows[] = {
      {{"squash", "a.mov"}, "未知命令：squash（应为 probe 或 compress）"},
      {{"compress"}, "缺少要压缩的视频文件"},
      {{"compress", "--speed", "9", "a.mov"}, "未知选项：--speed"},
      {{"compress", "a.mov", "--fps"}, "选项 --fps 缺少取值"},
      {{"compress", "--resolution", "900", "a.mov"}, "分辨率“900”无效，应为 720P、1080P、2K、4K（或 720、1080、1440、2160）"},
      {{"compress", "--bitrate", "800", "--target-size", "25M", "a.mov"}, "--target-size 与 --bitrate 不能同时使用"},
      {{"compress", "--output-dir=", "a.mov"}, "输出文件夹不能为空"},
  };
  for (const auto& [args, message] : rows) {
    const Command command = parse(args);
    ASSERT_TRUE(std::holds_alternative<UsageError>(command)) << args.join(' ').toStdString();
    const QString error = std::get<UsageError>(command).message;
    EXPECT_TRUE(error.startsWith(message)) << error.toStdString();
  }
  for (const QStringList& args : {QStringList{"--help"}, QStringList{"-h"}, QStringList{"compress", "--help"},
                                  QStringList{"probe", "-h", "a.mov"}}) {
    EXPECT_TRUE(as<HelpRequest>(args).text.startsWith(QStringLiteral("用法："))) << args.join(' ').toStdString();
  }
}

VideoItem itemWith(ItemStatus status, std::optional<std::int64_t> actualSize = {}) {
  VideoItem item("/videos/a.mov");
  item.fileSize = 10'485'760;
  item.status = std::move(status);
  item.outputURL = "/out/a_压缩_720P.mp4";
  item.actualSize = actualSize;
  return item;
}

// The keys are what scripts rely on: each object is checked as the exact line it is.
TEST(CliJson, ProbeAndResultLinesCarryEveryKey) {
  ProbeInfo info{.duration = 90, .width = 1920, .height = 1080, .fps = 29.97, .fileSize = 45'000'000,
                 .hasAudio = true, .audioSampleRate = 48000, .audioChannels = 1};
  EXPECT_EQ(
      jsonLine(probeJson("a.mov", info)),
      QStringLiteral(R"({"audioChannels":1,"audioSampleRate":48000,"duration":90,"file":"a.mov","fileSize":45000000,)"
                     R"("fps":29.97,"hasAudio":true,"height":1080,"ok":true,"thumbnail":null,"width":1920})"));
  info.thumbnail = RgbaBitmap{320, 180, std::vector<std::uint8_t>(320 * 180 * 4)};
  EXPECT_EQ(probeJson("a.mov", info).value("thumbnail").toArray(), (QJsonArray{320, 180}));
  EXPECT_EQ(jsonLine(probeFailureJson("bad.mp4", "文件已损坏")),
            QStringLiteral(R"({"error":"文件已损坏","file":"bad.mp4","ok":false})"));

  VideoItem overSource = itemWith(ItemStatus::done(), 11'000'000);
  overSource.sizeLimit = 12'000'000;
  overSource.encodeCount = 2;
  VideoItem missedTarget = itemWith(ItemStatus::failed("无法达到目标大小"));
  missedTarget.sizeLimit = 40'960;
  const std::pair<VideoItem, const char*> rows[] = {
      {itemWith(ItemStatus::done(), 1'048'576),
       R"({"file":"a.mov","largerThanSource":false,"message":null,"output":"/out/a_压缩_720P.mp4","size":1048576,"status":"done"})"},
      {itemWith(ItemStatus::failed("读取失败：文件已损坏")),
       R"({"file":"a.mov","largerThanSource":false,"message":"读取失败：文件已损坏","output":null,"size":0,"status":"failed"})"},
      {itemWith(ItemStatus::ready()),
       R"({"file":"a.mov","largerThanSource":false,"message":null,"output":null,"size":0,"status":"ready"})"},
      {overSource,
       R"({"encodes":2,"file":"a.mov","largerThanSource":true,"message":null,"output":"/out/a_压缩_720P.mp4",)"
       R"("size":11000000,"status":"done","targetSize":12000000})"},
      {missedTarget,
       R"({"encodes":0,"file":"a.mov","largerThanSource":false,"message":"无法达到目标大小","output":null,"size":0,)"
       R"("status":"failed","targetSize":40960})"},
  };
  for (const auto& [item, json] : rows) EXPECT_EQ(jsonLine(resultJson("a.mov", item)), QString::fromUtf8(json));
}

TEST(CliText, TheSummaryTableGivesEachFileItsStatusAndTotalsTheSaving) {
  const VideoItem done = itemWith(ItemStatus::done(), 2'621'440);  // a quarter of the source
  const VideoItem failed = itemWith(ItemStatus::failed("磁盘已满"));
  const VideoItem stopped = itemWith(ItemStatus::ready());
  const QString table = summaryTable({{"开学典礼.mov", &done, 4.25}, {"b.mov", &failed, 1.0}, {"c.mov", &stopped, {}}});
  const QStringList lines = table.split('\n', Qt::SkipEmptyParts);
  ASSERT_EQ(lines.size(), 6) << table.toStdString();
  // Each file's row: its status, and for a finished one its sizes, saving and output.
  const QRegularExpression rows[] = {QRegularExpression("完成.*10.0 MB.*2.5 MB.*75.0%.*/out/a_压缩_720P.mp4"),
                                     QRegularExpression("失败"), QRegularExpression("未处理")};
  for (int row = 1; row <= 3; ++row) EXPECT_TRUE(lines[row].contains(rows[row - 1])) << lines[row].toStdString();
  EXPECT_EQ(lines[4], QStringLiteral("✗ b.mov：磁盘已满"));
  EXPECT_EQ(lines[5], QStringLiteral("共 3 个文件：完成 1，失败 1，未处理 1；10.0 MB → 2.5 MB，节省 75.0%"));
}

ProgressState at(double fraction) { return {2, 4, QStringLiteral("校庆.mov"), fraction, 4.4, 1.94}; }

// A terminal gets one line redrawn in place and ended with the result; a pipe
// plain lines at most once a second. The clock moves when told.
TEST(ProgressView, RedrawsOnATerminalAndWritesPlainLinesToAPipe) {
  for (const bool terminal : {true, false}) {
    char* buffer = nullptr;
    std::size_t size = 0;
    std::FILE* stream = open_memstream(&buffer, &size);
    ProgressView::Clock::time_point now{1h};
    ProgressView view(stream, terminal, [&now] { return now; });
    view.update(at(0.1));
    now += 999ms;
    view.update(at(0.2));  // too soon for a pipe
    view.finish(QStringLiteral("✓ done"));
    view.update(at(0.01));  // the next file's first report always shows
    std::fclose(stream);
    const QString expected =
        terminal ? progressLine(at(0.1), true) + "\r\x1b[K" + progressLine(at(0.2), true) + "\r\x1b[K✓ done\n" +
                       progressLine(at(0.01), true)
                 : progressLine(at(0.1), false) + "\n✓ done\n" + progressLine(at(0.01), false) + "\n";
    EXPECT_EQ(std::string(buffer, size), expected.toStdString()) << terminal;
    std::free(buffer);
  }
}

}  // namespace
}  // namespace kivotra::cli
