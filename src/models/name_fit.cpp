#include "models/name_fit.h"

#include <unistd.h>

namespace kivotra {

namespace {

constexpr std::size_t kDefaultNameLimit = 255;
const std::string kEllipsis = "…";

bool isContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// The code point whose UTF-8 sequence starts at text[at], or -1.
long codePointAt(const std::string& text, std::size_t at) {
  const auto lead = static_cast<unsigned char>(text[at]);
  if (lead < 0x80) return lead;
  const int extra = (lead & 0xE0) == 0xC0 ? 1 : (lead & 0xF0) == 0xE0 ? 2 : (lead & 0xF8) == 0xF0 ? 3 : 0;
  if (extra == 0 || at + static_cast<std::size_t>(extra) >= text.size()) return -1;
  long cp = lead & (0x3F >> extra);
  for (int k = 1; k <= extra; ++k) {
    const auto c = static_cast<unsigned char>(text[at + static_cast<std::size_t>(k)]);
    if (!isContinuation(c)) return -1;
    cp = (cp << 6) | (c & 0x3F);
  }
  return cp;
}

// Marks that belong to the character before them: combining diacritics, the
// joiner and variation selectors.
bool joinsPrevious(long cp) {
  return (cp >= 0x0300 && cp <= 0x036F) || (cp >= 0x1AB0 && cp <= 0x1AFF) || (cp >= 0x1DC0 && cp <= 0x1DFF) ||
         (cp >= 0x20D0 && cp <= 0x20FF) || (cp >= 0xFE20 && cp <= 0xFE2F) || (cp >= 0xFE00 && cp <= 0xFE0F) ||
         cp == 0x200D || (cp >= 0xE0100 && cp <= 0xE01EF);
}

// The last place at or before `at` (< text.size()) where text may be cut.
std::size_t boundaryAtOrBefore(const std::string& text, std::size_t at) {
  for (;;) {
    std::size_t start = at;
    while (start > 0 && at - start < 3 && isContinuation(static_cast<unsigned char>(text[start]))) --start;
    // Inside a well-formed sequence: cut before it. Stray bytes: anywhere will do.
    if (start != at && codePointAt(text, start) >= 0) at = start;
    if (at == 0 || !joinsPrevious(codePointAt(text, at))) return at;
    --at;  // a mark stays with its character: cut before that character instead
  }
}

}  // namespace

std::size_t nameLimitOf(const std::filesystem::path& dir) {
  const long limit = ::pathconf(dir.c_str(), _PC_NAME_MAX);
  return limit > 0 ? static_cast<std::size_t>(limit) : kDefaultNameLimit;
}

std::string fitStem(const std::string& stem, std::size_t tailBytes, std::size_t limit) {
  if (stem.size() + tailBytes <= limit) return stem;
  if (tailBytes + kEllipsis.size() > limit) return {};
  const std::size_t room = limit - tailBytes - kEllipsis.size();
  return stem.substr(0, boundaryAtOrBefore(stem, room)) + kEllipsis;
}

}  // namespace kivotra
