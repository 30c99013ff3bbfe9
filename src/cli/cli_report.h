#pragma once

#include <QJsonObject>
#include <QString>
#include <optional>
#include <vector>

#include "models/probe_info.h"
#include "models/video_item.h"

// What kivotra-cli prints about files: JSON objects for scripts, Chinese lines
// and a table for people.
namespace kivotra::cli {

// {"file","ok":true,"duration","width","height","fps","fileSize","hasAudio",
//  "audioSampleRate","audioChannels","thumbnail":[w,h] or null}
QJsonObject probeJson(const QString& file, const ProbeInfo& info);
// {"file","ok":false,"error"}
QJsonObject probeFailureJson(const QString& file, const QString& error);
// The object as one compact line, without the line end.
QString jsonLine(const QJsonObject& object);

// The window's facts line and ratio label, and what the sound is.
QString probeLine(const QString& file, const ProbeInfo& info);
QString probeFailureLine(const QString& file, const QString& error);

// {"file","status":"done"|"failed"|"ready","output":path or null,"size","message":text or null}.
// size is the output's bytes, 0 when there is none. Also "largerThanSource":
// whether a finished output is bigger than its source, and with a size limit
// "targetSize" (bytes) and "encodes" (1, or 2 when the first came out too big).
QJsonObject resultJson(const QString& file, const VideoItem& item);

// One compressed file as the summary shows it.
struct ResultRow {
  QString file;  // as given on the command line
  const VideoItem* item;
  std::optional<double> seconds;  // time spent compressing it
};
// A table of source size, output size, saving, time and output path (shortened
// to kOutputPathWidth cells), a line per failure message, and a total line;
// every line ends with a line feed.
QString summaryTable(const std::vector<ResultRow>& rows);

inline constexpr int kOutputPathWidth = 48;

// Columns of terminal cells, as wcwidth(3) counts them in a UTF-8 locale: CJK,
// full-width characters and emoji take two, combining and zero-width ones none.
int displayWidth(const QString& text);

// The text, or when wider than maxWidth cells its start and end around "…",
// at most maxWidth cells in all; accents stay with their letters.
QString elideMiddle(const QString& text, int maxWidth);

}  // namespace kivotra::cli
