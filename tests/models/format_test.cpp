#include "models/format.h"

#include <gtest/gtest.h>

#include <clocale>

#include "models/fit_mode.h"
#include "models/name_fit.h"

using namespace kivotra;

// Qt and GUI toolkits call setlocale(LC_ALL, ""); a German user must still see points.
TEST(Format, SizesDurationsAndRatiosAsTheUserReadsThemInAnyLocale) {
  const std::pair<std::int64_t, const char*> bytes[] = {
      {0, "0 KB"},           {1023, "1 KB"},           {1048575, "1024 KB"},    {1048576, "1.0 MB"},
      {38460000, "36.7 MB"}, {1073741823, "1024.0 MB"}, {1073741824, "1.0 GB"}, {5905580032, "5.5 GB"}};
  const std::pair<double, const char*> durations[] = {
      {0, "00:00"}, {59.4, "00:59"}, {59.5, "01:00"}, {600, "10:00"}, {3725, "62:05"}};
  const std::tuple<int, int, const char*> ratios[] = {
      {1080, 1920, "9:16 竖屏"},    {1080, 1080, "1:1 横屏"},     {1920, 800, "12:5 宽银幕"},
      {2560, 1080, "2.37:1 宽银幕"}, {1366, 768, "1.78:1 横屏"},   {1920, 0, "—"}};
  const std::string saved = std::setlocale(LC_ALL, nullptr);
  for (const char* locale : {"C", "de_DE.UTF-8"}) {
    if (!std::setlocale(LC_ALL, locale)) GTEST_SKIP() << "no " << locale;
    SCOPED_TRACE(locale);
    for (const auto& [n, text] : bytes) EXPECT_EQ(fmtBytes(n), text);
    for (const auto& [s, text] : durations) EXPECT_EQ(fmtDuration(s), text);
    for (const auto& [w, h, text] : ratios) EXPECT_EQ(ratioLabel(w, h), text) << w << "x" << h;
    EXPECT_EQ(formatFixed(1234567.25, 1), "1234567.2");
  }
  std::setlocale(LC_ALL, saved.c_str());
  EXPECT_EQ(fitModeFromRaw("裁切 16:9"), FitMode::crop);
  EXPECT_EQ(fitModeFromRaw("crop"), std::nullopt);
}

// A name too long for its folder keeps its start, cut between characters and
// never between a letter and its combining mark; nothing when not even "…" fits.
TEST(NameFit, CutsBetweenCharactersAndKeepsMarksWithTheirLetter) {
  const struct {
    std::string stem;
    std::size_t tail, limit;
    std::string expected;
  } rows[] = {
      {"holiday", 10, 17, "holiday"},                        // fits exactly
      {"holiday", 10, 16, "hol…"},                           // 16 - 10 - 3 bytes left
      {"视频视频", 0, 11, "视频…"},                          // 8 bytes left: two whole characters
      {"ae\xCC\x81" "bcd", 0, 6, "a…"},                      // "e" and its accent go together
      {"ab\xCC\x81\xCC\x82" "cde", 0, 8, "a…"},            // and so do two marks
      {"a\xE2\x9D\xA4\xEF\xB8\x8F" "bcd", 0, 9, "a…"},    // and a variation selector
      {"holiday", 10, 12, ""},                               // no room for "…"
      {"holiday", 10, 13, "…"},
  };
  for (const auto& row : rows) EXPECT_EQ(fitStem(row.stem, row.tail, row.limit), row.expected) << row.stem;
}
