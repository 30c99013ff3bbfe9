#include "transcoder/demuxer.h"

#include <thread>

#include "models/errors.h"
#include "transcoder/av_error.h"

namespace kivotra::detail {

Demuxer::Demuxer(const std::filesystem::path& source, RunControl& control)
    : control_(control), input_(source, av::MediaInput::Clock::time_point::max(), control.token()) {
  const int video = input_.firstVideoStream();
  if (video < 0) throw TranscodeError::noVideoTrack();
  video_ = input_.stream(video);
  if (const int audio = input_.firstAudioStream(); audio >= 0) audio_ = input_.stream(audio);
  for (unsigned i = 0; i < input_.context()->nb_streams; ++i) {
    AVStream* st = input_.stream(static_cast<int>(i));
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

void Demuxer::run(PacketQueue& video, PacketQueue* audio) {
  const std::stop_token stop = control_.token();
  const auto readerFailed = [&](int err) {
    control_.readerFailed(
        std::make_exception_ptr(TranscodeError::readerInit(av::platformErrorFromAv(err).description())));
  };
  for (;;) {
    av::PacketPtr packet = av::makePacket();
    if (!packet) return readerFailed(AVERROR(ENOMEM));
    const int err = av_read_frame(input_.context(), packet.get());
    if (err == AVERROR(EAGAIN)) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
      continue;
    }
    if (err == AVERROR_EOF) break;
    if (err < 0) {
      if (!stop.stop_requested()) readerFailed(err);
      return;
    }
    PacketQueue* target = nullptr;
    if (packet->stream_index == video_->index) target = &video;
    if (audio_ && audio && packet->stream_index == audio_->index) target = audio;
    if (target && !target->push(std::move(packet), stop)) return;
  }
  video.close();
  if (audio) audio->close();
}

}  // namespace kivotra::detail
