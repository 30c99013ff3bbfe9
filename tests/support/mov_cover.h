#pragma once

#include <filesystem>
#include <string>

namespace kivotra::fixtures::detail {

// Adds a cover picture (iTunes-style udta/meta/ilst/covr) to a finished
// QuickTime/MP4 file, placed before the first track so that demuxers list the
// cover as stream 0. The muxer puts its own udta after the tracks (and writes
// none at all for .mov), which would make the cover the last stream instead.
// Needs the moov box after mdat (the muxer's default), so offsets stay valid.
void insertCoverArt(const std::filesystem::path& path, const std::string& png);

}  // namespace kivotra::fixtures::detail
