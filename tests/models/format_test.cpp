#include "models/format.h"

#include <gtest/gtest.h>

#include <clocale>

#include "models/fit_mode.h"
#include "models/item_text.h"
#include "models/name_fit.h"
#include "models/text.h"

using namespace kivotra;

TEST(Texts, FillInPlacesArgumentsByNumberAndLeavesTheRest) {
  const struct {
    const char* pattern;
    std::string expected;
  } cases[] = {
      {"%1 (%2)", "a (b)"},
      {"%2×%1, %1", "b×a, a"},      // a translation may reorder and repeat
      {"%3 left", "%3 left"},       // no such argument
      {"100% · %", "100% · %"},     // a bare percent sign is text
      {"%10", "a0"},                // one digit: %1 then "0"
  };
  for (const auto& c : cases) EXPECT_EQ(fillIn(c.pattern, {"a", "b"}), c.expected) << c.pattern;
}

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

namespace {
VideoItem probed(double duration, int w, int h, std::int64_t bytes, double fps) {
  VideoItem item("/videos/a.mov");
  item.duration = duration;
  item.srcWidth = w;
  item.srcHeight = h;
  item.fileSize = bytes;
  item.srcFPS = fps;
  return item;
}
}  // namespace

// (A whole facts line and the percents are read in the CLI's probe and progress lines.)
TEST(ItemText, FactsLineLeavesOutWhatIsUnknown) {
  const std::string dot = "\u2009·\u2009";
  EXPECT_EQ(metaText(probed(0.4, 640, 360, 500'000, 0)), "00:00" + dot + "640×360" + dot + "488 KB");
  EXPECT_EQ(metaText(probed(10, 640, 360, 1'000'000, 0)),
            "00:10" + dot + "640×360" + dot + "977 KB" + dot + "800 kbps");
  EXPECT_EQ(metaText(VideoItem("/videos/a.mov")), "读取中…");
  EXPECT_EQ(progressText(0.999), "99%");  // never 100 % before the end
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
