#pragma once

#include <filesystem>

namespace kivotra {

// The n-th name for source's output in dir: base + "_压缩_" + tier + ".mp4",
// then "_2", "_3" ... before ".mp4". n = 1 is the plain name. A base too long
// for dir's name limit is shortened with "…" (fitStem), each candidate on its own.
std::filesystem::path outputCandidate(const std::filesystem::path& source, const std::filesystem::path& dir,
                                      int shortSide, int n);

// The first candidate at whose path nothing exists (not even a dangling link).
// A check only: nothing is reserved.
std::filesystem::path chooseOutputPath(const std::filesystem::path& source, const std::filesystem::path& dir,
                                       int shortSide);

// The first candidate that could be created exclusively (O_CREAT | O_EXCL): the
// empty file now reserves the name, so a transcode writing there never replaces
// anyone else's file. Throws PlatformError when dir cannot take a new file.
std::filesystem::path reserveOutputPath(const std::filesystem::path& source, const std::filesystem::path& dir,
                                        int shortSide);

}  // namespace kivotra
