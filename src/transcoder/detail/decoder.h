#pragma once

#include <functional>
#include <string>

#include "transcoder/av_ptr.h"
#include "transcoder/detail/bounded_queue.h"
#include "transcoder/detail/run_control.h"

namespace kivotra::detail {

// A decoder for the stream, threaded as FFmpeg sees fit, reporting times in
// the stream's time base. Null when FFmpeg has no decoder for it or cannot open it;
// `why` then holds the reason.
av::CodecContextPtr openDecoder(const AVStream* stream, std::string& why);

// Takes one decoded frame; false when the run was stopped meanwhile.
using FrameSink = std::function<bool(av::FramePtr)>;

// Says whether a packet is decoded at all; the others are left out unread.
using PacketGate = std::function<bool(const AVPacket&)>;

// Decodes every packet (that `gate` lets through, when there is one) until the
// queue ends and flushes the decoder, handing each frame on in presentation
// order. A damaged packet is skipped as players do; any other decoder error
// throws TranscodeError::readerInit. False when the run was stopped.
bool decodeAll(AVCodecContext* decoder, PacketQueue& packets, const FrameSink& deliver, RunControl& control,
               const PacketGate& gate = {});

}  // namespace kivotra::detail
