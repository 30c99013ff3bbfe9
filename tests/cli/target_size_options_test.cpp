#include <gtest/gtest.h>

#include "cli/cli_options.h"

namespace kivotra::cli {
namespace {

TEST(CliOptions, TargetSizeIsReadInBinaryUnitsAndExcludesBitrate) {
  const struct {
    QStringList args;
    std::optional<qint64> bytes;  // none: a usage error
  } rows[] = {
      {{"--target-size", "25M", "a.mov"}, 25 * 1048576},
      {{"--target-size=500K", "a.mov"}, 500 * 1024},
      {{"--resolution", "720P", "a.mov", "--target-size", "1.5GB"}, qint64(1536) * 1048576},
      {{"--target-size", "25", "a.mov"}, std::nullopt},
      {{"--target-size", "lots", "a.mov"}, std::nullopt},
      {{"--target-size", "25M", "--bitrate", "800", "a.mov"}, std::nullopt},
      {{"--bitrate", "800", "--target-size", "25M", "a.mov"}, std::nullopt},
      {{"a.mov", "--target-size"}, std::nullopt},
  };
  for (const auto& row : rows) {
    const Command command = parseCommandLine(QStringList{"kivotra-cli", "compress"} + row.args);
    const auto* compress = std::get_if<CompressCommand>(&command);
    ASSERT_EQ(compress != nullptr, row.bytes.has_value()) << row.args.join(' ').toStdString();
    if (compress) EXPECT_EQ(compress->targetSize, row.bytes);
    if (compress) EXPECT_EQ(compress->files, QStringList{"a.mov"});
  }
  const Command plain = parseCommandLine({"kivotra-cli", "compress", "a.mov"});
  EXPECT_FALSE(std::get<CompressCommand>(plain).targetSize);
}

}  // namespace
}  // namespace kivotra::cli
