#pragma once

#include <functional>
#include <string>

#include "models/geometry.h"
#include "transcoder/av_ptr.h"
#include "transcoder/detail/decoder.h"
#include "transcoder/detail/muxer.h"
#include "transcoder/detail/run_control.h"

namespace kivotra::detail {

// libx264, High profile with the level x264 picks, average bitrate at
// bitrateKbps, told to expect fps frames a second, BT.709 limited range.
// Throws TranscodeError::writerInit when the encoder refuses.
av::CodecContextPtr openVideoEncoder(Dims canvas, AVRational fps, int bitrateKbps, const std::string& preset,
                                     bool globalHeader);

// The video encode stage: placed frames in, packets to the muxer; written()
// gets each written frame's output time in seconds.
void encodeVideoStage(AVCodecContext* encoder, FrameQueue& frames, Muxer& muxer, int stream, RunControl& control,
                      const std::function<void(double)>& written);

}  // namespace kivotra::detail
