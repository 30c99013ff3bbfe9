#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "models/video_item.h"

// Fitting an output under a size limit: the bitrate to ask the encoder for,
// and the one to retry with when an encode came out too big.
namespace kivotra {

inline constexpr int kSizeFloorKbps = 100;      // never less video than this
inline constexpr double kSizeFirstFill = 0.96;  // share of the limit the first encode aims at
// A second encode, after an overshoot, aims at 95 % less a tenth of the
// overshoot (the bigger the miss, the less the encoder's rate is to be
// trusted), and at no less than 85 %.
inline constexpr double kSizeRetryFill = 0.95;
inline constexpr double kSizeRetryFillLeast = 0.85;

// "25M", "25MB", "25MiB", "500K", "1.5G" in any case, units of 1024 bytes; "B"
// or no unit is not accepted (a bare 25 is too easily meant as megabytes).
// None for anything else or a size below one byte.
std::optional<std::int64_t> parseSizeText(std::string_view text);

// MP4 bytes beyond the streams' payload: headers, encoder info and the index
// entries of every frame and audio packet.
std::int64_t containerOverheadBytes(double seconds, double fps, bool hasAudio);

// The expected output size of item at kbps of video: video, the AAC track
// when the source has sound, and the container. 0 while the duration is unknown.
std::int64_t expectedOutputBytes(const VideoItem& item, int kbps);

struct SizePlan {
  std::optional<int> kbps;         // none: the limit cannot be reached
  std::int64_t smallestBytes = 0;  // expected size at the floor bitrate (0: duration unknown)
};

// The video bitrate that fills about 96 % of limitBytes, at most twice the
// tier's recommended bitrate; at least the floor, and none when even the
// floor's expected size is over the limit or the duration is unknown.
SizePlan planForSize(const VideoItem& item, int shortSide, std::int64_t limitBytes);

// After an encode at kbps wrote writtenBytes over limitBytes: the bitrate of
// the second encode, scaled down by the measured overshoot of the video (and
// of the whole, whichever asks for less) to reach the retry fill, never above
// kbps - 1 nor below the floor.
int retryKbps(const VideoItem& item, int kbps, std::int64_t writtenBytes, std::int64_t limitBytes);

// The video bitrate item is compressed at under settings: the chosen one, or
// in size mode the one planned for the limit at the settings' tier (none when
// the limit cannot be reached or the duration is unknown).
std::optional<int> videoKbpsFor(const VideoItem& item, const ItemSettings& settings);

// The estimate a card and the summary show under settings: the video and
// sound at the chosen bitrate, or in size mode the expected output at the
// planned one (0 when there is none).
std::int64_t estimatedOutputBytes(const VideoItem& item, const ItemSettings& settings);

// The card's "bigger than the source" rule: the expected output at kbps is
// larger than the source file. False while either size is unknown.
bool estimateExceedsSource(const VideoItem& item, int kbps);

// A finished output that is bigger than its source.
bool outputLargerThanSource(const VideoItem& item);

}  // namespace kivotra
