#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace kivotra {

// Display texts. All of them ignore the process locale: a point as decimal
// separator and no digit grouping, whatever LC_NUMERIC says.

// Binary units written KB / MB / GB: "0 KB", "1024 KB", "1.0 MB", "36.7 MB", "1.0 GB".
std::string fmtBytes(std::int64_t bytes);

// "mm:ss" of the rounded seconds, minutes uncapped: 3725 gives "62:05".
std::string fmtDuration(double seconds);

// "16:9 横屏", "9:16 竖屏", "2.37:1 宽银幕"; "—" when a side is below 1.
std::string ratioLabel(int w, int h);

// printf's pattern filled in, for short texts (up to 255 bytes).
template <class... Args>
std::string formatText(const char* pattern, Args... args) {
  char text[256];
  std::snprintf(text, sizeof text, pattern, args...);
  return text;
}

// value with a fixed number of decimals, like printf's "%.Nf" in the C locale.
std::string formatFixed(double value, int decimals);

}  // namespace kivotra
