#include "models/size_target.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <string>

#include "models/tiers.h"

namespace kivotra {

namespace {

double audioBytes(const VideoItem& item) { return item.hasAudio ? item.duration * kAudioKbps * 1000.0 / 8.0 : 0.0; }

double fixedBytes(const VideoItem& item) {
  return audioBytes(item) + static_cast<double>(containerOverheadBytes(item.duration, item.srcFPS, item.hasAudio));
}

// Video kbps that makes the expected output `bytes` (may be negative).
double kbpsFor(const VideoItem& item, double bytes) {
  return (bytes - fixedBytes(item)) * 8.0 / item.duration / 1000.0;
}

}  // namespace

std::optional<std::int64_t> parseSizeText(std::string_view text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
  std::size_t digits = 0;
  while (digits < text.size() && (std::isdigit(static_cast<unsigned char>(text[digits])) || text[digits] == '.')) {
    ++digits;
  }
  if (digits == 0) return std::nullopt;
  double value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + digits, value, std::chars_format::fixed);
  if (ec != std::errc() || end != text.data() + digits) return std::nullopt;

  std::string_view rest = text.substr(digits);
  while (!rest.empty() && rest.front() == ' ') rest.remove_prefix(1);  // "25 MB" too
  std::string unit;
  for (const char c : rest) unit += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  double scale = 0;
  for (const auto& [prefix, factor] : {std::pair{'K', 1024.0}, {'M', 1048576.0}, {'G', 1073741824.0}}) {
    if (unit == std::string(1, prefix) || unit == std::string(1, prefix) + "B" ||
        unit == std::string(1, prefix) + "IB") {
      scale = factor;
    }
  }
  if (scale == 0) return std::nullopt;
  const double bytes = std::floor(value * scale);
  if (!(bytes >= 1) || bytes > 9.0e18) return std::nullopt;
  return static_cast<std::int64_t>(bytes);
}

std::int64_t containerOverheadBytes(double seconds, double fps, bool hasAudio) {
  if (!(seconds > 0)) return 0;
  // ftyp, moov headers and the codec setup; x264's settings text rides in the first frame.
  double bytes = 3000;
  // Per video frame: sample size, composition offset, time and chunk entries.
  bytes += seconds * (fps > 0 ? fps : 30) * 16;
  // Per AAC packet (1024 samples at up to 48 kHz): sample size and chunk entries.
  if (hasAudio) bytes += seconds * 48000.0 / 1024.0 * 8;
  return static_cast<std::int64_t>(std::ceil(bytes));
}

std::int64_t expectedOutputBytes(const VideoItem& item, int kbps) {
  if (!(item.duration > 0)) return 0;
  return static_cast<std::int64_t>(std::ceil(item.duration * kbps * 1000.0 / 8.0 + fixedBytes(item)));
}

SizePlan planForSize(const VideoItem& item, int shortSide, std::int64_t limitBytes) {
  SizePlan plan;
  if (!(item.duration > 0)) return plan;
  plan.smallestBytes = expectedOutputBytes(item, kSizeFloorKbps);
  if (plan.smallestBytes > limitBytes) return plan;
  const double wanted = std::floor(kbpsFor(item, static_cast<double>(limitBytes) * kSizeFirstFill));
  const double ceiling = 2.0 * recommendedBitrate(shortSide);
  plan.kbps = static_cast<int>(std::clamp(wanted, static_cast<double>(kSizeFloorKbps), ceiling));
  return plan;
}

int retryKbps(const VideoItem& item, int kbps, std::int64_t writtenBytes, std::int64_t limitBytes) {
  if (!(item.duration > 0) || writtenBytes <= 0) return kSizeFloorKbps;
  const double overshoot = static_cast<double>(writtenBytes) / static_cast<double>(limitBytes);
  const double fill = std::clamp(kSizeRetryFill - 0.1 * (overshoot - 1.0), kSizeRetryFillLeast, kSizeRetryFill);
  const double goal = static_cast<double>(limitBytes) * fill;
  // The video's share of what was written, assuming the sound and the container came out as expected.
  const double videoWritten = std::max(static_cast<double>(writtenBytes) - fixedBytes(item), 1.0);
  const double byVideo = kbps * (goal - fixedBytes(item)) / videoWritten;
  // The whole file's overshoot: safer when the sound came out smaller than expected.
  const double byWhole = kbps * goal / static_cast<double>(writtenBytes);
  const double scaled = std::floor(std::min(byVideo, byWhole));
  return static_cast<int>(
      std::clamp(scaled, static_cast<double>(kSizeFloorKbps), static_cast<double>(std::max(kbps - 1, kSizeFloorKbps))));
}

std::optional<int> videoKbpsFor(const VideoItem& item, const ItemSettings& settings) {
  if (!settings.bySize) return settings.bitrateKbps;
  return planForSize(item, settings.shortSide, settings.sizeLimitBytes).kbps;
}

std::int64_t estimatedOutputBytes(const VideoItem& item, const ItemSettings& settings) {
  if (!settings.bySize) return item.estimatedBytes(settings.bitrateKbps);
  const std::optional<int> kbps = videoKbpsFor(item, settings);
  return kbps ? expectedOutputBytes(item, *kbps) : 0;
}

bool estimateExceedsSource(const VideoItem& item, int kbps) {
  return item.fileSize > 0 && item.duration > 0 && expectedOutputBytes(item, kbps) > item.fileSize;
}

bool outputLargerThanSource(const VideoItem& item) {
  return item.status.is(ItemStatus::Kind::done) && item.actualSize && item.fileSize > 0 &&
         *item.actualSize > item.fileSize;
}

}  // namespace kivotra
