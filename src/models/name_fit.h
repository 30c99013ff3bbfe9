#pragma once

#include <cstddef>
#include <filesystem>
#include <string>

namespace kivotra {

// The longest name a file in dir may have, in bytes (pathconf's _PC_NAME_MAX;
// 255 when the file system does not say).
std::size_t nameLimitOf(const std::filesystem::path& dir);

// stem as it is when stem + tailBytes fits in limit bytes; otherwise its
// longest start that fits together with "…" and the tail, cut between two
// characters: never inside a UTF-8 sequence, and never between a character and
// the combining marks that follow it. Bytes that are not UTF-8 count as one
// character each. Empty when not even "…" fits.
std::string fitStem(const std::string& stem, std::size_t tailBytes, std::size_t limit);

}  // namespace kivotra
