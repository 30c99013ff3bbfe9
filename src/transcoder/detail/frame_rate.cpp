#include "transcoder/detail/frame_rate.h"

#include <algorithm>
#include <cmath>

extern "C" {
#include <libavformat/avformat.h>
}

#include "transcoder/av_ptr.h"

namespace kivotra::detail {

namespace {

// How many frames the measurement looks at: enough that a pause or a burst
// does not decide the median, few enough that reading them costs little.
constexpr int kIndexFrames = 100000;
constexpr int kReadFrames = 120;
constexpr double kAgreement = 0.02;

bool valid(AVRational rate) { return rate.num > 0 && rate.den > 0; }

}  // namespace

double medianStep(std::vector<std::int64_t> times) {
  std::sort(times.begin(), times.end());
  times.erase(std::unique(times.begin(), times.end()), times.end());
  if (times.size() < 2) return 0;
  std::vector<std::int64_t> steps(times.size() - 1);
  for (std::size_t i = 1; i < times.size(); ++i) steps[i - 1] = times[i] - times[i - 1];
  const auto middle = steps.begin() + static_cast<std::ptrdiff_t>(steps.size() / 2);
  std::nth_element(steps.begin(), middle, steps.end());
  return static_cast<double>(*middle);
}

double typicalRate(AVRational real, AVRational average, double medianInterval, double framesPerSecond) {
  const double measured = medianInterval > 0 ? 1 / medianInterval : 0;
  for (const AVRational rate : {real, average}) {
    if (!valid(rate)) continue;
    if (measured == 0 || std::abs(av_q2d(rate) / measured - 1) <= kAgreement) return av_q2d(rate);
  }
  if (measured > 0) return measured;
  return std::isfinite(framesPerSecond) && framesPerSecond > 0 ? framesPerSecond : 0;
}

double measureFrameInterval(av::MediaInput& input, int videoStream) {
  AVStream* st = input.stream(videoStream);
  std::vector<std::int64_t> times;
  const int indexed = avformat_index_get_entries_count(st);
  if (indexed >= 2 && st->nb_frames > 0 && indexed >= st->nb_frames) {
    const int count = std::min(indexed, kIndexFrames);
    times.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
      const AVIndexEntry* entry = avformat_index_get_entry(st, i);
      if (entry != nullptr && !(entry->flags & AVINDEX_DISCARD_FRAME)) times.push_back(entry->timestamp);
    }
  } else {
    av::PacketPtr packet = av::makePacket();
    while (packet && static_cast<int>(times.size()) < kReadFrames && !input.pastDeadline() &&
           av_read_frame(input.context(), packet.get()) >= 0) {
      if (packet->stream_index == videoStream) {
        const std::int64_t t = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
        if (t != AV_NOPTS_VALUE) times.push_back(t);
      }
      av_packet_unref(packet.get());
    }
  }
  return medianStep(std::move(times)) * av_q2d(st->time_base);
}

AVRational exactRate(double fps) {
  if (!(fps > 0) || !std::isfinite(fps)) return {0, 1};
  const double whole = std::round(fps);
  const double ntsc = std::round(fps * 1.001);
  const double wholeError = std::abs(fps / whole - 1);
  const double ntscError = std::abs(fps * 1.001 / ntsc - 1);
  if (whole >= 1 && wholeError <= 0.005 && wholeError <= ntscError) return {static_cast<int>(whole), 1};
  if (ntsc >= 1 && ntscError <= 0.005 && ntsc <= 1e6) return {static_cast<int>(ntsc) * 1000, 1001};
  return av_d2q(fps, 1001);
}

AVRational outputRate(const ProbeInfo& info, const Transcoder::Config& config) {
  const double src = info.fps > 0 && std::isfinite(info.fps) ? info.fps : 0;
  AVRational rate{30, 1};
  if (config.fps >= 1) {
    rate = src > 0 && src < config.fps ? exactRate(src) : AVRational{config.fps, 1};
  } else if (src > 0) {
    rate = src > kMaxFps ? AVRational{kMaxFps, 1} : exactRate(src);
  }
  if (!valid(rate) || av_q2d(rate) < 1) return {1, 1};
  return rate;
}

}  // namespace kivotra::detail

namespace kivotra::Transcoder {

int outputFPS(const ProbeInfo& info, const Config& config) {
  return std::max(1, static_cast<int>(std::lround(av_q2d(detail::outputRate(info, config)))));
}

}  // namespace kivotra::Transcoder
