#include "support/mov_cover.h"

#include <cstdint>
#include <fstream>
#include <iterator>
#include <vector>

#include "support/av_check.h"

namespace kivotra::fixtures::detail {

namespace {

struct Box {
  std::string type;
  std::size_t offset = 0;
  std::size_t size = 0;
  std::size_t header = 8;
};

std::uint32_t readBe32(const std::string& data, std::size_t at) {
  return (std::uint32_t(std::uint8_t(data[at])) << 24) | (std::uint32_t(std::uint8_t(data[at + 1])) << 16) |
         (std::uint32_t(std::uint8_t(data[at + 2])) << 8) | std::uint32_t(std::uint8_t(data[at + 3]));
}

void putBe32(std::string& out, std::uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<char>((v >> shift) & 0xff));
}

void writeBe32(std::string& data, std::size_t at, std::uint32_t v) {
  std::string bytes;
  putBe32(bytes, v);
  data.replace(at, 4, bytes);
}

std::string box(const char* type, const std::string& payload) {
  std::string out;
  putBe32(out, static_cast<std::uint32_t>(8 + payload.size()));
  out += type;
  return out + payload;
}

std::vector<Box> children(const std::string& data, std::size_t begin, std::size_t end) {
  std::vector<Box> boxes;
  for (std::size_t at = begin; at + 8 <= end;) {
    Box b{data.substr(at + 4, 4), at, readBe32(data, at)};
    if (b.size == 1) {  // 64-bit size follows the type
      if (at + 16 > end) fail("truncated box header");
      b.size = (std::size_t(readBe32(data, at + 8)) << 32) | readBe32(data, at + 12);
      b.header = 16;
    } else if (b.size == 0) {
      b.size = end - at;
    }
    if (b.size < b.header || at + b.size > end) fail("malformed box " + b.type);
    boxes.push_back(b);
    at += b.size;
  }
  return boxes;
}

}  // namespace

void insertCoverArt(const std::filesystem::path& path, const std::string& png) {
  std::string data;
  {
    std::ifstream in(path, std::ios::binary);
    if (!in) fail("cannot read " + path.string());
    data.assign(std::istreambuf_iterator<char>(in), {});
  }
  const std::vector<Box> top = children(data, 0, data.size());
  const Box* moov = nullptr;
  const Box* mdat = nullptr;
  for (const Box& b : top) {
    if (b.type == "moov") moov = &b;
    if (b.type == "mdat") mdat = &b;
  }
  if (moov == nullptr || mdat == nullptr || moov->offset < mdat->offset || moov->header != 8) {
    fail("cover art needs a file whose moov follows mdat");
  }
  std::size_t insertAt = 0;
  for (const Box& b : children(data, moov->offset + 8, moov->offset + moov->size)) {
    if (b.type == "trak") {
      insertAt = b.offset;
      break;
    }
  }
  if (insertAt == 0) fail("no track to put the cover before");

  std::string fullBoxHeader(4, '\0');  // version 0, flags 0
  std::string hdlr = fullBoxHeader;
  putBe32(hdlr, 0);  // pre-defined
  hdlr += "mdirappl";
  hdlr += std::string(9, '\0');  // reserved and an empty name
  std::string data14;
  putBe32(data14, 14);  // well-known type: PNG
  putBe32(data14, 0);  // locale
  const std::string udta =
      box("udta", box("meta", fullBoxHeader + box("hdlr", hdlr) + box("ilst", box("covr", box("data", data14 + png)))));

  writeBe32(data, moov->offset, static_cast<std::uint32_t>(moov->size + udta.size()));
  data.insert(insertAt, udta);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(data.data(), static_cast<std::streamsize>(data.size()));
  if (!out.flush()) fail("cannot write " + path.string());
}

}  // namespace kivotra::fixtures::detail
