#include <gtest/gtest.h>

#include "cli/cli_options.h"

namespace kivotra::cli {
namespace {

Command parse(QStringList args) {
  args.prepend(QStringLiteral("kivotra-cli"));
  return parseCommandLine(args);
}

TEST(CliOptions, TargetSizeIsReadInBinaryUnitsAndExcludesBitrate) {
  const struct {
    QStringList args;
    std::optional<qint64> bytes;  // none: a usage error
  } rows[] = {
      {{"compress", "--target-size", "25M", "a.mov"}, 25 * 1048576},
      {{"compress", "--target-size=500K", "a.mov"}, 500 * 1024},
      {{"compress", "--resolution", "720P", "--target-size", "1.5GB", "a.mov"}, qint64(1536) * 1048576},
      {{"compress", "a.mov"}, std::nullopt},  // no limit at all: checked below
      {{"compress", "--target-size", "25", "a.mov"}, std::nullopt},
      {{"compress", "--target-size", "lots", "a.mov"}, std::nullopt},
      {{"compress", "--target-size", "25M", "--bitrate", "800", "a.mov"}, std::nullopt},
      {{"compress", "--bitrate", "800", "--target-size", "25M", "a.mov"}, std::nullopt},
      {{"compress", "a.mov", "--target-size"}, std::nullopt},
  };
  for (const auto& row : rows) {
    const Command command = parse(row.args);
    const std::string name = row.args.join(' ').toStdString();
    if (row.args.size() == 2) {
      ASSERT_TRUE(std::holds_alternative<CompressCommand>(command)) << name;
      EXPECT_FALSE(std::get<CompressCommand>(command).targetSize) << name;
      continue;
    }
    if (!row.bytes) {
      ASSERT_TRUE(std::holds_alternative<UsageError>(command)) << name;
      EXPECT_FALSE(std::get<UsageError>(command).message.isEmpty());
      continue;
    }
    ASSERT_TRUE(std::holds_alternative<CompressCommand>(command)) << name;
    EXPECT_EQ(std::get<CompressCommand>(command).targetSize, row.bytes) << name;
    EXPECT_EQ(std::get<CompressCommand>(command).files, QStringList{"a.mov"}) << name;
  }
  const Command both = parse({"compress", "--target-size", "25M", "--bitrate", "800", "a.mov"});
  EXPECT_TRUE(std::get<UsageError>(both).message.contains("--bitrate"));
}

}  // namespace
}  // namespace kivotra::cli
