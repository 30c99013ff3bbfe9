#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <variant>

#include "models/item_settings.h"

namespace kivotra::cli {

struct ProbeCommand {
  bool json = false;
  QStringList files;
};

struct CompressCommand {
  ItemSettings settings;             // bitrate defaults to the tier's recommended value
  std::optional<QString> outputDir;  // none: each output next to its source
  std::optional<qint64> targetSize;  // bytes each output must not exceed; the bitrate follows from it
  bool json = false;
  QStringList files;
};

// --help anywhere (or --version as the command): the text to print, and exit 0.
struct HelpRequest {
  QString text;
};

// Exit 2: the message (one line, Chinese) and a short usage to go with it.
struct UsageError {
  QString message;
};

using Command = std::variant<ProbeCommand, CompressCommand, HelpRequest, UsageError>;

// args[0] is the program name, args[1] the command ("probe" or "compress").
Command parseCommandLine(const QStringList& args);

// "kivotra-cli " and the project's version, with a line end.
QString versionText();

// The short usage printed under a usage error.
QString shortUsage();

// Exit statuses of kivotra-cli.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitInterrupted = 130;

}  // namespace kivotra::cli
