// Names that are not UTF-8 through Qt's text: dropped and handed on with
// their bytes, shown with U+FFFD.
#include "state/path_text.h"

#include <gtest/gtest.h>

#include <fstream>

#include "state/app_state.h"
#include "support/scratch_dir.h"

namespace kivotra {
namespace {

TEST(PathText, BytesRoundTripEvenBesideARealSurrogatePair) {
  // U+10080's low UTF-16 half, DC80, is also what carries the stray byte 0x80.
  const QByteArray bytes("/x\xF0\x90\x82\x80\x80\xC4\xE3");
  const QString text = textFromBytes(bytes);
  EXPECT_EQ(bytesFromText(text), bytes);
  EXPECT_EQ(shownText(text), QStringLiteral("/x\U00010080\uFFFD\uFFFD\uFFFD"));
  EXPECT_EQ(localPathOf(fileUrlOf(bytes.toStdString()))->native(), bytes.toStdString());
}

TEST(PathText, ADroppedFileWhoseNameIsNotUtf8IsListedUnderItsOwnName) {
  fixtures::ScratchDir tmp;
  const std::filesystem::path file = tmp / "\xC4\xE3\xBA\xC3.MP4";
  std::ofstream(file) << "not a movie";
  AppState state(nullptr);
  // As a file manager sends it: the raw bytes percent-encoded.
  const QByteArray encoded = QByteArray::fromStdString(file.native()).toPercentEncoding("/");
  state.add(QList<QUrl>{QUrl::fromEncoded("file://" + encoded)});
  ASSERT_EQ(state.itemCount(), 1);
  EXPECT_EQ(state.items()[0].url, file);
}

}  // namespace
}  // namespace kivotra
