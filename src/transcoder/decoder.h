#pragma once

#include <string>

#include "transcoder/av_ptr.h"
#include "transcoder/bounded_queue.h"
#include "transcoder/input.h"
#include "transcoder/run_control.h"

namespace kivotra::detail {

using FrameQueue = BoundedQueue<av::FramePtr>;

// A decoder for the stream, threaded as FFmpeg sees fit, reporting times in
// the stream's time base. Null when FFmpeg has no decoder for it or cannot open it;
// `why` then holds FFmpeg's reason.
av::CodecContextPtr openDecoder(const AVStream* stream, std::string& why);

// The decode stage: packets in, frames out in presentation order, flushed
// and closed at the end. A damaged packet is skipped as players do; any other
// decoder error fails the run.
void decodeStage(AVCodecContext* decoder, PacketQueue& packets, FrameQueue& frames, RunControl& control);

}  // namespace kivotra::detail
