#include <QCoreApplication>
#include <cstdio>
#include <variant>

extern "C" {
#include <libavutil/log.h>
}

#include "cli/cli_options.h"
#include "cli/commands.h"
#include "state/language.h"
#include "state/path_text.h"
#include "transcoder/transcoder.h"

namespace {

void write(std::FILE* stream, const QString& text) {
  const QByteArray bytes = text.toUtf8();
  std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stream);
}

// The arguments with their bytes: QCoreApplication::arguments() would replace
// what is not UTF-8 in a file name with U+FFFD.
QStringList argumentsOf(int argc, char** argv) {
  QStringList args;
  for (int i = 0; i < argc; ++i) args.append(kivotra::textFromBytes(QByteArray(argv[i])));
  return args;
}

}  // namespace

int main(int argc, char** argv) {
  kivotra::Transcoder::limitAllocatorArenas();
  // The encoders' chatter would break the progress lines; failures arrive as errors.
  av_log_set_level(AV_LOG_QUIET);
  QCoreApplication app(argc, argv);
  kivotra::installTranslation(app);
  using namespace kivotra::cli;
  const Command command = parseCommandLine(argumentsOf(argc, argv));
  if (const auto* help = std::get_if<HelpRequest>(&command)) {
    write(stdout, help->text);
    return kExitOk;
  }
  if (const auto* error = std::get_if<UsageError>(&command)) {
    write(stderr, QCoreApplication::translate("Cli", "kivotra-cli：") + error->message + QLatin1Char('\n') + shortUsage());
    return kExitUsage;
  }
  if (const auto* probe = std::get_if<ProbeCommand>(&command)) return runProbe(*probe);
  return runCompress(std::get<CompressCommand>(command));
}
