#pragma once

#include <string>

#include "models/video_item.h"

namespace kivotra {

// The facts of a source as one line: length, size in pixels, bytes, frame rate
// and bitrate, each only when known, joined by thin space, middle dot, thin
// space; "读取中…" while nothing is known. Shared by the window's card and the
// terminal front end.
std::string metaText(const VideoItem& item);

// The share done of a running file: "7.3%" below a tenth, then the whole
// percent truncated ("42%", never "100%" before the end).
std::string progressText(double progress);

}  // namespace kivotra
