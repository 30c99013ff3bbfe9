#include "transcoder/detail/demuxer.h"

#include <algorithm>
#include <cstdio>
#include <thread>

#include "models/errors.h"
#include "models/format.h"
#include "models/text.h"
#include "transcoder/av_error.h"

namespace kivotra::detail {

Demuxer::Demuxer(const std::filesystem::path& source, RunControl& control)
    : Demuxer(std::make_unique<av::MediaInput>(source, av::MediaInput::Clock::time_point::max(), control.token()),
              control) {}

Demuxer::Demuxer(std::unique_ptr<av::MediaInput> input, RunControl& control)
    : control_(control), input_(std::move(input)) {
  input_->setStop(control.token());
  input_->setDeadline(av::MediaInput::Clock::time_point::max());
  const int video = input_->firstVideoStream();
  if (video < 0) throw TranscodeError::noVideoTrack();
  video_ = input_->stream(video);
  if (const int audio = input_->firstAudioStream(); audio >= 0) audio_ = input_->stream(audio);
  for (unsigned i = 0; i < input_->context()->nb_streams; ++i) {
    AVStream* st = input_->stream(static_cast<int>(i));
    if (st != video_ && st != audio_) st->discard = AVDISCARD_ALL;
  }
}

void Demuxer::dropAudio() {
  if (audio_) audio_->discard = AVDISCARD_ALL;
  audio_ = nullptr;
}

std::int64_t Demuxer::timelineStart() const {
  std::int64_t start = AV_NOPTS_VALUE;
  for (const AVStream* st : {video_, audio_}) {
    if (st == nullptr || st->start_time == AV_NOPTS_VALUE) continue;
    const std::int64_t at = av_rescale_q(st->start_time, st->time_base, AV_TIME_BASE_Q);
    if (start == AV_NOPTS_VALUE || at < start) start = at;
  }
  return start == AV_NOPTS_VALUE ? 0 : start;
}

namespace {

// Where the video stream's index says its last frame ends, in its time base;
// AV_NOPTS_VALUE when the container does not say.
std::int64_t indexedVideoEnd(const AVStream* st) {
  if (st->duration == AV_NOPTS_VALUE || st->duration <= 0) return AV_NOPTS_VALUE;
  return (st->start_time == AV_NOPTS_VALUE ? 0 : st->start_time) + st->duration;
}

}  // namespace

void Demuxer::run(PacketQueue& video, PacketQueue* audio) {
  const std::stop_token stop = control_.token();
  const auto readerFailed = [&](int err) {
    control_.readerFailed(
        std::make_exception_ptr(TranscodeError::readerInit(av::platformErrorFromAv(err).description())));
  };
  // A file cut short at a sample boundary reads like a whole one that ends
  // early; against its index, the missing part shows.
  std::int64_t videoEnd = AV_NOPTS_VALUE;
  const auto brokeOff = [&] {
    const std::int64_t indexed = indexedVideoEnd(video_);
    if (indexed == AV_NOPTS_VALUE) return false;
    const double tb = av_q2d(video_->time_base);
    const double missing = (indexed - (videoEnd == AV_NOPTS_VALUE ? 0 : videoEnd)) * tb;
    return missing > std::max(0.5, 0.02 * video_->duration * tb);
  };
  for (;;) {
    av::PacketPtr packet = av::makePacket();
    if (!packet) return readerFailed(AVERROR(ENOMEM));
    const int err = av_read_frame(input_->context(), packet.get());
    if (err == AVERROR(EAGAIN)) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
      continue;
    }
    if (err == AVERROR_EOF) {
      if (!brokeOff()) break;
      const std::string detail =
          fillIn(translate("Engine", "源文件不完整：索引记载 %1 秒画面，只读到 %2 秒"),
                 {formatFixed(indexedVideoEnd(video_) * av_q2d(video_->time_base), 1),
                  formatFixed(videoEnd == AV_NOPTS_VALUE ? 0.0 : videoEnd * av_q2d(video_->time_base), 1)});
      control_.readerFailed(std::make_exception_ptr(TranscodeError::readerInit(detail)));
      return;
    }
    if (err < 0) {
      if (!stop.stop_requested()) readerFailed(err);
      return;
    }
    PacketQueue* target = nullptr;
    if (packet->stream_index == video_->index) {
      target = &video;
      if (packet->pts != AV_NOPTS_VALUE) {
        const std::int64_t end = packet->pts + std::max<std::int64_t>(packet->duration, 0);
        videoEnd = videoEnd == AV_NOPTS_VALUE ? end : std::max(videoEnd, end);
      }
    }
    if (audio_ && audio && packet->stream_index == audio_->index) target = audio;
    if (target && !target->push(std::move(packet), stop)) return;
  }
  video.close();
  if (audio) audio->close();
}

}  // namespace kivotra::detail
