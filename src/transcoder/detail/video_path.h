#pragma once

#include <atomic>
#include <cstdint>

#include "transcoder/av_ptr.h"
#include "transcoder/detail/bounded_queue.h"
#include "transcoder/detail/run_control.h"
#include "transcoder/detail/video_filter.h"

namespace kivotra::detail {

// Decoded pictures on their way from the decoder to the placement, and what
// the decoding found out about the stream.
struct DecodedVideo {
  // pictureBytes: the size of one decoded picture, 0 when unknown.
  explicit DecodedVideo(std::size_t pictureBytes) : frames(depthFor(pictureBytes)) {}

  // Two pictures waiting let the decoder go on while one is placed. A
  // picture as large as 4K at 10 bits (25 MB) waits alone: measured on 4K60
  // HEVC, a second one there costs its 25 MB and gains no time.
  static std::size_t depthFor(std::size_t pictureBytes) { return pictureBytes >= (20u << 20) ? 1 : 2; }

  FrameQueue frames;
  // Where the source's video ends, counted from the output's zero; written
  // before `frames` is closed.
  std::int64_t endPts = AV_NOPTS_VALUE;
  std::atomic<std::int64_t> decoded{0};  // pictures that came out of the decoder
  std::atomic<std::int64_t> skipped{0};  // pictures never decoded: the output would not show them
};

// What the decode stage needs to know about the stream.
struct VideoSource {
  AVCodecContext* decoder = nullptr;
  const AVStream* stream = nullptr;
  std::int64_t startPts = 0;  // the output's zero, in the stream's time base
  // The output's rate when it is slower than the source's, else {0, 1}: then
  // pictures the rate conversion drops, and nothing refers to, are not decoded.
  AVRational dropsToRate{0, 1};
};

// Decodes the stream's packets; each frame moved so that startPts becomes
// zero and given the pixel aspect the probe measured with (the container's
// where it states one). Closes `out.frames` at the end.
void decodeVideoStage(const VideoSource& source, PacketQueue& packets, DecodedVideo& out, RunControl& control);

// Places the decoded frames with the filter and hands the results on,
// closing `placed` at the end. On its own thread, so that a picture is scaled
// and tone mapped while the next one is decoded.
void placeVideoStage(DecodedVideo& in, VideoFilter& filter, FrameQueue& placed, RunControl& control);

}  // namespace kivotra::detail
