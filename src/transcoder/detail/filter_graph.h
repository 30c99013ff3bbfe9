#pragma once

#include <cstdint>
#include <string>

#include "transcoder/av_ptr.h"

namespace kivotra::detail {

// A filter chain in libavfilter's text, in two parts where HDR is tone
// mapped: libavfilter's own tone mapping is scalar and redoes its curve for
// every pixel, so the picture leaves the graph in linear light for ours.
struct FilterText {
  std::string chain;         // the whole chain, or up to linear-light BT.709 RGB (gbrpf32le)
  std::string afterToneMap;  // from the tone-mapped picture on; empty when nothing is tone mapped

  bool toneMaps() const { return !afterToneMap.empty(); }
};

// The frames a buffer source is told to expect.
struct FrameFormat {
  int width = 0;
  int height = 0;
  int format = -1;  // AVPixelFormat
  AVRational timeBase{1, 1};
  AVRational aspect{1, 1};
};

// Frames through a FilterText: one libavfilter graph, or two with the tone
// mapping between them. The calls and their results are those of a buffer
// source and sink.
class FilterGraph {
 public:
  // Builds the graph for frames of `input`; `threads` slice threads per
  // graph, 0 for one per core. libavfilter's error code, or 0.
  int build(const FrameFormat& input, const FilterText& text, int threads);
  // Sends one frame (its data moves into the graph).
  int send(AVFrame* frame);
  // No more frames; the input ends at pts (in the input's time base).
  int close(std::int64_t pts);
  // The next frame: 0, AVERROR(EAGAIN) when more input is needed, or AVERROR_EOF.
  int receive(AVFrame* frame);
  // The last build() succeeded.
  bool built() const { return first_.graph != nullptr; }

 private:
  struct Part {
    av::FilterGraphPtr graph;
    AVFilterContext* source = nullptr;  // owned by graph
    AVFilterContext* sink = nullptr;    // owned by graph
    int build(const FrameFormat& input, const std::string& chain, int threads);
  };
  // Moves what the first part has ready through the tone mapping into the
  // second; 0, AVERROR(EAGAIN) or an error.
  int feedSecond();

  Part first_;
  Part second_;  // after the tone mapping; without a graph when there is none
  AVRational inputTimeBase_{1, 1};
  std::int64_t endPts_ = AV_NOPTS_VALUE;  // where close() said the input ends
  bool secondClosed_ = false;
};

}  // namespace kivotra::detail
