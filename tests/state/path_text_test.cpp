// Names that are not UTF-8 through Qt's text: dropped, listed and handed on
// with their bytes; shown with U+FFFD.
#include "state/path_text.h"

#include <gtest/gtest.h>

#include <QSettings>

#include "state/app_state.h"
#include "support/scratch_dir.h"

namespace kivotra {
namespace {

namespace fs = std::filesystem;

TEST(PathText, AnyBytesComeBackAsTheyWentAndShowWithReplacementCharacters) {
  struct Case {
    const char* what;
    std::string bytes;
    QString shown;
  };
  const Case cases[] = {
      {"UTF-8", "/视频/été.mp4", QStringLiteral("/视频/été.mp4")},
      {"GBK", "/tmp/\xC4\xE3\xBA\xC3.mp4", QStringLiteral("/tmp/\uFFFD\uFFFD\uFFFD\uFFFD.mp4")},
      {"a character cut short", "a\xE8\xA7", QStringLiteral("a\uFFFD\uFFFD")},
      {"an encoded surrogate (not UTF-8)", "\xED\xB2\x80", QStringLiteral("\uFFFD\uFFFD\uFFFD")},
      // U+10080's UTF-16 low half, DC80, is also what stands for the byte 0x80.
      {"a character beyond the BMP", "x\xF0\x90\x82\x80\x80", QStringLiteral("x\U00010080\uFFFD")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const QString text = textFromBytes(QByteArray::fromStdString(c.bytes));
    EXPECT_EQ(bytesFromText(text).toStdString(), c.bytes);
    EXPECT_EQ(shownText(text), c.shown);
    const fs::path path(c.bytes);
    EXPECT_EQ(pathFromText(pathText(path)).native(), c.bytes);
    if (c.bytes.front() == '/') {
      const QUrl url = fileUrlOf(path);
      EXPECT_EQ(localPathOf(QUrl::fromEncoded(url.toEncoded()))->native(), c.bytes) << url.toEncoded().toStdString();
    }
  }
  EXPECT_FALSE(localPathOf(QUrl(QStringLiteral("https://example.com/a.mp4"))));
}

TEST(PathText, ADroppedFileWhoseNameIsNotUtf8IsListedUnderItsOwnName) {
  fixtures::ScratchDir tmp;
  const fs::path file = tmp / "\xC4\xE3\xBA\xC3.MP4";
  std::ofstream(file) << "not a movie";
  AppState state(nullptr);
  // As a file manager sends it: the raw bytes percent-encoded.
  state.add(QList<QUrl>{QUrl::fromEncoded("file://" + QByteArray::fromStdString(file.native()).toPercentEncoding("/"))});
  ASSERT_EQ(state.itemCount(), 1);
  EXPECT_EQ(state.items()[0].url, file);
}

}  // namespace
}  // namespace kivotra
