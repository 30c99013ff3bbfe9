#include <gtest/gtest.h>

#include <clocale>

#include "models/format.h"

using namespace kivotra;

TEST(FmtBytes, SwitchesUnitAtExactBoundary) {
  EXPECT_EQ(fmtBytes(0), "0 KB");
  EXPECT_EQ(fmtBytes(1023), "1 KB");
  EXPECT_EQ(fmtBytes(1048575), "1024 KB");
  EXPECT_EQ(fmtBytes(1048576), "1.0 MB");
  EXPECT_EQ(fmtBytes(38460000), "36.7 MB");
  EXPECT_EQ(fmtBytes(1073741823), "1024.0 MB");
  EXPECT_EQ(fmtBytes(1073741824), "1.0 GB");
  EXPECT_EQ(fmtBytes(5LL * 1073741824 + 536870912), "5.5 GB");
}

TEST(FmtDuration, RoundsHalfAwayWithUncappedMinutes) {
  EXPECT_EQ(fmtDuration(0), "00:00");
  EXPECT_EQ(fmtDuration(59.4), "00:59");
  EXPECT_EQ(fmtDuration(59.5), "01:00");
  EXPECT_EQ(fmtDuration(600), "10:00");
  EXPECT_EQ(fmtDuration(3725), "62:05");
}

TEST(RatioLabel, ReducesSmallRatiosAndNamesOrientation) {
  EXPECT_EQ(ratioLabel(1920, 1080), "16:9 横屏");
  EXPECT_EQ(ratioLabel(1080, 1920), "9:16 竖屏");
  EXPECT_EQ(ratioLabel(1080, 1080), "1:1 横屏");
  EXPECT_EQ(ratioLabel(1440, 1080), "4:3 横屏");
  EXPECT_EQ(ratioLabel(1920, 800), "12:5 宽银幕");
  EXPECT_EQ(ratioLabel(2560, 1080), "2.37:1 宽银幕");
  EXPECT_EQ(ratioLabel(1366, 768), "1.78:1 横屏");
  EXPECT_EQ(ratioLabel(1998, 1080), "1.85:1 横屏");
  EXPECT_EQ(ratioLabel(2048, 858), "2.39:1 宽银幕");
}

TEST(RatioLabel, UnknownSideIsDash) {
  EXPECT_EQ(ratioLabel(0, 0), "—");
  EXPECT_EQ(ratioLabel(1920, 0), "—");
  EXPECT_EQ(ratioLabel(0, 1080), "—");
}

// Qt and GUI toolkits call setlocale(LC_ALL, ""); a German user must still see points.
TEST(Formatting, IgnoresCommaDecimalLocale) {
  const char* previous = std::setlocale(LC_ALL, nullptr);
  std::string saved = previous ? previous : "C";
  const char* set = std::setlocale(LC_ALL, "de_DE.UTF-8");
  if (set == nullptr) set = std::setlocale(LC_ALL, "de_DE.utf8");
  if (set == nullptr) GTEST_SKIP() << "no de_DE locale on this machine";
  ASSERT_STREQ(std::localeconv()->decimal_point, ",");

  EXPECT_EQ(fmtBytes(38460000), "36.7 MB");
  EXPECT_EQ(fmtBytes(1073741824), "1.0 GB");
  EXPECT_EQ(ratioLabel(2560, 1080), "2.37:1 宽银幕");
  EXPECT_EQ(formatFixed(1234567.25, 1), "1234567.2");
  std::setlocale(LC_ALL, saved.c_str());
}
