#include <algorithm>
#include <cmath>

#include "models/format.h"
#include "models/text.h"
#include "transcoder/av_error.h"
#include "transcoder/detail/frame_rate.h"
#include "transcoder/detail/cancel_watch.h"
#include "transcoder/detail/media_input.h"
#include "transcoder/detail/orientation.h"
#include "transcoder/detail/thumbnail.h"
#include "transcoder/transcoder.h"

namespace kivotra::Transcoder {

namespace {

constexpr int thumbnailEdge = 320;

double seconds(std::int64_t duration) {
  return duration == AV_NOPTS_VALUE ? NAN : static_cast<double>(duration) / AV_TIME_BASE;
}

// How long the streams in use say they last, in seconds; NaN when none says.
// A container header can claim hours for a clip of seconds; the tracks'
// own durations come from their sample tables.
double trackSeconds(const av::MediaInput& input, int video) {
  double longest = NAN;
  for (const int index : {video, input.firstAudioStream()}) {
    if (index < 0) continue;
    const AVStream* st = input.stream(index);
    if (st->duration == AV_NOPTS_VALUE || st->duration <= 0) continue;
    const double s = static_cast<double>(st->duration) * av_q2d(st->time_base);
    if (!(s <= longest)) longest = s;
  }
  return longest;
}

// The container's duration unless the tracks disagree with it by more than
// a second and a twentieth: then the tracks'.
double sourceSeconds(const av::MediaInput& input, int video) {
  const double container = seconds(input.context()->duration);
  const double tracks = trackSeconds(input, video);
  if (std::isnan(tracks)) return container;
  if (std::isnan(container) || std::fabs(container - tracks) > std::max(1.0, 0.05 * tracks)) return tracks;
  return container;
}

std::int64_t sizeOnDisk(const std::filesystem::path& path) {
  std::error_code error;
  const std::uintmax_t size = std::filesystem::file_size(path, error);
  return error ? 0 : static_cast<std::int64_t>(size);
}

// The measuring itself, over a source opened with the probe's stop and deadline.
ProbeInfo measure(av::MediaInput& input, const std::filesystem::path& source,
                  av::MediaInput::Clock::time_point deadline) {
  const int video = input.firstVideoStream();
  if (video < 0) throw TranscodeError::noVideoTrack();
  const AVStream* st = input.stream(video);
  if (avcodec_find_decoder(st->codecpar->codec_id) == nullptr) throw av::platformErrorFromAv(AVERROR_DECODER_NOT_FOUND);
  if (st->codecpar->width <= 0 || st->codecpar->height <= 0) throw av::platformErrorFromAv(AVERROR_INVALIDDATA);

  ProbeInfo info;
  const double duration = sourceSeconds(input, video);
  info.duration = duration >= 0 ? duration : 0;  // NaN fails the test too
  const av::Size size = av::displaySize(st);
  info.width = size.width;
  info.height = size.height;
  info.fileSize = sizeOnDisk(source);

  if (const int audio = input.firstAudioStream(); audio >= 0) {
    info.hasAudio = true;
    const AVCodecParameters* par = input.stream(audio)->codecpar;
    if (par->sample_rate > 0 && par->ch_layout.nb_channels > 0) {
      info.audioSampleRate = par->sample_rate;
      info.audioChannels = par->ch_layout.nb_channels;
    }
  }

  input.setDeadline(std::min(deadline, av::MediaInput::Clock::now() + av::kCoverTimeLimit));
  info.thumbnail = av::coverFrame(input, video, thumbnailEdge);
  // Frames over duration only as the last resort: a recording that pauses
  // would count its pauses as slow motion.
  const double framesPerSecond = st->nb_frames > 0 && duration > 0 ? st->nb_frames / duration : 0;
  info.fps = detail::typicalRate(st->r_frame_rate, st->avg_frame_rate, detail::measureFrameInterval(input, video),
                                 framesPerSecond);
  return info;
}

}  // namespace

ProbeInfo probeSync(const std::filesystem::path& source, const CancelFn& isCancelled,
                    std::chrono::milliseconds timeLimit) {
  using Clock = av::MediaInput::Clock;
  const Clock::time_point deadline = Clock::now() + timeLimit;
  const detail::CancelWatch watch(isCancelled);
  // The stop and the deadline end every blocked read with AVERROR_EXIT; what
  // that turns into is said here, by why the read was ended.
  const auto gaveUp = [&] {
    if (watch.cancelled()) throw TranscodeError::cancelled();
    if (Clock::now() >= deadline) {
      const auto ms = timeLimit.count();
      const std::string seconds = ms % 1000 == 0 ? std::to_string(ms / 1000) : formatFixed(ms / 1000.0, 1);
      throw PlatformError(PlatformError::Cause::io, fillIn(translate("Engine", "%1 秒内没有读到数据"), {seconds}));
    }
  };
  try {
    av::MediaInput input(source, deadline, watch.token(), av::MediaInput::Analysis::indexed);
    ProbeInfo info = measure(input, source, deadline);
    // A cover cut short by the deadline still leaves a result; one cut short by a stop does not.
    if (watch.cancelled()) throw TranscodeError::cancelled();
    return info;
  } catch (const Error&) {
    gaveUp();
    throw;
  }
}

ProbeInfo probeSync(const std::filesystem::path& source) { return probeSync(source, {}); }

std::future<ProbeInfo> probe(const std::filesystem::path& source) {
  return std::async(std::launch::async, [source] { return probeSync(source); });
}

}  // namespace kivotra::Transcoder
