#pragma once

#include <cstdint>
#include <vector>

#include "models/item_settings.h"
#include "models/video_item.h"

namespace kivotra::cli {

// Gives every ready item the bitrate that fits its output under limitBytes
// (as its own parameters) and the limit itself; an item that cannot get under
// it fails with a message naming the smallest size it can reach. Returns how
// many items failed so.
int applyTargetSize(std::vector<VideoItem>& items, const ItemSettings& settings, std::int64_t limitBytes);

}  // namespace kivotra::cli
