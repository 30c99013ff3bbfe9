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
// A table of source size, output size, saving and time, a line per failure
// message, and a total line; every line ends with a line feed.
QString summaryTable(const std::vector<ResultRow>& rows);

// Columns of terminal cells: CJK and full-width characters take two.
int displayWidth(const QString& text);

}  // namespace kivotra::cli
