#include "cli/cli_options.h"

#include <gtest/gtest.h>

namespace kivotra::cli {
namespace {

Command parse(QStringList args) {
  args.prepend(QStringLiteral("kivotra-cli"));
  return parseCommandLine(args);
}

CompressCommand compress(const QStringList& args) {
  const Command command = parse(args);
  if (const auto* error = std::get_if<UsageError>(&command)) ADD_FAILURE() << error->message.toStdString();
  EXPECT_TRUE(std::holds_alternative<CompressCommand>(command));
  return std::holds_alternative<CompressCommand>(command) ? std::get<CompressCommand>(command) : CompressCommand{};
}

QString usageError(const QStringList& args) {
  const Command command = parse(args);
  EXPECT_TRUE(std::holds_alternative<UsageError>(command)) << args.join(' ').toStdString();
  return std::holds_alternative<UsageError>(command) ? std::get<UsageError>(command).message : QString();
}

TEST(CliOptions, CompressDefaultsAreTheWindowsDefaults) {
  const CompressCommand command = compress({"compress", "a.mov", "b.mp4"});
  EXPECT_EQ(command.settings, (ItemSettings{1080, 0, 5000, FitMode::keep, true}));
  EXPECT_FALSE(command.outputDir.has_value());
  EXPECT_FALSE(command.json);
  EXPECT_EQ(command.files, (QStringList{"a.mov", "b.mp4"}));
}

TEST(CliOptions, ResolutionTakesLabelsAndShortSidesAndSetsTheTiersBitrate) {
  const struct {
    QString given;
    int shortSide;
    int kbps;
  } rows[] = {{"720P", 720, 3000},   {"720", 720, 3000},     {"1080P", 1080, 5000}, {"1080", 1080, 5000},
              {"2K", 1440, 10000},   {"1440", 1440, 10000},  {"4K", 2160, 20000},   {"2160", 2160, 20000},
              {"720p", 720, 3000},   {"2k", 1440, 10000}};
  for (const auto& row : rows) {
    const CompressCommand command = compress({"compress", "--resolution", row.given, "a.mov"});
    EXPECT_EQ(command.settings.shortSide, row.shortSide) << row.given.toStdString();
    EXPECT_EQ(command.settings.bitrateKbps, row.kbps) << row.given.toStdString();
  }
}

TEST(CliOptions, EveryOptionIsTakenWhereverItStands) {
  const CompressCommand command = compress({"compress", "a.mov", "--fps=25", "--bitrate", "1234", "--fit", "pad",
                                            "--upscale", "--output-dir", "out", "--json", "--resolution", "4K",
                                            "b.mov"});
  EXPECT_EQ(command.settings, (ItemSettings{2160, 25, 1234, FitMode::pad, false}));
  EXPECT_EQ(command.outputDir, QStringLiteral("out"));
  EXPECT_TRUE(command.json);
  EXPECT_EQ(command.files, (QStringList{"a.mov", "b.mov"}));
  EXPECT_EQ(compress({"compress", "--fit", "crop", "a.mov"}).settings.fit, FitMode::crop);
  EXPECT_EQ(compress({"compress", "--", "--odd-name.mov"}).files, QStringList{"--odd-name.mov"});
}

TEST(CliOptions, BadInputIsAUsageErrorWithAChineseMessage) {
  EXPECT_EQ(usageError({}), QStringLiteral("缺少命令（probe 或 compress）"));
  EXPECT_EQ(usageError({"squash", "a.mov"}), QStringLiteral("未知命令：squash（应为 probe 或 compress）"));
  EXPECT_EQ(usageError({"compress"}), QStringLiteral("缺少要压缩的视频文件"));
  EXPECT_EQ(usageError({"probe", "--json"}), QStringLiteral("缺少要读取的视频文件"));
  EXPECT_EQ(usageError({"compress", "--speed", "9", "a.mov"}), QStringLiteral("未知选项：--speed"));
  EXPECT_EQ(usageError({"probe", "-x", "a.mov"}), QStringLiteral("未知选项：-x"));
  EXPECT_EQ(usageError({"compress", "a.mov", "--fps"}), QStringLiteral("选项 --fps 缺少取值"));
  EXPECT_TRUE(usageError({"compress", "--resolution", "900", "a.mov"}).startsWith(QStringLiteral("分辨率“900”无效")));
  EXPECT_TRUE(usageError({"compress", "--fps", "abc", "a.mov"}).startsWith(QStringLiteral("帧率“abc”无效")));
  EXPECT_TRUE(usageError({"compress", "--fps", "-1", "a.mov"}).startsWith(QStringLiteral("帧率“-1”无效")));
  EXPECT_TRUE(usageError({"compress", "--bitrate", "0", "a.mov"}).startsWith(QStringLiteral("码率“0”无效")));
  EXPECT_TRUE(usageError({"compress", "--fit", "wide", "a.mov"}).startsWith(QStringLiteral("画面比例“wide”无效")));
  EXPECT_EQ(usageError({"compress", "--output-dir=", "a.mov"}), QStringLiteral("输出文件夹不能为空"));
}

TEST(CliOptions, HelpForTheToolAndForEachCommand) {
  for (const QStringList& args : {QStringList{"--help"}, QStringList{"-h"}, QStringList{"compress", "--help"},
                                  QStringList{"probe", "-h", "a.mov"}}) {
    const Command command = parse(args);
    ASSERT_TRUE(std::holds_alternative<HelpRequest>(command)) << args.join(' ').toStdString();
    EXPECT_TRUE(std::get<HelpRequest>(command).text.startsWith(QStringLiteral("用法："))) << args.join(' ').toStdString();
  }
  EXPECT_TRUE(std::get<HelpRequest>(parse({"compress", "--help"})).text.contains(QStringLiteral("--output-dir")));
}

TEST(CliOptions, ProbeTakesJsonAndFiles) {
  const Command command = parse({"probe", "a.mov", "--json", "b.mov"});
  ASSERT_TRUE(std::holds_alternative<ProbeCommand>(command));
  EXPECT_TRUE(std::get<ProbeCommand>(command).json);
  EXPECT_EQ(std::get<ProbeCommand>(command).files, (QStringList{"a.mov", "b.mov"}));
}

}  // namespace
}  // namespace kivotra::cli
