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
  // A trailing '*': the message starts so.
  const std::pair<QStringList, QString> rows[] = {
      {{}, "缺少命令（probe 或 compress）"},
      {{"squash", "a.mov"}, "未知命令：squash（应为 probe 或 compress）"},
      {{"compress"}, "缺少要压缩的视频文件"},
      {{"compress", "--speed", "9", "a.mov"}, "未知选项：--speed"},
      {{"compress", "a.mov", "--fps"}, "选项 --fps 缺少取值"},
      {{"compress", "--resolution", "900", "a.mov"}, "分辨率“900”无效，应为 720P、1080P、2K、4K（或 720、1080、1440、2160）"},
      {{"compress", "--fps", "241", "a.mov"}, "帧率“241”无效，应为 0 到 240 的整数"},
      {{"compress", "--bitrate", "1000001", "a.mov"}, "码率“1000001”无效，应为 1 到 1000000 的整数（kbps）"},
      {{"compress", "--fit", "wide", "a.mov"}, "画面比例“wide”无效*"},
      {{"compress", "--output-dir=", "a.mov"}, "输出文件夹不能为空"},
      {{"compress", "--target-size", "25", "a.mov"}, "目标大小“25”无效*"},
      {{"compress", "--bitrate", "800", "--target-size", "25M", "a.mov"}, "--target-size 与 --bitrate 不能同时使用"},
  };
  for (const auto& [args, message] : rows) {
    const Command command = parse(args);
    ASSERT_TRUE(std::holds_alternative<UsageError>(command)) << args.join(' ').toStdString();
    const QString error = std::get<UsageError>(command).message;
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
