#include "transcoder/detail/video_path.h"

#include <algorithm>

extern "C" {
#include <libavformat/avformat.h>
}

#include "models/errors.h"
#include "models/text.h"
#include "transcoder/detail/decoder.h"
#include "transcoder/detail/picture_skip.h"

namespace kivotra::detail {

void decodeVideoStage(const VideoSource& source, PacketQueue& packets, DecodedVideo& out, RunControl& control) {
  const std::stop_token stop = control.token();
  const AVStream* stream = source.stream;
  const AVRational rate = stream->avg_frame_rate.num > 0 ? stream->avg_frame_rate : stream->r_frame_rate;
  const std::int64_t typicalDuration =
      rate.num > 0 ? std::max<std::int64_t>(1, av_rescale_q(1, av_inv_q(rate), stream->time_base)) : 1;
  std::int64_t lastPts = AV_NOPTS_VALUE;
  std::int64_t endPts = AV_NOPTS_VALUE;
  const auto reach = [&](std::int64_t pts, std::int64_t duration) {
    endPts = endPts == AV_NOPTS_VALUE ? pts + duration : std::max(endPts, pts + duration);
  };

  const DisposablePictures pictures(*stream->codecpar);
  PacketGate gate;
  if (source.dropsToRate.num > 0) {
    gate = [&](const AVPacket& packet) {
      // Where the next picture comes, at the earliest: some writers state
      // packet durations shorter than the frames' spacing, and a gap taken
      // too short would leave out a picture the output shows.
      const std::int64_t next = std::max(packet.duration, typicalDuration);
      if (packet.pts == AV_NOPTS_VALUE ||
          !rateDropsFrame(packet.pts - source.startPts, next, stream->time_base, source.dropsToRate) ||
          !pictures.disposable(packet)) {
        return true;
      }
      reach(packet.pts, packet.duration > 0 ? packet.duration : typicalDuration);  // the video lasts until its end
      ++out.skipped;
      return false;
    };
  }

  const auto deliver = [&](av::FramePtr frame) {
    ++out.decoded;
    std::int64_t pts = frame->best_effort_timestamp;
    if (pts == AV_NOPTS_VALUE) pts = lastPts == AV_NOPTS_VALUE ? source.startPts : lastPts + typicalDuration;
    lastPts = pts;
    reach(pts, frame->pkt_duration > 0 ? frame->pkt_duration : typicalDuration);
    frame->pts = pts - source.startPts;
    // The probe sized the canvas with the container's pixel aspect where it
    // states one (a MOV's pasp over a ProRes or H.264 stream's own); the
    // picture is placed by the same rule.
    frame->sample_aspect_ratio = av_guess_sample_aspect_ratio(nullptr, const_cast<AVStream*>(stream), frame.get());
    return out.frames.push(std::move(frame), stop);
  };

  if (!decodeAll(source.decoder, packets, deliver, control, gate)) return;
  if (lastPts == AV_NOPTS_VALUE) throw TranscodeError::readerInit(translate("Engine", "源文件中没有可解码的视频画面"));
  out.endPts = endPts - source.startPts;
  out.frames.close();
}

void placeVideoStage(DecodedVideo& in, VideoFilter& filter, FrameQueue& placed, RunControl& control) {
  const std::stop_token stop = control.token();
  const auto forward = [&] {
    while (av::FramePtr frame = filter.receive()) {
      if (!placed.push(std::move(frame), stop)) return false;
    }
    return true;
  };
  while (auto frame = in.frames.pop(stop)) {
    filter.send(std::move(*frame));
    if (!forward()) return;
  }
  if (control.stopRequested()) return;
  filter.close(in.endPts);
  if (!forward()) return;
  placed.close();
}

}  // namespace kivotra::detail
