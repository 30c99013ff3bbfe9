#pragma once

#include <cstdint>

extern "C" {
#include <libavcodec/avcodec.h>
}

namespace kivotra::detail {

// Whether a source frame at `pts` (time base `timeBase`, counted from the
// output's zero) is one the constant-rate clock of `rate` frames a second
// drops: the next frame, `duration` later, lands on the same output tick and
// is shown in its place. Ticks are rounded to the nearest, halves up, as the
// output's rate conversion rounds them.
bool rateDropsFrame(std::int64_t pts, std::int64_t duration, AVRational timeBase, AVRational rate);

// Reads from a compressed H.264 or HEVC packet whether its picture is one no
// other picture refers to, so that leaving it undecoded changes nothing else
// in the stream. Knows only length-prefixed streams (MP4, MOV, MKV); says no
// for everything it cannot read for certain.
class DisposablePictures {
 public:
  explicit DisposablePictures(const AVCodecParameters& stream);

  bool disposable(const AVPacket& packet) const;

 private:
  enum class Syntax { none, h264, hevc };
  Syntax syntax_ = Syntax::none;
  int lengthSize_ = 4;
  int topLayer_ = -1;  // HEVC: the highest temporal sub-layer, -1 when not stated
};

}  // namespace kivotra::detail
