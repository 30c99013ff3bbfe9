#pragma once

extern "C" {
#include <libavutil/frame.h>
}

namespace kivotra::detail {

// The brightest level an HDR picture may reach, in units of SDR white
// (100 cd/m²): the content's stated light level, else its mastering
// display's peak, else 10 (1000 cd/m², what HLG is graded for).
double hdrSignalPeak(const AVFrame& frame);

// Brings a linear-light RGB picture (gbrpf32le, 1.0 = SDR white) whose
// brightest level is `peak` into SDR's range, in place: each pixel is scaled
// by the Möbius curve of its brightest component, which leaves shadows and
// mid-tones (up to 0.3) as they are and rolls the highlights off towards 1.0
// without shifting their hue. The same numbers as libavfilter's
// tonemap=mobius:desat=0, a few times faster.
void toneMapMobius(AVFrame& frame, double peak);

}  // namespace kivotra::detail
