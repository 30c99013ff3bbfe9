#pragma once

#include <filesystem>

#include "../state/state_fixture.h"
#include "state/app_state.h"
#include "state/compression_settings.h"
#include "ui/parameter_panel.h"
#include "ui/summary.h"

namespace kivotra::test {

// A listed file with the facts a probe would have filled in; a bare name is placed in /videos.
inline VideoItem probedItem(const std::filesystem::path& file, int w, int h, double seconds = 10,
                            std::int64_t bytes = 50000000, ItemStatus status = ItemStatus::ready(), double fps = 30) {
  VideoItem item(file.is_absolute() ? file : std::filesystem::path("/videos") / file);
  item.srcWidth = w;
  item.srcHeight = h;
  item.srcFPS = fps;
  item.duration = seconds;
  item.fileSize = bytes;
  item.hasAudio = true;
  item.status = std::move(status);
  return item;
}

inline QString idOf(const VideoItem& item) { return QString::fromStdString(item.id.toString()); }

}  // namespace kivotra::test
