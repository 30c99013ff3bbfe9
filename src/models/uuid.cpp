#include "models/uuid.h"

#include <random>

namespace kivotra {

Uuid Uuid::random() {
  thread_local std::mt19937_64 engine{std::random_device{}()};
  Uuid id;
  for (std::size_t i = 0; i < id.bytes_.size(); i += 8) {
    std::uint64_t word = engine();
    for (std::size_t j = 0; j < 8; ++j) id.bytes_[i + j] = static_cast<std::uint8_t>(word >> (8 * j));
  }
  id.bytes_[6] = static_cast<std::uint8_t>((id.bytes_[6] & 0x0F) | 0x40);  // version 4
  id.bytes_[8] = static_cast<std::uint8_t>((id.bytes_[8] & 0x3F) | 0x80);  // RFC 4122 variant
  return id;
}

static int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::optional<Uuid> Uuid::parse(std::string_view text) {
  if (text.size() != 36) return std::nullopt;
  Uuid id;
  std::size_t byte = 0;
  for (std::size_t i = 0; i < text.size();) {
    if (i == 8 || i == 13 || i == 18 || i == 23) {
      if (text[i] != '-') return std::nullopt;
      ++i;
      continue;
    }
    int hi = hexValue(text[i]);
    int lo = hexValue(text[i + 1]);
    if (hi < 0 || lo < 0) return std::nullopt;
    id.bytes_[byte++] = static_cast<std::uint8_t>(hi << 4 | lo);
    i += 2;
  }
  return id;
}

bool Uuid::isNil() const {
  for (auto b : bytes_) {
    if (b != 0) return false;
  }
  return true;
}

std::string Uuid::toString() const {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out;
  out.reserve(36);
  for (std::size_t i = 0; i < bytes_.size(); ++i) {
    if (i == 4 || i == 6 || i == 8 || i == 10) out.push_back('-');
    out.push_back(kHex[bytes_[i] >> 4]);
    out.push_back(kHex[bytes_[i] & 0x0F]);
  }
  return out;
}

}  // namespace kivotra

std::size_t std::hash<kivotra::Uuid>::operator()(const kivotra::Uuid& id) const noexcept {
  std::size_t h = 0;
  for (auto b : id.bytes()) h = h * 131 + b;
  return h;
}
