#include "models/video_item.h"

namespace kivotra {

void VideoItem::applyProbe(const ProbeInfo& info) {
  duration = info.duration;
  srcWidth = info.width;
  srcHeight = info.height;
  srcFPS = info.fps;
  fileSize = info.fileSize;
  hasAudio = info.hasAudio;
  audioSampleRate = info.audioSampleRate;
  audioChannels = info.audioChannels;
  thumbnail = info.thumbnail;
}

ProbeInfo VideoItem::probeInfo() const {
  ProbeInfo info;
  info.duration = duration;
  info.width = srcWidth;
  info.height = srcHeight;
  info.fps = srcFPS;
  info.fileSize = fileSize;
  info.hasAudio = hasAudio;
  info.audioSampleRate = audioSampleRate;
  info.audioChannels = audioChannels;
  return info;
}

std::int64_t VideoItem::estimatedBytes(int bitrateKbps) const {
  if (!(duration > 0)) return 0;
  const double audioBitsPerSecond = hasAudio ? kAudioKbps * 1000.0 : 0.0;
  const double bytesPerSecond = (static_cast<double>(bitrateKbps) * 1000.0 + audioBitsPerSecond) * 0.125;
  return static_cast<std::int64_t>(duration * bytesPerSecond);
}

}  // namespace kivotra
