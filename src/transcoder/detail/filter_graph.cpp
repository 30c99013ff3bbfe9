#include "transcoder/detail/filter_graph.h"

extern "C" {
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavutil/mathematics.h>
}

#include "models/format.h"
#include "transcoder/detail/tone_map.h"

namespace kivotra::detail {

namespace {

int parseChain(AVFilterGraph* graph, const std::string& chain, AVFilterContext* source, AVFilterContext* sink) {
  av::FilterInOutPtr outputs(avfilter_inout_alloc());
  av::FilterInOutPtr inputs(avfilter_inout_alloc());
  if (!outputs || !inputs) return AVERROR(ENOMEM);
  outputs->name = av_strdup("in");
  outputs->filter_ctx = source;
  inputs->name = av_strdup("out");
  inputs->filter_ctx = sink;
  AVFilterInOut* outs = outputs.release();
  AVFilterInOut* ins = inputs.release();
  const int err = avfilter_graph_parse_ptr(graph, chain.c_str(), &ins, &outs, nullptr);
  outputs.reset(outs);
  inputs.reset(ins);
  return err;
}

}  // namespace

int FilterGraph::Part::build(const FrameFormat& input, const std::string& chain, int threads) {
  graph.reset(avfilter_graph_alloc());
  if (!graph) return AVERROR(ENOMEM);
  graph->nb_threads = threads;
  const std::string args =
      formatText("video_size=%dx%d:pix_fmt=%d:time_base=%d/%d:pixel_aspect=%d/%d", input.width, input.height,
                 input.format, input.timeBase.num, input.timeBase.den, input.aspect.num, input.aspect.den);
  int err = avfilter_graph_create_filter(&source, avfilter_get_by_name("buffer"), "in", args.c_str(), nullptr,
                                         graph.get());
  if (err < 0) return err;
  err = avfilter_graph_create_filter(&sink, avfilter_get_by_name("buffersink"), "out", nullptr, nullptr, graph.get());
  if (err < 0) return err;
  err = parseChain(graph.get(), chain, source, sink);
  if (err < 0) return err;
  return avfilter_graph_config(graph.get(), nullptr);
}

int FilterGraph::build(const FrameFormat& input, const FilterText& text, int threads) {
  inputTimeBase_ = input.timeBase;
  endPts_ = AV_NOPTS_VALUE;
  secondClosed_ = false;
  second_ = Part{};
  int err = first_.build(input, text.chain, threads);
  if (err >= 0 && text.toneMaps()) {
    const AVFilterContext* sink = first_.sink;
    const FrameFormat linear{av_buffersink_get_w(sink), av_buffersink_get_h(sink), av_buffersink_get_format(sink),
                             av_buffersink_get_time_base(sink), av_buffersink_get_sample_aspect_ratio(sink)};
    err = second_.build(linear, text.afterToneMap, threads);
  }
  if (err < 0) {
    first_ = Part{};
    second_ = Part{};
  }
  return err;
}

int FilterGraph::send(AVFrame* frame) { return av_buffersrc_add_frame_flags(first_.source, frame, 0); }

int FilterGraph::close(std::int64_t pts) {
  endPts_ = pts;
  return av_buffersrc_close(first_.source, pts, 0);
}

int FilterGraph::feedSecond() {
  av::FramePtr frame = av::makeFrame();
  if (!frame) return AVERROR(ENOMEM);
  int err = av_buffersink_get_frame(first_.sink, frame.get());
  if (err == AVERROR_EOF) {
    if (secondClosed_) return err;
    secondClosed_ = true;
    const AVRational linearBase = av_buffersink_get_time_base(first_.sink);
    return av_buffersrc_close(second_.source, av_rescale_q(endPts_, inputTimeBase_, linearBase), 0);
  }
  if (err < 0) return err;
  err = av_frame_make_writable(frame.get());
  if (err < 0) return err;
  toneMapMobius(*frame, hdrSignalPeak(*frame));
  return av_buffersrc_add_frame_flags(second_.source, frame.get(), 0);
}

int FilterGraph::receive(AVFrame* frame) {
  if (!second_.graph) return av_buffersink_get_frame(first_.sink, frame);
  for (;;) {
    const int err = av_buffersink_get_frame(second_.sink, frame);
    if (err != AVERROR(EAGAIN)) return err;
    const int fed = feedSecond();
    if (fed < 0) return fed;
  }
}

}  // namespace kivotra::detail
