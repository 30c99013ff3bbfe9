#pragma once

// Bad and unusual inputs, written at test time (nothing committed as media):
// broken bytes, damaged MP4 structure, and legal but awkward media.

#include <filesystem>
#include <string>
#include <vector>

namespace kivotra::reliability {

struct CorpusFile {
  std::string name;  // file name inside the corpus folder; says what it is
  std::filesystem::path path;
  // True for the legal media every layer must compress; false where either a
  // valid output or a clear failure is acceptable.
  bool mustCompress = false;
  // When above 0, a valid output lasts this many seconds (container duration).
  double seconds = 0;
  // A source that breaks off in the middle of its samples: a shorter output
  // reported as done would drop the rest without a word.
  bool mustFail = false;
};

// Writes every case into dir (created if needed) and lists them.
std::vector<CorpusFile> writeCorpus(const std::filesystem::path& dir);

}  // namespace kivotra::reliability
