#include "cli/cli_options.h"

#include <gtest/gtest.h>

namespace kivotra::cli {
namespace {

Command parse(QStringList args) {
  args.prepend(QStringLiteral("kivotra-cli"));
  return parseCommandLine(args);
}

template <class T>
T as(const QStringList& args) {
  const Command command = parse(args);
  if (const auto* error = std::get_if<UsageError>(&command)) ADD_FAILURE() << error->message.toStdString();
  EXPECT_TRUE(std::holds_alternative<T>(command)) << args.join(' ').toStdString();
  return std::holds_alternative<T>(command) ? std::get<T>(command) : T{};
}

QString usageError(const QStringList& args) {
  const Command command = parse(args);
  EXPECT_TRUE(std::holds_alternative<UsageError>(command)) << args.join(' ').toStdString();
  return std::holds_alternative<UsageError>(command) ? std::get<UsageError>(command).message : QString();
}

TEST(CliOptions, EveryOptionIsTakenWhereverItStandsWithTheWindowsDefaultsOtherwise) {
  EXPECT_EQ(as<CompressCommand>({"compress", "a.mov"}).settings, ItemSettings{});
  EXPECT_FALSE(as<CompressCommand>({"compress", "a.mov"}).outputDir.has_value());
  const CompressCommand command =
      as<CompressCommand>({"compress", "a.mov", "--fps=240", "--bitrate", "1000000", "--fit", "pad", "--upscale",
                           "--output-dir", "out", "--json", "--resolution", "4K", "b.mov"});
  EXPECT_EQ(command.settings, (ItemSettings{2160, 240, 1000000, FitMode::pad, false}));
  EXPECT_EQ(command.outputDir, QStringLiteral("out"));
  EXPECT_TRUE(command.json);
  EXPECT_EQ(command.files, (QStringList{"a.mov", "b.mov"}));
  EXPECT_EQ(as<CompressCommand>({"compress", "--fit", "crop", "a.mov"}).settings.fit, FitMode::crop);
  EXPECT_EQ(as<CompressCommand>({"compress", "--", "--odd-name.mov"}).files, QStringList{"--odd-name.mov"});
  const ProbeCommand probe = as<ProbeCommand>({"probe", "a.mov", "--json", "b.mov"});
  EXPECT_TRUE(probe.json);
  EXPECT_EQ(probe.files, (QStringList{"a.mov", "b.mov"}));
}

TEST(CliOptions, ResolutionTakesLabelsAndShortSidesAndSetsTheTiersBitrate) {
  const struct {
    QString given;
    int shortSide, kbps;
  } rows[] = {{"720P", 720, 3000}, {"720", 720, 3000},    {"1080P", 1080, 5000}, {"1080", 1080, 5000},
              {"2K", 1440, 10000}, {"1440", 1440, 10000}, {"4K", 2160, 20000},   {"2160", 2160, 20000},
              {"720p", 720, 3000}, {"2k", 1440, 10000}};
  for (const auto& row : rows) {
    const ItemSettings s = as<CompressCommand>({"compress", "--resolution", row.given, "a.mov"}).settings;
    EXPECT_EQ(s.shortSide, row.shortSide) << row.given.toStdString();
    EXPECT_EQ(s.bitrateKbps, row.kbps) << row.given.toStdString();
  }
}

TEST(CliOptions, TargetSizeIsReadInBinaryUnits) {
  const std::pair<QStringList, qint64> rows[] = {
      {{"--target-size", "25M", "a.mov"}, 25 * 1048576},
      {{"--target-size=500K", "a.mov"}, 500 * 1024},
      {{"--resolution", "720P", "a.mov", "--target-size", "1.5GB"}, qint64(1536) * 1048576}};
  for (const auto& [args, bytes] : rows) {
    const CompressCommand command = as<CompressCommand>(QStringList{"compress"} + args);
    EXPECT_EQ(command.targetSize, bytes) << args.join(' ').toStdString();
    EXPECT_EQ(command.files, QStringList{"a.mov"});
  }
  EXPECT_FALSE(as<CompressCommand>({"compress", "a.mov"}).targetSize);
}

TEST(CliOptions, BadInputIsAUsageErrorWithAChineseMessageAndHelpIsShownOnRequest) {
  const std::pair<QStringList, QString> rows[] = {
      {{}, "缺少命令（probe 或 compress）"},
      {{"squash", "a.mov"}, "未知命令：squash（应为 probe 或 compress）"},
      {{"compress"}, "缺少要压缩的视频文件"},
      {{"probe", "--json"}, "缺少要读取的视频文件"},
      {{"compress", "--speed", "9", "a.mov"}, "未知选项：--speed"},
      {{"probe", "-x", "a.mov"}, "未知选项：-x"},
      {{"compress", "a.mov", "--fps"}, "选项 --fps 缺少取值"},
      {{"compress", "--resolution", "900", "a.mov"}, "分辨率“900”无效，应为 720P、1080P、2K、4K（或 720、1080、1440、2160）"},
      {{"compress", "--fps", "abc", "a.mov"}, "帧率“abc”无效*"},
      {{"compress", "--fps", "-1", "a.mov"}, "帧率“-1”无效*"},
      {{"compress", "--fps", "241", "a.mov"}, "帧率“241”无效，应为 0 到 240 的整数"},
      {{"compress", "--bitrate", "0", "a.mov"}, "码率“0”无效*"},
      {{"compress", "--bitrate", "1000001", "a.mov"}, "码率“1000001”无效，应为 1 到 1000000 的整数（kbps）"},
      {{"compress", "--fit", "wide", "a.mov"}, "画面比例“wide”无效*"},
      {{"compress", "--output-dir=", "a.mov"}, "输出文件夹不能为空"},
      {{"compress", "--target-size", "25", "a.mov"}, "目标大小“25”无效*"},
      {{"compress", "--target-size", "lots", "a.mov"}, "目标大小“lots”无效*"},
      {{"compress", "--target-size", "25M", "--bitrate", "800", "a.mov"}, "--target-size 与 --bitrate 不能同时使用"},
      {{"compress", "--bitrate", "800", "--target-size", "25M", "a.mov"}, "--target-size 与 --bitrate 不能同时使用"},
      {{"compress", "a.mov", "--target-size"}, "选项 --target-size 缺少取值"},
  };
  for (const auto& [args, message] : rows) {
    const QString error = usageError(args);
    if (message.endsWith('*')) {
      EXPECT_TRUE(error.startsWith(message.chopped(1))) << error.toStdString();
    } else {
      EXPECT_EQ(error, message);
    }
  }
  for (const QStringList& args : {QStringList{"--help"}, QStringList{"-h"}, QStringList{"compress", "--help"},
                                  QStringList{"probe", "-h", "a.mov"}}) {
    EXPECT_TRUE(as<HelpRequest>(args).text.startsWith(QStringLiteral("用法："))) << args.join(' ').toStdString();
  }
  EXPECT_TRUE(as<HelpRequest>({"compress", "--help"}).text.contains(QStringLiteral("--output-dir")));
}

}  // namespace
}  // namespace kivotra::cli
