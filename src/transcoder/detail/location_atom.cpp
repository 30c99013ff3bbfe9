#include "transcoder/detail/location_atom.h"

#include <unistd.h>

#include <cstdint>
#include <vector>

namespace kivotra::detail {

namespace {

void putBig(std::vector<std::uint8_t>& out, std::uint64_t value, int bytes) {
  for (int i = bytes - 1; i >= 0; --i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void putBox(std::vector<std::uint8_t>& out, const char* type, const std::vector<std::uint8_t>& body) {
  putBig(out, 8 + body.size(), 4);
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), body.begin(), body.end());
}

bool writeAll(int fd, const std::uint8_t* data, std::size_t size, off_t at) {
  while (size > 0) {
    const ssize_t n = ::pwrite(fd, data, size, at);
    if (n <= 0) return false;
    data += n;
    size -= static_cast<std::size_t>(n);
    at += n;
  }
  return true;
}

// Where the last top-level box starts when it is a moov that ends the file; -1 otherwise.
off_t trailingMoov(int fd, off_t size) {
  off_t at = 0;
  std::uint8_t header[8];
  while (at + 8 <= size) {
    if (::pread(fd, header, 8, at) != 8) return -1;
    std::uint64_t boxSize = 0;
    for (int i = 0; i < 4; ++i) boxSize = (boxSize << 8) | header[i];
    if (boxSize < 8) return -1;  // 64-bit or open-ended boxes: not a layout this writer makes at the end
    if (at + static_cast<off_t>(boxSize) == size) return std::string(header + 4, header + 8) == "moov" ? at : -1;
    at += static_cast<off_t>(boxSize);
  }
  return -1;
}

}  // namespace

bool appendLocationAtom(int fd, const std::string& iso6709) {
  if (fd < 0 || iso6709.empty() || iso6709.size() > 0xFFFF) return false;
  bool ok = false;
  const off_t size = ::lseek(fd, 0, SEEK_END);
  const off_t moov = size > 0 ? trailingMoov(fd, size) : -1;
  if (moov >= 0) {
    std::vector<std::uint8_t> text;
    putBig(text, iso6709.size(), 2);
    putBig(text, 0x15C7, 2);  // language: undetermined
    text.insert(text.end(), iso6709.begin(), iso6709.end());
    std::vector<std::uint8_t> xyz;
    putBox(xyz, "\xA9xyz", text);
    std::vector<std::uint8_t> udta;
    putBox(udta, "udta", xyz);
    std::vector<std::uint8_t> moovSize;
    putBig(moovSize, static_cast<std::uint64_t>(size - moov) + udta.size(), 4);
    // The new box first, then the index's size that takes it in: a failure
    // between the two leaves a few ignored bytes at the end, which are cut.
    ok = static_cast<std::uint64_t>(size - moov) + udta.size() <= 0xFFFFFFFFu &&
         writeAll(fd, udta.data(), udta.size(), size) && writeAll(fd, moovSize.data(), 4, moov);
    if (!ok && ::ftruncate(fd, size) != 0) ok = false;
  }
  return ok;
}

}  // namespace kivotra::detail
