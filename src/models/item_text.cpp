#include "models/item_text.h"

#include <cmath>
#include <vector>

#include "models/format.h"
#include "models/text.h"

namespace kivotra {

std::string metaText(const VideoItem& item) {
  std::vector<std::string> parts;
  if (item.duration > 0) parts.push_back(fmtDuration(item.duration));
  if (item.srcWidth >= 1) parts.push_back(std::to_string(item.srcWidth) + "×" + std::to_string(item.srcHeight));
  if (item.fileSize >= 1) parts.push_back(fmtBytes(item.fileSize));
  if (item.srcFPS > 0) parts.push_back(formatFixed(item.srcFPS, 0) + " FPS");
  if (item.duration > 0.5 && item.fileSize >= 1) {
    const double kbps = static_cast<double>(item.fileSize) * 8 / 1000 / item.duration;
    parts.push_back(kbps >= 1000 ? formatFixed(kbps / 1000, 1) + " Mbps" : formatFixed(kbps, 0) + " kbps");
  }
  if (parts.empty()) return translate("Card", "读取中…");
  std::string line;
  for (const std::string& part : parts) {
    if (!line.empty()) line += "\u2009·\u2009";
    line += part;
  }
  return line;
}

std::string progressText(double progress) {
  const double percent = progress * 100;
  if (progress < 0.1) return formatFixed(percent, 1) + "%";
  return std::to_string(static_cast<long long>(std::trunc(percent))) + "%";
}

}  // namespace kivotra
