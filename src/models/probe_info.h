#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace kivotra {

// A plain 8-bit RGBA picture, rows top to bottom without padding.
struct RgbaBitmap {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> pixels;  // width * height * 4 bytes

  bool operator==(const RgbaBitmap&) const = default;
};

// What the probe measured about one source file.
struct ProbeInfo {
  double duration = 0;  // seconds
  int width = 0;        // upright display size in pixels
  int height = 0;
  double fps = 0;
  std::int64_t fileSize = 0;  // bytes on disk
  bool hasAudio = false;
  double audioSampleRate = 44100;  // hertz
  std::int32_t audioChannels = 2;
  std::optional<RgbaBitmap> thumbnail;
};

}  // namespace kivotra
