#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>

#include "models/geometry.h"
#include "models/item_settings.h"
#include "models/item_status.h"
#include "models/probe_info.h"
#include "models/uuid.h"

namespace kivotra {

// One listed file: where it is, what the probe measured, where it stands in
// the queue and what it produced.
struct VideoItem {
  explicit VideoItem(std::filesystem::path source) : id(Uuid::random()), url(std::move(source)) {}

  Uuid id;
  std::filesystem::path url;
  double duration = 0;  // seconds
  int srcWidth = 0;
  int srcHeight = 0;
  double srcFPS = 0;
  std::int64_t fileSize = 0;
  bool hasAudio = false;
  double audioSampleRate = 44100;
  std::int32_t audioChannels = 2;
  ItemStatus status = ItemStatus::loading();
  double progress = 0;                    // 0..1 of the current transcode
  std::optional<double> etaSeconds;       // seconds left of the current transcode
  std::optional<RgbaBitmap> thumbnail;
  std::optional<std::filesystem::path> outputURL;
  std::optional<std::int64_t> actualSize;  // bytes written
  std::optional<ItemSettings> customSettings;
  // Bytes the output must not exceed (a size-limited compression); the queue
  // encodes once more at a lower bitrate when the first result is bigger.
  std::optional<std::int64_t> sizeLimit;
  int encodeCount = 0;  // encodes the last finished compression took

  // Copies the probe's measurements (the thumbnail included) into the item.
  void applyProbe(const ProbeInfo& info);
  // The probe facts of this item, as the engine takes them.
  ProbeInfo probeInfo() const;

  // Estimated output size in bytes: video at bitrateKbps plus the AAC track
  // when the source has sound, with no container overhead.
  std::int64_t estimatedBytes(int bitrateKbps) const;
  Dims outputDims(const ItemSettings& settings) const { return kivotra::outputDims(srcWidth, srcHeight, settings); }
};

// The parameters item is compressed with: its own, else the global ones.
inline ItemSettings effectiveSettings(const VideoItem& item, const ItemSettings& global) {
  return item.customSettings.value_or(global);
}

}  // namespace kivotra
