#include "transcoder/muxer.h"

#include <string>

#include "models/errors.h"
#include "transcoder/av_error.h"

namespace kivotra::detail {

Muxer::Muxer(const std::filesystem::path& destination, RunControl& control) {
  AVFormatContext* raw = nullptr;
  int err = avformat_alloc_output_context2(&raw, nullptr, "mp4", nullptr);
  if (err < 0 || raw == nullptr) throw TranscodeError::writerInit(av::platformErrorFromAv(err).description());
  out_.reset(raw);
  out_->interrupt_callback = control.interruptCallback();
  // "file:" keeps a colon in the name from being read as a protocol.
  const std::string url = "file:" + destination.string();
  err = avio_open2(&out_->pb, url.c_str(), AVIO_FLAG_WRITE, &out_->interrupt_callback, nullptr);
  if (err < 0) throw TranscodeError::writerInit(av::platformErrorFromAv(err).description());
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

void Muxer::start() {
  const int err = avformat_write_header(out_.get(), nullptr);
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
  // Closing here, not in the destructor, so that a failed last write is seen.
  const int closed = avio_closep(&out_->pb);
  if (err >= 0) err = closed;
  if (err < 0) throw TranscodeError::appendFailed(av::platformErrorFromAv(err).description());
}

}  // namespace kivotra::detail
