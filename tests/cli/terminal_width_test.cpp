// Terminal cells of what kivotra-cli prints.
#include <gtest/gtest.h>

#include "cli/cli_report.h"

namespace kivotra::cli {
namespace {

TEST(TerminalWidth, CountsWideEmojiCombiningAndZeroWidthCharacters) {
  const struct {
    QString text;
    int cells;
  } cases[] = {
      {"abc", 3},
      {QStringLiteral("开学"), 4},
      {QStringLiteral("a：b"), 4},
      {QStringLiteral("😀.mov"), 6},                  // outside the BMP: one character, not two halves
      {QStringLiteral("cafe\u0301.mov"), 8},          // e + combining acute
      {QStringLiteral("a\u200Bb"), 2},                // zero-width space
      {QStringLiteral("\u1100\u1161\u11A8"), 2},      // a Hangul syllable spelled in jamo
      {QStringLiteral("ｆｕｌｌ"), 8},
  };
  for (const auto& c : cases) EXPECT_EQ(displayWidth(c.text), c.cells) << c.text.toStdString();
}

TEST(TerminalWidth, ElidesInTheMiddleWithinTheWidthKeepingAccentsOnTheirLetters) {
  EXPECT_EQ(elideMiddle("/short/path.mp4", 48), "/short/path.mp4");
  const QString path = "/home/someone/videos/" + QString(40, 'x') + "/trip_压缩_1080P.mp4";
  const QString shortened = elideMiddle(path, 30);
  EXPECT_LE(displayWidth(shortened), 30);
  EXPECT_GE(displayWidth(shortened), 29) << "the room is used";
  EXPECT_TRUE(shortened.startsWith("/home/someone")) << shortened.toStdString();
  EXPECT_TRUE(shortened.endsWith(QStringLiteral("_1080P.mp4"))) << shortened.toStdString();
  EXPECT_EQ(shortened.count(QStringLiteral("…")), 1);

  for (const QString& text : {QString(QStringLiteral("e\u0301")).repeated(20), QStringLiteral("开😀").repeated(10)}) {
    for (int width = 3; width < 12; ++width) {
      const QString cut = elideMiddle(text, width);
      EXPECT_LE(displayWidth(cut), width) << cut.toStdString();
      EXPECT_FALSE(cut.contains(QStringLiteral("…\u0301"))) << "an accent lost its letter: " << cut.toStdString();
      EXPECT_TRUE(cut.isValidUtf16()) << "a surrogate pair was cut";
    }
  }
}

}  // namespace
}  // namespace kivotra::cli
