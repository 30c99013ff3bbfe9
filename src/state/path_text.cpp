#include "state/path_text.h"

namespace kivotra {

namespace fs = std::filesystem;

namespace {

constexpr char16_t kEscapeBase = 0xDC00;

// The length of the well-formed UTF-8 sequence at bytes[i], or 0.
int sequenceLength(const QByteArray& bytes, qsizetype i) {
  const auto at = [&](qsizetype k) { return static_cast<unsigned char>(bytes[k]); };
  const unsigned char lead = at(i);
  if (lead < 0x80) return 1;
  int length = 0;
  unsigned char low = 0x80;
  unsigned char high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;  // no encoded surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (i + length > bytes.size()) return 0;
  for (int k = 1; k < length; ++k) {
    const unsigned char c = at(i + k);
    if (c < (k == 1 ? low : 0x80) || c > (k == 1 ? high : 0xBF)) return 0;
  }
  return length;
}

// text[i] stands for one raw byte: in the escape range and not the low half of a real pair.
bool isEscape(const QString& text, qsizetype i) {
  const char16_t c = text.at(i).unicode();
  if (c < kEscapeBase + 0x80 || c > kEscapeBase + 0xFF) return false;
  return i == 0 || !text.at(i - 1).isHighSurrogate();
}

}  // namespace

QString textFromBytes(const QByteArray& bytes) {
  QString text;
  text.reserve(bytes.size());
  qsizetype i = 0;
  while (i < bytes.size()) {
    const int length = sequenceLength(bytes, i);
    if (length == 0) {
      text.append(QChar(static_cast<char16_t>(kEscapeBase + static_cast<unsigned char>(bytes[i]))));
      ++i;
    } else {
      text.append(QString::fromUtf8(bytes.constData() + i, length));
      i += length;
    }
  }
  return text;
}

QByteArray bytesFromText(const QString& text) {
  QByteArray bytes;
  bytes.reserve(text.size());
  qsizetype run = 0;  // start of the pending stretch of ordinary text
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (!isEscape(text, i)) continue;
    bytes.append(text.mid(run, i - run).toUtf8());
    bytes.append(static_cast<char>(text.at(i).unicode() - kEscapeBase));
    run = i + 1;
  }
  bytes.append(text.mid(run).toUtf8());
  return bytes;
}

QString pathText(const fs::path& path) { return textFromBytes(QByteArray::fromStdString(path.native())); }

fs::path pathFromText(const QString& text) { return fs::path(bytesFromText(text).toStdString()); }

QString shownText(const QString& text) {
  QString shown = text;
  for (qsizetype i = 0; i < shown.size(); ++i) {
    if (isEscape(text, i)) shown[i] = QChar::ReplacementCharacter;
  }
  return shown;
}

std::optional<fs::path> localPathOf(const QUrl& url) {
  if (!url.isLocalFile()) return std::nullopt;
  // FullyEncoded keeps what is not UTF-8 as %XX; decoding those gives the raw bytes back.
  const QByteArray encoded = url.path(QUrl::FullyEncoded).toLatin1();
  return fs::path(QByteArray::fromPercentEncoding(encoded).toStdString());
}

QUrl fileUrlOf(const fs::path& path) {
  const QByteArray bytes = QByteArray::fromStdString(path.native()).toPercentEncoding("/");
  return QUrl::fromEncoded("file://" + bytes, QUrl::StrictMode);
}

}  // namespace kivotra
