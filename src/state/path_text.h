#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>
#include <filesystem>
#include <optional>

namespace kivotra {

// File names are bytes; Qt holds text. A name that is not valid UTF-8 (a GBK
// name out of a Windows archive) would lose its bytes in QString's own
// conversions, which put U+FFFD in place of every byte they cannot decode. These
// keep them: each such byte b travels as the lone surrogate U+DC00 + b, which
// valid UTF-8 can never produce, and turns back into b on the way out.

// Lossless: bytesFromText(textFromBytes(b)) == b for any bytes.
QString textFromBytes(const QByteArray& bytes);
QByteArray bytesFromText(const QString& text);
QString pathText(const std::filesystem::path& path);
std::filesystem::path pathFromText(const QString& text);

// For people: every byte that is not UTF-8 shows as U+FFFD.
QString shownText(const QString& text);

// The local path of a file: URL with its bytes as the URL carries them
// (percent-encoded raw bytes stay raw); nullopt for anything else.
std::optional<std::filesystem::path> localPathOf(const QUrl& url);
// The file: URL of an absolute path, every byte that needs it percent-encoded.
QUrl fileUrlOf(const std::filesystem::path& path);

}  // namespace kivotra
