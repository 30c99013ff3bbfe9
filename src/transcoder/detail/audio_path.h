#pragma once

#include <cstdint>

#include "models/probe_info.h"
#include "transcoder/av_ptr.h"
#include "transcoder/detail/decoder.h"
#include "transcoder/detail/muxer.h"
#include "transcoder/detail/run_control.h"

namespace kivotra::detail {

struct AudioFormat {
  int sampleRate = 48000;
  int channels = 2;
  bool operator==(const AudioFormat&) const = default;
};

// What the AAC output is for this source: the source's rate when the encoder
// takes it (48 kHz when not), stereo from two or more channels, else mono.
AudioFormat aacFormatFor(const ProbeInfo& info);

// FFmpeg's native AAC encoder at 128 kbit/s; null when it refuses the format,
// in which case the output simply has no audio.
av::CodecContextPtr openAudioEncoder(const AudioFormat& format, bool globalHeader);

// Where the audio comes from and goes to.
struct AudioRoute {
  AVCodecContext* decoder = nullptr;
  AVCodecContext* encoder = nullptr;
  AVRational sourceTimeBase{1, 1};
  std::int64_t startPts = 0;  // the output's zero, in sourceTimeBase
  int stream = -1;            // the output's audio stream
};

// The audio path on one thread: packets decoded, resampled and down-mixed to
// the encoder's format (standard levels, a limiter against clipping), placed by
// their timestamps (startPts, in the source stream's time base, becomes zero;
// gaps are filled with silence and overlaps dropped), re-cut into frames of
// exactly the encoder's frame size (only the last is short), encoded and written.
void audioStage(const AudioRoute& route, PacketQueue& packets, Muxer& muxer, RunControl& control);

}  // namespace kivotra::detail
