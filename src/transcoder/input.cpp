#include "transcoder/input.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

#include "models/errors.h"
#include "transcoder/av_error.h"

namespace kivotra::detail {

namespace {

constexpr int kIoBufferSize = 1 << 16;

}  // namespace

// The source file, opened non-blocking so that a pipe without data makes the
// read wait in poll() with a short timeout instead of in the kernel for good.
struct Input::Source {
  int fd = -1;
  bool regular = false;
  RunControl* control = nullptr;

  ~Source() {
    if (fd >= 0) ::close(fd);
  }

  static int read(void* opaque, std::uint8_t* buffer, int size) {
    auto* self = static_cast<Source*>(opaque);
    for (;;) {
      if (self->control->stopRequested()) return AVERROR_EXIT;
      const ssize_t n = ::read(self->fd, buffer, static_cast<size_t>(size));
      if (n > 0) return static_cast<int>(n);
      if (n == 0) return AVERROR_EOF;
      if (errno == EINTR) continue;
      if (errno != EAGAIN && errno != EWOULDBLOCK) return AVERROR(errno);
      pollfd p{self->fd, POLLIN, 0};
      ::poll(&p, 1, 100);
    }
  }

  static std::int64_t seek(void* opaque, std::int64_t offset, int whence) {
    auto* self = static_cast<Source*>(opaque);
    if (!self->regular) return AVERROR(ESPIPE);
    if (whence & AVSEEK_SIZE) {
      struct stat st {};
      if (::fstat(self->fd, &st) != 0) return AVERROR(errno);
      return st.st_size;
    }
    const off_t at = ::lseek(self->fd, offset, whence & ~AVSEEK_FORCE);
    return at < 0 ? AVERROR(errno) : at;
  }
};

Input::Input(const std::filesystem::path& source, RunControl& control)
    : control_(control), source_(std::make_unique<Source>()) {
  source_->control = &control;
  source_->fd = ::open(source.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (source_->fd < 0) throw PlatformError::fromErrno(errno);
  struct stat st {};
  if (::fstat(source_->fd, &st) != 0) throw PlatformError::fromErrno(errno);
  if (S_ISDIR(st.st_mode)) throw PlatformError::fromErrno(EISDIR);
  source_->regular = S_ISREG(st.st_mode);

  auto* buffer = static_cast<std::uint8_t*>(av_malloc(kIoBufferSize));
  if (buffer == nullptr) throw PlatformError::fromErrno(ENOMEM);
  io_.reset(avio_alloc_context(buffer, kIoBufferSize, 0, source_.get(), &Source::read, nullptr, &Source::seek));
  if (!io_) {
    av_free(buffer);
    throw PlatformError::fromErrno(ENOMEM);
  }
  io_->seekable = source_->regular ? AVIO_SEEKABLE_NORMAL : 0;

  AVFormatContext* raw = avformat_alloc_context();
  if (raw == nullptr) throw PlatformError::fromErrno(ENOMEM);
  raw->pb = io_.get();
  raw->flags |= AVFMT_FLAG_CUSTOM_IO;
  raw->interrupt_callback = control.interruptCallback();
  // The name only helps format detection; the bytes come from our callbacks.
  int err = avformat_open_input(&raw, source.c_str(), nullptr, nullptr);
  if (err < 0) throw av::platformErrorFromAv(err);  // avformat_open_input freed raw
  format_.reset(raw);
  err = avformat_find_stream_info(format_.get(), nullptr);
  if (err < 0) throw av::platformErrorFromAv(err);

  for (unsigned i = 0; i < format_->nb_streams; ++i) {
    AVStream* st = format_->streams[i];
    const AVMediaType type = st->codecpar->codec_type;
    if (type == AVMEDIA_TYPE_VIDEO && !video_ && !(st->disposition & AV_DISPOSITION_ATTACHED_PIC)) {
      video_ = st;
    } else if (type == AVMEDIA_TYPE_AUDIO && !audio_) {
      audio_ = st;
    } else {
      st->discard = AVDISCARD_ALL;
    }
  }
  if (!video_) throw TranscodeError::noVideoTrack();
}

Input::~Input() = default;

void Input::dropAudio() {
  if (audio_) audio_->discard = AVDISCARD_ALL;
  audio_ = nullptr;
}

std::int64_t Input::timelineStart() const {
  std::int64_t start = AV_NOPTS_VALUE;
  for (AVStream* st : {video_, audio_}) {
    if (st == nullptr || st->start_time == AV_NOPTS_VALUE) continue;
    const std::int64_t at = av_rescale_q(st->start_time, st->time_base, AV_TIME_BASE_Q);
    if (start == AV_NOPTS_VALUE || at < start) start = at;
  }
  return start == AV_NOPTS_VALUE ? 0 : start;
}

void Input::run(PacketQueue& video, PacketQueue* audio) {
  const std::stop_token stop = control_.token();
  for (;;) {
    av::PacketPtr packet = av::makePacket();
    if (!packet) {
      control_.readerFailed(std::make_exception_ptr(TranscodeError::readerInit(PlatformError::fromErrno(ENOMEM).description())));
      return;
    }
    const int err = av_read_frame(format_.get(), packet.get());
    if (err == AVERROR(EAGAIN)) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
      continue;
    }
    if (err == AVERROR_EOF) break;
    if (err < 0) {
      if (!stop.stop_requested()) {
        control_.readerFailed(std::make_exception_ptr(TranscodeError::readerInit(av::platformErrorFromAv(err).description())));
      }
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
