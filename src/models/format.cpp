#include "models/format.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <numeric>

#include "models/text.h"

namespace kivotra {

std::string formatFixed(double value, int decimals) {
  char buffer[64];
  auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
  if (ec != std::errc()) return "0";
  return std::string(buffer, end);
}

std::string fmtBytes(std::int64_t bytes) {
  const double mb = static_cast<double>(bytes) / 1048576.0;
  if (mb >= 1024) return formatFixed(mb / 1024, 1) + " GB";
  if (mb >= 1) return formatFixed(mb, 1) + " MB";
  return formatFixed(mb * 1024, 0) + " KB";
}

std::string fmtDuration(double seconds) {
  const long long total = std::llround(seconds);
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%02lld:%02lld", total / 60, total % 60);
  return buffer;
}

std::string ratioLabel(int w, int h) {
  if (w < 1 || h < 1) return "—";
  const double r = static_cast<double>(w) / h;
  const int divisor = std::gcd(w, h);
  const int a = w / divisor;
  const int b = h / divisor;
  std::string text;
  if (a <= 20 && b <= 20) {
    text = std::to_string(a) + ":" + std::to_string(b);
  } else {
    text = formatFixed(r, 2) + ":1";
  }
  if (r < 1) return fillIn(translate("Format", "%1 竖屏"), {text});
  if (r > 1.85) return fillIn(translate("Format", "%1 宽银幕"), {text});
  return fillIn(translate("Format", "%1 横屏"), {text});
}

}  // namespace kivotra
