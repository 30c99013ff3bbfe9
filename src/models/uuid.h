#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace kivotra {

// A random (version 4) UUID; the identity of a listed file.
class Uuid {
 public:
  Uuid() = default;  // the nil UUID
  static Uuid random();
  static std::optional<Uuid> parse(std::string_view text);

  bool isNil() const;
  // Lower-case 8-4-4-4-12 form.
  std::string toString() const;

  const std::array<std::uint8_t, 16>& bytes() const { return bytes_; }
  auto operator<=>(const Uuid&) const = default;

 private:
  std::array<std::uint8_t, 16> bytes_{};
};

}  // namespace kivotra

template <>
struct std::hash<kivotra::Uuid> {
  std::size_t operator()(const kivotra::Uuid& id) const noexcept;
};
