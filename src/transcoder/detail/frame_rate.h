#pragma once

#include <cstdint>
#include <vector>

extern "C" {
#include <libavutil/rational.h>
}

#include "models/probe_info.h"
#include "transcoder/detail/media_input.h"
#include "transcoder/transcoder.h"

namespace kivotra::detail {

using Transcoder::kMaxFps;

// The median step between neighbouring distinct times, in the times' unit;
// 0 with fewer than two distinct times. Order does not matter.
double medianStep(std::vector<std::int64_t> times);

// A source's rate, frames a second: its typical frame interval. The stream's
// declared rates (real, then average) when one agrees with the measured
// median interval (seconds, 0 when unmeasured) within 2 %, else the median
// itself; frames over duration only when nothing else is known; 0 when not
// even that is.
double typicalRate(AVRational real, AVRational average, double medianInterval, double framesPerSecond);

// The probe's measurement: the median interval in seconds between the
// stream's frames, read from the container's index when it lists every frame,
// else from the next packets of the input (at most a few hundred). 0 when the
// stream has fewer than two frames with times.
double measureFrameInterval(av::MediaInput& input, int videoStream);

// A measured rate as the fraction it stands for: within 0.5 % of a whole rate
// or of one of the 1000/1001 family (29.97, 23.976, 59.94, ...) exactly that,
// else the closest fraction with a small denominator.
AVRational exactRate(double fps);

// The output's exact rate: the source's own for 0 (at most kMaxFps), the
// requested one when the source is not slower, 30 when neither is known; at
// least 1. Transcoder::outputFPS is this rounded.
AVRational outputRate(const ProbeInfo& info, const Transcoder::Config& config);

}  // namespace kivotra::detail
