#include "transcoder/detail/muxer.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <string_view>

extern "C" {
#include <libavutil/dict.h>
}

#include "models/errors.h"
#include "transcoder/av_error.h"
#include "transcoder/detail/location_atom.h"
#include "transcoder/detail/media_input.h"

namespace kivotra::detail {

namespace {

constexpr int kWriteBufferSize = 1 << 16;

}  // namespace

Muxer::Muxer(int fd, RunControl& control) : control_(control), fd_(fd) {
  const auto noMemory = [] { return TranscodeError::writerInit(av::platformErrorFromAv(AVERROR(ENOMEM)).description()); };
  auto* buffer = static_cast<std::uint8_t*>(av_malloc(kWriteBufferSize));
  if (buffer == nullptr) throw noMemory();
  io_.reset(avio_alloc_context(buffer, kWriteBufferSize, 1, this, nullptr, &Muxer::writeBytes, &Muxer::seekTo));
  if (!io_) {
    av_free(buffer);
    throw noMemory();
  }
  // The MP4 index is written last and its sizes patched in place.
  io_->seekable = AVIO_SEEKABLE_NORMAL;
  AVFormatContext* raw = nullptr;
  const int err = avformat_alloc_output_context2(&raw, nullptr, "mp4", nullptr);
  if (err < 0 || raw == nullptr) throw TranscodeError::writerInit(av::platformErrorFromAv(err).description());
  out_.reset(raw);
  out_->interrupt_callback = control.interruptCallback();
  out_->pb = io_.get();
  out_->flags |= AVFMT_FLAG_CUSTOM_IO;
}

Muxer::~Muxer() {
  if (out_) out_->pb = nullptr;  // io_ is ours, not the context's to close
  out_.reset();
  io_.reset();
  if (fd_ >= 0) ::close(fd_);
}

int Muxer::writeBytes(void* self, std::uint8_t* buffer, int size) {
  auto* muxer = static_cast<Muxer*>(self);
  int done = 0;
  while (done < size) {
    if (muxer->fd_ < 0) return AVERROR(EBADF);
    const ssize_t n = ::write(muxer->fd_, buffer + done, static_cast<std::size_t>(size - done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return AVERROR(errno);
    done += static_cast<int>(n);
  }
  return done;
}

std::int64_t Muxer::seekTo(void* self, std::int64_t offset, int whence) {
  auto* muxer = static_cast<Muxer*>(self);
  if (muxer->fd_ < 0) return AVERROR(EBADF);
  if (whence & AVSEEK_SIZE) {
    struct stat st {};
    return ::fstat(muxer->fd_, &st) == 0 ? st.st_size : AVERROR(errno);
  }
  const off_t at = ::lseek(muxer->fd_, offset, whence & ~AVSEEK_FORCE);
  return at < 0 ? AVERROR(errno) : at;
}

bool Muxer::wantsGlobalHeader() const { return out_->oformat->flags & AVFMT_GLOBALHEADER; }

int Muxer::addStream(const AVCodecContext* encoder) {
  AVStream* stream = avformat_new_stream(out_.get(), nullptr);
  if (stream == nullptr) throw TranscodeError::writerInit(av::platformErrorFromAv(AVERROR(ENOMEM)).description());
  const int err = avcodec_parameters_from_context(stream->codecpar, encoder);
  if (err < 0) throw TranscodeError::writerInit(av::platformErrorFromAv(err).description());
  stream->time_base = encoder->time_base;
  stream->avg_frame_rate = encoder->framerate;
  return stream->index;
}

namespace {

// The container keys photo libraries sort and place videos by. FFmpeg's MOV
// reader names Android's and QuickTime's user data ©xyz "location", ©mak
// "make", ©mod "model"; Apple's own keys keep their names.
bool cameraKey(std::string_view key) {
  for (std::string_view prefix : {"com.apple.quicktime.", "com.android."}) {
    if (key.substr(0, prefix.size()) == prefix) return true;
  }
  for (std::string_view name : {"creation_time", "location", "location-eng", "make", "model", "software", "date"}) {
    if (key == name) return true;
  }
  return false;
}

void copyKey(AVDictionary** to, const AVDictionary* from, const char* key) {
  if (const AVDictionaryEntry* e = av_dict_get(from, key, nullptr, 0)) av_dict_set(to, key, e->value, 0);
}

}  // namespace

void Muxer::copyCameraMetadata(const AVFormatContext* source, const AVStream* sourceVideo, int videoStream) {
  const AVDictionaryEntry* e = nullptr;
  while ((e = av_dict_get(source->metadata, "", e, AV_DICT_IGNORE_SUFFIX)) != nullptr) {
    if (cameraKey(e->key)) av_dict_set(&out_->metadata, e->key, e->value, 0);
  }
  // A file whose container says nothing still dates its movie by the video's.
  if (av_dict_get(out_->metadata, "creation_time", nullptr, 0) == nullptr) {
    copyKey(&out_->metadata, sourceVideo->metadata, "creation_time");
  }
  copyKey(&out_->streams[videoStream]->metadata, sourceVideo->metadata, "creation_time");
  for (const char* key : {"location", "com.apple.quicktime.location.ISO6709"}) {
    if (const AVDictionaryEntry* found = av_dict_get(out_->metadata, key, nullptr, 0); found && location_.empty()) {
      location_ = found->value;
    }
  }
}

void Muxer::start() {
  // Keys beyond the iTunes set (the location, make, model) are written as
  // QuickTime metadata keys, which is where players and photo libraries look.
  AVDictionary* options = nullptr;
  av_dict_set(&options, "movflags", "use_metadata_tags", 0);
  const int err = avformat_write_header(out_.get(), &options);
  av_dict_free(&options);
  if (err < 0) throw TranscodeError::writerInit(av::platformErrorFromAv(err).description());
}

void Muxer::write(AVPacket* packet, AVRational timeBase, int stream) {
  std::lock_guard lock(mutex_);
  packet->stream_index = stream;
  av_packet_rescale_ts(packet, timeBase, out_->streams[stream]->time_base);
  const int err = av_interleaved_write_frame(out_.get(), packet);
  if (err < 0) throw TranscodeError::appendFailed(av::platformErrorFromAv(err).description());
}

void Muxer::encode(AVCodecContext* encoder, const AVFrame* frame, int stream,
                   const std::function<void(double)>& onPacket) {
  if (control_.stopRequested()) return;  // a stopped run feeds the encoders nothing more
  int err = avcodec_send_frame(encoder, frame);
  if (err < 0 && err != AVERROR_EOF) throw TranscodeError::appendFailed(av::platformErrorFromAv(err).description());
  av::PacketPtr packet = av::makePacket();
  if (!packet) throw TranscodeError::appendFailed(av::platformErrorFromAv(AVERROR(ENOMEM)).description());
  for (;;) {
    err = avcodec_receive_packet(encoder, packet.get());
    if (err == AVERROR(EAGAIN) || err == AVERROR_EOF) return;
    if (err < 0) throw TranscodeError::appendFailed(av::platformErrorFromAv(err).description());
    const double seconds = packet->pts == AV_NOPTS_VALUE ? 0 : packet->pts * av_q2d(encoder->time_base);
    write(packet.get(), encoder->time_base, stream);
    if (onPacket) onPacket(seconds);
  }
}

void Muxer::finish() {
  std::lock_guard lock(mutex_);
  int err = av_write_trailer(out_.get());
  // Flushing here, not in the destructor, so that a failed last write is seen.
  avio_flush(io_.get());
  if (err >= 0 && io_->error < 0) err = io_->error;
  if (err < 0) throw TranscodeError::appendFailed(av::platformErrorFromAv(err).description());
  // Best effort: the location is also among the metadata keys written above.
  if (!location_.empty()) appendLocationAtom(fd_, location_);
}

void Muxer::copyModificationTime(const std::filesystem::path& source) {
  std::lock_guard lock(mutex_);
  struct stat st {};
  if (fd_ < 0 || ::stat(source.c_str(), &st) != 0) return;
  const timespec times[2] = {{0, UTIME_OMIT}, st.st_mtim};
  ::futimens(fd_, times);
}

void Muxer::closeFile() {
  std::lock_guard lock(mutex_);
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

}  // namespace kivotra::detail
