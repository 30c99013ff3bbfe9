#include "cli/cli_report.h"

#include <locale.h>
#include <wchar.h>

#include <algorithm>

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonValue>

#include "models/format.h"
#include "models/item_text.h"
#include "models/size_target.h"

namespace kivotra::cli {

namespace {

QString qstr(const std::string& text) { return QString::fromStdString(text); }

VideoItem asItem(const ProbeInfo& info) {
  VideoItem item{std::filesystem::path()};
  item.applyProbe(info);
  return item;
}

// Terminal cells per code point as wcwidth(3) counts them under a UTF-8 locale
// (the output is UTF-8 whatever the user's locale): 2 for wide and emoji, 0 for
// combining marks and zero-width characters, and 0 for controls (-1).
class CellWidths {
 public:
  CellWidths() : previous_(utf8() != locale_t{} ? uselocale(utf8()) : locale_t{}) {}
  ~CellWidths() {
    if (previous_ != locale_t{}) uselocale(previous_);
  }
  CellWidths(const CellWidths&) = delete;
  CellWidths& operator=(const CellWidths&) = delete;

  static int of(char32_t c) { return std::max(0, ::wcwidth(static_cast<wchar_t>(c))); }

 private:
  static locale_t utf8() {
    static const locale_t locale = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t{});
    return locale;
  }
  locale_t previous_;
};

QString padded(const QString& text, int width) {
  const int missing = width - displayWidth(text);
  return missing > 0 ? text + QString(missing, QLatin1Char(' ')) : text;
}

QString savingText(std::int64_t source, std::int64_t output) {
  if (source <= 0) return QStringLiteral("—");
  return qstr(formatFixed((1.0 - static_cast<double>(output) / static_cast<double>(source)) * 100, 1)) + "%";
}

QString statusText(const ItemStatus& status) {
  switch (status.kind()) {
    case ItemStatus::Kind::done: return QCoreApplication::translate("Cli", "完成");
    case ItemStatus::Kind::failed: return QCoreApplication::translate("Cli", "失败");
    case ItemStatus::Kind::compressing: return QCoreApplication::translate("Cli", "压缩中");
    case ItemStatus::Kind::loading: return QCoreApplication::translate("Cli", "读取中");
    case ItemStatus::Kind::ready: break;
  }
  return QCoreApplication::translate("Cli", "未处理");
}

}  // namespace

int displayWidth(const QString& text) {
  const CellWidths cells;
  int width = 0;
  for (const char32_t c : text.toUcs4()) width += CellWidths::of(c);
  return width;
}

QString elideMiddle(const QString& text, int maxWidth) {
  if (displayWidth(text) <= maxWidth) return text;
  // Characters of no width stay with the one before them (a base and its accents).
  struct Piece {
    QString text;
    int width;
  };
  std::vector<Piece> pieces;
  {
    const CellWidths cells;
    for (const char32_t c : text.toUcs4()) {
      const int width = CellWidths::of(c);
      const QString part = QString::fromUcs4(&c, 1);
      if (width == 0 && !pieces.empty()) {
        pieces.back().text += part;
      } else {
        pieces.push_back({part, width});
      }
    }
  }
  const QString ellipsis = QStringLiteral("…");
  const int room = std::max(0, maxWidth - displayWidth(ellipsis));
  int tailRoom = room / 2;
  int headRoom = room - tailRoom;
  std::size_t head = 0;
  QString front;
  while (head < pieces.size() && pieces[head].width <= headRoom) {
    headRoom -= pieces[head].width;
    front += pieces[head++].text;
  }
  tailRoom += headRoom;  // what a wide character left unused at the front
  QString back;
  for (std::size_t tail = pieces.size(); tail > head && pieces[tail - 1].width <= tailRoom; --tail) {
    tailRoom -= pieces[tail - 1].width;
    back.prepend(pieces[tail - 1].text);
  }
  return front + ellipsis + back;
}

QJsonObject probeJson(const QString& file, const ProbeInfo& info) {
  QJsonObject object{
      {QStringLiteral("file"), file},
      {QStringLiteral("ok"), true},
      {QStringLiteral("duration"), info.duration},
      {QStringLiteral("width"), info.width},
      {QStringLiteral("height"), info.height},
      {QStringLiteral("fps"), info.fps},
      {QStringLiteral("fileSize"), static_cast<qint64>(info.fileSize)},
      {QStringLiteral("hasAudio"), info.hasAudio},
      {QStringLiteral("audioSampleRate"), info.audioSampleRate},
      {QStringLiteral("audioChannels"), info.audioChannels},
  };
  object.insert(QStringLiteral("thumbnail"),
                info.thumbnail ? QJsonValue(QJsonArray{info.thumbnail->width, info.thumbnail->height})
                               : QJsonValue(QJsonValue::Null));
  return object;
}

QJsonObject probeFailureJson(const QString& file, const QString& error) {
  return {{QStringLiteral("file"), file}, {QStringLiteral("ok"), false}, {QStringLiteral("error"), error}};
}

QString jsonLine(const QJsonObject& object) {
  return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

QString probeLine(const QString& file, const ProbeInfo& info) {
  const QString audio = info.hasAudio ? QCoreApplication::translate("Cli", "音频 %1 Hz · %2 声道")
                                            .arg(qstr(formatFixed(info.audioSampleRate, 0)))
                                            .arg(info.audioChannels)
                                      : QCoreApplication::translate("Cli", "无音频");
  return file + QCoreApplication::translate("Cli", "：") + qstr(metaText(asItem(info))) + QStringLiteral("  ") +
         qstr(ratioLabel(info.width, info.height)) + QStringLiteral("  ") + audio;
}

QString probeFailureLine(const QString& file, const QString& error) {
  return file + QCoreApplication::translate("Cli", "：读取失败：") + error;
}

QJsonObject resultJson(const QString& file, const VideoItem& item) {
  QString status = QStringLiteral("ready");
  if (item.status.is(ItemStatus::Kind::done)) status = QStringLiteral("done");
  if (item.status.is(ItemStatus::Kind::failed)) status = QStringLiteral("failed");
  const bool done = item.status.is(ItemStatus::Kind::done);
  const QJsonValue output =
      done && item.outputURL ? QJsonValue(qstr(item.outputURL->string())) : QJsonValue(QJsonValue::Null);
  const QJsonValue message = item.status.is(ItemStatus::Kind::failed) ? QJsonValue(qstr(item.status.message()))
                                                                       : QJsonValue(QJsonValue::Null);
  QJsonObject object{
      {QStringLiteral("file"), file},
      {QStringLiteral("status"), status},
      {QStringLiteral("output"), output},
      {QStringLiteral("size"), done ? static_cast<qint64>(item.actualSize.value_or(0)) : qint64(0)},
      {QStringLiteral("message"), message},
      {QStringLiteral("largerThanSource"), outputLargerThanSource(item)},
  };
  if (item.sizeLimit) {
    object.insert(QStringLiteral("targetSize"), static_cast<qint64>(*item.sizeLimit));
    object.insert(QStringLiteral("encodes"), done ? item.encodeCount : 0);
  }
  return object;
}

QString summaryTable(const std::vector<ResultRow>& rows) {
  const QStringList header{QCoreApplication::translate("Cli", "文件"), QCoreApplication::translate("Cli", "状态"), QCoreApplication::translate("Cli", "源大小"),
                           QCoreApplication::translate("Cli", "输出大小"), QCoreApplication::translate("Cli", "节省"), QCoreApplication::translate("Cli", "用时"),
                           QCoreApplication::translate("Cli", "输出文件")};
  std::vector<QStringList> lines{header};
  std::int64_t sourceTotal = 0;
  std::int64_t outputTotal = 0;
  int done = 0;
  int failed = 0;
  for (const ResultRow& row : rows) {
    const VideoItem& item = *row.item;
    const bool isDone = item.status.is(ItemStatus::Kind::done);
    const std::int64_t output = item.actualSize.value_or(0);
    if (isDone) {
      ++done;
      sourceTotal += item.fileSize;
      outputTotal += output;
    }
    if (item.status.is(ItemStatus::Kind::failed)) ++failed;
    lines.push_back({row.file, statusText(item.status), item.fileSize > 0 ? qstr(fmtBytes(item.fileSize)) : "—",
                     isDone ? qstr(fmtBytes(output)) : "—", isDone ? savingText(item.fileSize, output) : "—",
                     row.seconds && isDone ? qstr(formatFixed(*row.seconds, 1)) + "s" : "—",
                     isDone && item.outputURL ? elideMiddle(qstr(item.outputURL->string()), kOutputPathWidth) : "—"});
  }

  std::vector<int> widths(header.size(), 0);
  for (const QStringList& line : lines) {
    for (int i = 0; i < line.size(); ++i) widths[i] = std::max(widths[i], displayWidth(line[i]));
  }
  QString table;
  for (const QStringList& line : lines) {
    QString text;
    for (int i = 0; i < line.size(); ++i) {
      text += i + 1 < line.size() ? padded(line[i], widths[i] + 2) : line[i];
    }
    table += text + QLatin1Char('\n');
  }
  for (const ResultRow& row : rows) {
    if (row.item->status.is(ItemStatus::Kind::failed)) {
      table += QStringLiteral("✗ ") + row.file + QCoreApplication::translate("Cli", "：") + qstr(row.item->status.message()) + '\n';
    }
  }
  const int waiting = static_cast<int>(rows.size()) - done - failed;
  table += QCoreApplication::translate("Cli", "共 %1 个文件：完成 %2，失败 %3，未处理 %4").arg(rows.size()).arg(done).arg(failed).arg(waiting);
  if (done > 0) {
    table += QCoreApplication::translate("Cli", "；%1 → %2，节省 %3")
                 .arg(qstr(fmtBytes(sourceTotal)), qstr(fmtBytes(outputTotal)), savingText(sourceTotal, outputTotal));
  }
  return table + QLatin1Char('\n');
}

}  // namespace kivotra::cli
