#include "transcoder/detail/media_input.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string_view>

#include "transcoder/av_error.h"

namespace kivotra::av {

namespace {

constexpr int kIoBufferSize = 1 << 16;
constexpr int kPollMilliseconds = 100;  // how late a stop can be noticed while waiting for data

// Big-endian integer of `bytes` bytes.
std::uint64_t bigEndian(const std::uint8_t* p, int bytes) {
  std::uint64_t v = 0;
  for (int i = 0; i < bytes; ++i) v = (v << 8) | p[i];
  return v;
}

// For a fragmented MP4/MOV whose last fragment was cut off (how crash-safe
// recordings end when the recorder dies), where its complete fragments end;
// the file's size for every other file. The reader is shown only that much,
// so the cut fragment is not taken for damage: without a fragment index at
// the start, the MP4 reader scans every fragment when it opens the file and
// gives up on a cut one. A segment index before the first fragment promises
// the whole recording; such a file is left whole, to be judged incomplete.
std::int64_t usableSize(int fd, std::int64_t size) {
  std::uint8_t header[16];
  std::int64_t at = 0;
  std::int64_t usable = 0;  // the end of the last whole box outside a fragment, or of a fragment's media data
  bool fragmented = false;
  while (at + 8 <= size) {
    if (::pread(fd, header, sizeof header, at) < 8) return size;
    const char* type = reinterpret_cast<const char*>(header + 4);
    if (at == 0 && std::memcmp(type, "ftyp", 4) != 0) return size;  // not an ISO file
    std::uint64_t boxSize = bigEndian(header, 4);
    if (boxSize == 1) {
      if (at + 16 > size) break;
      boxSize = bigEndian(header + 8, 8);
    } else if (boxSize == 0) {
      boxSize = static_cast<std::uint64_t>(size - at);  // runs to the end of the file
    }
    if (boxSize < 8) return size;  // not a box: leave it to the reader to judge
    if (!fragmented && std::memcmp(type, "sidx", 4) == 0) return size;
    fragmented = fragmented || std::memcmp(type, "moof", 4) == 0;
    if (boxSize > static_cast<std::uint64_t>(size - at)) break;  // cut inside this box
    at += static_cast<std::int64_t>(boxSize);
    if (!fragmented || std::memcmp(type, "mdat", 4) == 0) usable = at;
  }
  return fragmented && at != size && usable > 0 ? usable : size;
}

}  // namespace

std::string fileUrl(const std::filesystem::path& path) {
  std::error_code error;
  const std::filesystem::path absolute = std::filesystem::absolute(path, error);
  return "file:" + (error ? path : absolute).string();
}

// The source file, opened non-blocking: with no data to read, the read waits
// in poll() for a short while and then asks whether to give up.
struct MediaInput::File {
  int fd = -1;
  bool regular = false;
  std::int64_t size = -1;  // what the reader is shown of a regular file
  const MediaInput* owner = nullptr;

  ~File() {
    if (fd >= 0) ::close(fd);
  }

  static int read(void* opaque, std::uint8_t* buffer, int size) {
    auto* self = static_cast<File*>(opaque);
    for (;;) {
      if (self->owner->interrupted()) return AVERROR_EXIT;
      if (self->regular) {
        const off_t at = ::lseek(self->fd, 0, SEEK_CUR);
        if (at < 0) return AVERROR(errno);
        if (at >= self->size) return AVERROR_EOF;
        size = static_cast<int>(std::min<std::int64_t>(size, self->size - at));
      }
      const ssize_t n = ::read(self->fd, buffer, static_cast<size_t>(size));
      if (n > 0) return static_cast<int>(n);
      if (n == 0) return AVERROR_EOF;
      if (errno == EINTR) continue;
      if (errno != EAGAIN && errno != EWOULDBLOCK) return AVERROR(errno);
      pollfd p{self->fd, POLLIN, 0};
      ::poll(&p, 1, kPollMilliseconds);
    }
  }

  static std::int64_t seek(void* opaque, std::int64_t offset, int whence) {
    auto* self = static_cast<File*>(opaque);
    if (!self->regular) return AVERROR(ESPIPE);
    if (whence & AVSEEK_SIZE) return self->size;
    whence &= ~AVSEEK_FORCE;
    if (whence == SEEK_END) {
      offset += self->size;
      whence = SEEK_SET;
    }
    const off_t at = ::lseek(self->fd, offset, whence);
    return at < 0 ? AVERROR(errno) : at;
  }
};

namespace {

// Whether the header of an MP4/MOV file already states what the probe reads
// of every stream: the codec, a video picture's size, an audio stream's rate
// and channels. Reading stream info would decode several pictures more.
bool headerSuffices(const AVFormatContext* ctx) {
  if (ctx->iformat == nullptr || std::string_view(ctx->iformat->name).find("mp4") == std::string_view::npos) return false;
  for (unsigned i = 0; i < ctx->nb_streams; ++i) {
    const AVCodecParameters* par = ctx->streams[i]->codecpar;
    if (par->codec_type == AVMEDIA_TYPE_VIDEO &&
        (par->codec_id == AV_CODEC_ID_NONE || par->width <= 0 || par->height <= 0)) {
      return false;
    }
    if (par->codec_type == AVMEDIA_TYPE_AUDIO &&
        (par->codec_id == AV_CODEC_ID_NONE || par->sample_rate <= 0 || par->ch_layout.nb_channels <= 0)) {
      return false;
    }
  }
  return true;
}

}  // namespace

MediaInput::MediaInput(const std::filesystem::path& path, Clock::time_point deadline, std::stop_token stop,
                       Analysis analysis)
    : deadline_(deadline.time_since_epoch().count()), stop_(std::move(stop)), file_(std::make_unique<File>()) {
  file_->owner = this;
  file_->fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (file_->fd < 0) throw platformErrorFromAv(AVERROR(errno));
  struct stat st {};
  if (::fstat(file_->fd, &st) != 0) throw platformErrorFromAv(AVERROR(errno));
  if (S_ISDIR(st.st_mode)) throw platformErrorFromAv(AVERROR(EISDIR));
  file_->regular = S_ISREG(st.st_mode);
  if (file_->regular) file_->size = usableSize(file_->fd, st.st_size);

  auto* buffer = static_cast<std::uint8_t*>(av_malloc(kIoBufferSize));
  if (buffer == nullptr) throw platformErrorFromAv(AVERROR(ENOMEM));
  io_.reset(avio_alloc_context(buffer, kIoBufferSize, 0, file_.get(), &File::read, nullptr, &File::seek));
  if (!io_) {
    av_free(buffer);
    throw platformErrorFromAv(AVERROR(ENOMEM));
  }
  io_->seekable = file_->regular ? AVIO_SEEKABLE_NORMAL : 0;

  AVFormatContext* raw = avformat_alloc_context();
  if (raw == nullptr) throw platformErrorFromAv(AVERROR(ENOMEM));
  raw->pb = io_.get();
  raw->flags |= AVFMT_FLAG_CUSTOM_IO;
  raw->interrupt_callback = {&MediaInput::interruptCallback, this};
  // The name only helps to recognise the format; avformat_open_input frees
  // the context when it fails.
  check(avformat_open_input(&raw, fileUrl(path).c_str(), nullptr, nullptr));
  ctx_.reset(raw);
  if (analysis == Analysis::indexed && headerSuffices(ctx_.get())) return;
  check(avformat_find_stream_info(ctx_.get(), nullptr));
}

MediaInput::~MediaInput() = default;

int MediaInput::interruptCallback(void* self) { return static_cast<MediaInput*>(self)->interrupted() ? 1 : 0; }

namespace {

int firstStream(const AVFormatContext* ctx, AVMediaType type, bool skipCovers) {
  for (unsigned i = 0; i < ctx->nb_streams; ++i) {
    const AVStream* st = ctx->streams[i];
    if (st->codecpar->codec_type != type) continue;
    if (skipCovers && (st->disposition & AV_DISPOSITION_ATTACHED_PIC)) continue;
    return static_cast<int>(i);
  }
  return -1;
}

}  // namespace

int MediaInput::firstVideoStream() const { return firstStream(ctx_.get(), AVMEDIA_TYPE_VIDEO, true); }

int MediaInput::firstAudioStream() const { return firstStream(ctx_.get(), AVMEDIA_TYPE_AUDIO, false); }

}  // namespace kivotra::av
