#pragma once

#include <string>

namespace kivotra::detail {

// Adds the QuickTime ©xyz user-data atom (an ISO 6709 position such as
// "+48.8584+002.2945/") to a finished MP4 whose index is its last box, where
// Android and most photo libraries read a video's location; the MP4 writer
// keeps it only among the QuickTime metadata keys. A file of another layout is
// left alone. `fd` is open for reading and writing and stays open. False,
// with the file as it was, when it could not be written.
bool appendLocationAtom(int fd, const std::string& iso6709);

}  // namespace kivotra::detail
