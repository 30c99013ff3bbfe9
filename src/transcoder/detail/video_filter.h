#pragma once

#include <cstdint>
#include <deque>
#include <string>

#include "models/fit_mode.h"
#include "models/geometry.h"
#include "transcoder/av_ptr.h"
#include "transcoder/detail/decoder.h"
#include "transcoder/detail/filter_graph.h"
#include "transcoder/detail/placement.h"
#include "transcoder/detail/run_control.h"

namespace kivotra::detail {

// A frame rate as an exact fraction; a whole number converts (30 is 30/1).
struct FrameRate {
  int num = 30;
  int den = 1;
  FrameRate() = default;
  FrameRate(int perSecond) : num(perSecond) {}  // NOLINT(google-explicit-constructor)
  FrameRate(AVRational rate) : num(rate.num), den(rate.den) {}  // NOLINT(google-explicit-constructor)
  AVRational q() const { return {num, den}; }
};

// What every output frame must be.
struct VideoTarget {
  Dims canvas;
  FrameRate fps;
  FitMode fit = FitMode::keep;
  av::Orientation orientation;
  bool dropsFrames = false;  // the source runs faster than fps
  // The stream's field order (AVFieldOrder) says it is interlaced: its
  // pictures are deinterlaced, whatever the frames say.
  int fieldOrder = AV_FIELD_UNKNOWN;
};

// The colour of a decoded picture as the conversion reads it: ITU code
// points (the values of AVColorPrimaries & co), with guesses for untagged sources.
struct SourceColour {
  int primaries = AVCOL_PRI_BT709;
  int transfer = AVCOL_TRC_BT709;
  int matrix = AVCOL_SPC_BT709;
  bool fullRange = false;

  bool hdr() const { return transfer == AVCOL_TRC_SMPTE2084 || transfer == AVCOL_TRC_ARIB_STD_B67; }
};

// How a frame's colour tags are read (untagged values guessed from its size).
SourceColour sourceColour(const AVFrame& frame);

// The libavfilter filters that turn a picture of that colour and bit depth
// into BT.709 limited-range yuv420p of width x height (HDR tone mapped, deeper
// sources dithered): the colour path the output and the cover share.
FilterText describeColourPath(const SourceColour& colour, int sourceDepth, int width, int height);

// The frame placement and colour stage over one filter graph. The graph
// is built for the first frame's format and rebuilt when a later frame's
// format changes, continuing on the same constant-rate clock.
class VideoFilter {
 public:
  // timeBase: of the pts of the frames that will be sent (the source stream's).
  VideoFilter(const VideoTarget& target, AVRational timeBase);

  // Sends one decoded frame whose pts counts from the output's zero.
  void send(av::FramePtr frame);
  // No more frames; the source's video ends at endPts (in timeBase).
  void close(std::int64_t endPts);
  // The next output frame (pts in 1/fps), or null when the graph needs more
  // input or has ended.
  av::FramePtr receive();

 private:
  struct Shape {
    int width = 0, height = 0, format = -1;
    AVRational aspect{0, 1};
    SourceColour colour;
    bool deinterlace = false;
    bool operator==(const Shape& o) const {
      return width == o.width && height == o.height && format == o.format && av_cmp_q(aspect, o.aspect) == 0 &&
             deinterlace == o.deinterlace && colour.primaries == o.colour.primaries &&
             colour.transfer == o.colour.transfer && colour.matrix == o.colour.matrix &&
             colour.fullRange == o.colour.fullRange;
    }
  };
  void build(const Shape& shape);
  void drainAll();

  VideoTarget target_;
  AVRational timeBase_;
  FilterGraph graph_;
  Shape shape_;
  std::int64_t nextPts_ = 0;          // the next output tick, 1/fps
  bool interlacedSeen_ = false;       // a frame said interlaced: deinterlace from there on
  bool framesMarked_ = false;         // the frame the graph was built for said interlaced
  std::deque<av::FramePtr> drained_;  // output of a graph replaced mid-stream
  bool ended_ = false;
};

}  // namespace kivotra::detail
