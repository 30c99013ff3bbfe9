#include "transcoder/media_input.h"

#include "transcoder/av_error.h"

namespace kivotra::av {

std::string fileUrl(const std::filesystem::path& path) {
  std::error_code error;
  const std::filesystem::path absolute = std::filesystem::absolute(path, error);
  return "file:" + (error ? path : absolute).string();
}

MediaInput::MediaInput(const std::filesystem::path& path, Clock::time_point deadline)
    : deadline_(deadline.time_since_epoch().count()) {
  AVFormatContext* raw = avformat_alloc_context();
  if (raw == nullptr) throw platformErrorFromAv(AVERROR(ENOMEM));
  raw->interrupt_callback = {&MediaInput::interrupted, this};
  // avformat_open_input frees the context when it fails.
  check(avformat_open_input(&raw, fileUrl(path).c_str(), nullptr, nullptr));
  ctx_.reset(raw);
  check(avformat_find_stream_info(ctx_.get(), nullptr));
}

int MediaInput::interrupted(void* self) { return static_cast<MediaInput*>(self)->pastDeadline() ? 1 : 0; }

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
