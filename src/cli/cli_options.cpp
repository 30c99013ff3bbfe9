#include "cli/cli_options.h"

#include <QCommandLineOption>
#include <QCoreApplication>
#include <QCommandLineParser>

#include "models/size_target.h"
#include "models/tiers.h"
#include "transcoder/transcoder.h"

namespace kivotra::cli {

namespace {

// The tiers' labels, or short sides, or "label rate" pairs, smallest first.
QString tierList(const QString& separator, QString (*text)(const Tier&)) {
  QStringList parts;
  for (const Tier& tier : kTiers) parts << text(tier);
  return parts.join(separator);
}
// The separator of a list inside a sentence.
QString listSeparator() { return QCoreApplication::translate("Cli", "、"); }
QString tierName(const Tier& tier) { return QLatin1String(tier.label); }
QString tierSide(const Tier& tier) { return QString::number(tier.shortSide); }
QString tierRate(const Tier& tier) { return tierName(tier) + QLatin1Char(' ') + QString::number(tier.recommendedKbps); }

QString generalHelp() {
  return QCoreApplication::translate(
      "Cli",
      "用法：\n"
      "  kivotra-cli probe [--json] 文件...\n"
      "  kivotra-cli compress [选项] 文件...\n"
      "\n"
      "命令：\n"
      "  probe      读取每个文件的时长、尺寸、帧率、大小和音频信息\n"
      "  compress   把文件依次压缩为 MP4（H.264 视频，有声音时 AAC %1 kbps）\n"
      "\n"
      "用 kivotra-cli <命令> --help 查看该命令的选项，kivotra-cli --version 查看版本。\n")
      .arg(kAudioKbps);
}

QString probeHelp() {
  return QCoreApplication::translate(
      "Cli",
      "用法：kivotra-cli probe [--json] 文件...\n"
      "\n"
      "读取每个文件并输出一行：时长、尺寸、大小、帧率、码率和画面比例。\n"
      "\n"
      "选项：\n"
      "  --json       每个文件输出一行 JSON\n"
      "  -h, --help   显示本帮助\n"
      "\n"
      "退出状态：0 全部读取成功，1 有文件读取失败，2 参数错误。\n");
}

QString compressHelp() {
  return QCoreApplication::translate(
      "Cli",
      "用法：kivotra-cli compress [选项] 文件...\n"
      "\n"
      "把文件依次压缩为 MP4，输出文件名为“原文件名_压缩_档位.mp4”，重名时加 _2、_3…\n"
      "文件夹代表其中的 mp4、mov、m4v 文件（按名称排序）；同一个文件写两次只压缩一次。\n"
      "\n"
      "选项：\n"
      "  --resolution %1   分辨率档位（也可写 %2），默认 %3\n"
      "  --fps N                         帧率；0 为保持源帧率（默认）；不会高于源帧率\n"
      "  --bitrate KBPS                  视频码率（kbps），默认为档位推荐值：\n"
      "                                  %4\n"
      "  --target-size SIZE              每个输出不超过这个大小（如 25M、500K、1.5G，1M = 1024K），\n"
      "                                  按时长算出码率（最高为档位推荐值的 2 倍，最低 100 kbps）；\n"
      "                                  不能与 --bitrate 同用\n"
      "  --fit keep|crop|pad             画面比例：keep 保持原始（默认）、crop 裁切 16:9、pad 加黑边 16:9\n"
      "  --upscale                       允许放大比档位小的视频（默认不放大）\n"
      "  --output-dir DIR                输出到这个文件夹（默认放在各源文件旁边）\n"
      "  --json                          结束时每个文件输出一行 JSON\n"
      "  -h, --help                      显示本帮助\n"
      "\n"
      "按 Ctrl-C 停止正在压缩的文件（删除未完成的输出，源文件不变）并结束。\n"
      "退出状态：0 全部完成，1 有文件失败，2 参数错误，130 被 Ctrl-C 中断，143 被终止（SIGTERM），129 终端关闭（SIGHUP），141 输出管道关闭；中断的文件不留下输出。\n")
      .arg(tierList(QStringLiteral("|"), tierName), tierList(listSeparator(), tierSide), QString::fromStdString(tierLabel(ItemSettings{}.shortSide)),
           tierList(listSeparator(), tierRate));
}

std::optional<int> parseResolution(QString text) {
  text = text.trimmed().toUpper();
  for (const Tier& tier : kTiers) {
    if (text == QLatin1String(tier.label) || text == QString::number(tier.shortSide)) return tier.shortSide;
  }
  return std::nullopt;
}

std::optional<FitMode> parseFit(const QString& text) {
  if (text == QLatin1String("keep")) return FitMode::keep;
  if (text == QLatin1String("crop")) return FitMode::crop;
  if (text == QLatin1String("pad")) return FitMode::pad;
  return std::nullopt;
}

std::optional<int> parseCount(const QString& text, int minimum, int maximum) {
  bool ok = false;
  const int value = text.toInt(&ok);
  if (!ok || value < minimum || value > maximum) return std::nullopt;
  return value;
}

// QCommandLineParser's own messages are English; say what went wrong in Chinese.
UsageError parseFailure(const QCommandLineParser& parser, const QStringList& args,
                        const QList<QCommandLineOption>& valued) {
  const QStringList unknown = parser.unknownOptionNames();
  if (!unknown.isEmpty()) {
    const QString first = unknown.first();
    return {QCoreApplication::translate("Cli", "未知选项：") + (first.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + first};
  }
  // The only other failure is a value-taking option with nothing after it,
  // which can only be the last argument.
  const QString last = args.isEmpty() ? QString() : args.last();
  for (const QCommandLineOption& option : valued) {
    if (last == QStringLiteral("--") + option.names().first()) return {QCoreApplication::translate("Cli", "选项 %1 缺少取值").arg(last)};
  }
  return {QCoreApplication::translate("Cli", "参数有误：") + parser.errorText()};
}

Command parseProbe(const QStringList& args) {
  QCommandLineParser parser;
  const QCommandLineOption json(QStringLiteral("json"));
  const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
  parser.addOptions({json, help});
  if (!parser.parse(args)) return parseFailure(parser, args, {});
  if (parser.isSet(help)) return HelpRequest{probeHelp()};
  if (parser.positionalArguments().isEmpty()) return UsageError{QCoreApplication::translate("Cli", "缺少要读取的视频文件")};
  return ProbeCommand{parser.isSet(json), parser.positionalArguments()};
}

Command parseCompress(const QStringList& args) {
  QCommandLineParser parser;
  const QCommandLineOption resolution(QStringLiteral("resolution"), {}, QStringLiteral("tier"));
  const QCommandLineOption fps(QStringLiteral("fps"), {}, QStringLiteral("n"));
  const QCommandLineOption bitrate(QStringLiteral("bitrate"), {}, QStringLiteral("kbps"));
  const QCommandLineOption fit(QStringLiteral("fit"), {}, QStringLiteral("mode"));
  const QCommandLineOption targetSize(QStringLiteral("target-size"), {}, QStringLiteral("size"));
  const QCommandLineOption upscale(QStringLiteral("upscale"));
  const QCommandLineOption outputDir(QStringLiteral("output-dir"), {}, QStringLiteral("dir"));
  const QCommandLineOption json(QStringLiteral("json"));
  const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
  parser.addOptions({resolution, fps, bitrate, targetSize, fit, upscale, outputDir, json, help});
  if (!parser.parse(args)) return parseFailure(parser, args, {resolution, fps, bitrate, targetSize, fit, outputDir});
  if (parser.isSet(help)) return HelpRequest{compressHelp()};

  CompressCommand command;
  if (parser.isSet(resolution)) {
    const auto side = parseResolution(parser.value(resolution));
    if (!side) {
      return UsageError{QCoreApplication::translate("Cli", "分辨率“%1”无效，应为 %2（或 %3）")
                            .arg(parser.value(resolution), tierList(listSeparator(), tierName), tierList(listSeparator(), tierSide))};
    }
    command.settings.shortSide = *side;
  }
  command.settings.bitrateKbps = recommendedBitrate(command.settings.shortSide);
  if (parser.isSet(fps)) {
    const auto value = parseCount(parser.value(fps), 0, Transcoder::kMaxFps);
    if (!value) {
      return UsageError{QCoreApplication::translate("Cli", "帧率“%1”无效，应为 0 到 %2 的整数").arg(parser.value(fps), QString::number(Transcoder::kMaxFps))};
    }
    command.settings.fps = *value;
  }
  if (parser.isSet(bitrate)) {
    const auto value = parseCount(parser.value(bitrate), Transcoder::kMinBitrateKbps, Transcoder::kMaxBitrateKbps);
    if (!value) {
      return UsageError{QCoreApplication::translate("Cli", "码率“%1”无效，应为 %2 到 %3 的整数（kbps）")
                            .arg(parser.value(bitrate), QString::number(Transcoder::kMinBitrateKbps),
                                 QString::number(Transcoder::kMaxBitrateKbps))};
    }
    command.settings.bitrateKbps = *value;
  }
  if (parser.isSet(targetSize)) {
    if (parser.isSet(bitrate)) return UsageError{QCoreApplication::translate("Cli", "--target-size 与 --bitrate 不能同时使用")};
    const auto bytes = parseSizeText(parser.value(targetSize).toStdString());
    if (!bytes) {
      return UsageError{QCoreApplication::translate("Cli", "目标大小“%1”无效，应为数字加单位 K、M 或 G（如 25M、500K、1.5G）")
                            .arg(parser.value(targetSize))};
    }
    command.targetSize = *bytes;
  }
  if (parser.isSet(fit)) {
    const auto mode = parseFit(parser.value(fit));
    if (!mode) return UsageError{QCoreApplication::translate("Cli", "画面比例“%1”无效，应为 keep、crop 或 pad").arg(parser.value(fit))};
    command.settings.fit = *mode;
  }
  command.settings.noUpscale = !parser.isSet(upscale);
  if (parser.isSet(outputDir)) {
    if (parser.value(outputDir).isEmpty()) return UsageError{QCoreApplication::translate("Cli", "输出文件夹不能为空")};
    command.outputDir = parser.value(outputDir);
  }
  command.json = parser.isSet(json);
  command.files = parser.positionalArguments();
  if (command.files.isEmpty()) return UsageError{QCoreApplication::translate("Cli", "缺少要压缩的视频文件")};
  return command;
}

}  // namespace

QString versionText() { return QStringLiteral("kivotra-cli " KIVOTRA_VERSION "\n"); }

QString shortUsage() {
  return QCoreApplication::translate(
      "Cli",
      "用法：kivotra-cli probe [--json] 文件...\n"
      "      kivotra-cli compress [--resolution %1] [--fps N] [--bitrate KBPS | --target-size SIZE]\n"
      "                           [--fit keep|crop|pad] [--upscale] [--output-dir DIR] [--json] 文件...\n"
      "运行 kivotra-cli --help 查看说明。\n")
      .arg(tierList(QStringLiteral("|"), tierName));
}

Command parseCommandLine(const QStringList& args) {
  if (args.size() < 2) return UsageError{QCoreApplication::translate("Cli", "缺少命令（probe 或 compress）")};
  const QString command = args.at(1);
  if (command == QLatin1String("-h") || command == QLatin1String("--help")) return HelpRequest{generalHelp()};
  if (command == QLatin1String("--version")) return HelpRequest{versionText()};
  // The command's own parser sees the program name and the rest.
  QStringList rest = args.mid(2);
  rest.prepend(args.at(0));
  if (command == QLatin1String("probe")) return parseProbe(rest);
  if (command == QLatin1String("compress")) return parseCompress(rest);
  return UsageError{QCoreApplication::translate("Cli", "未知命令：%1（应为 probe 或 compress）").arg(command)};
}

}  // namespace kivotra::cli
