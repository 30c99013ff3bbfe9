#include "transcoder/detail/decoder.h"

#include <algorithm>
#include <string>

extern "C" {
#include <libavutil/cpu.h>
}

#include "models/errors.h"
#include "models/text.h"
#include "transcoder/av_error.h"

namespace kivotra::detail {

namespace {

constexpr int kMaxDecoderThreads = 8;

}  // namespace

av::CodecContextPtr openDecoder(const AVStream* stream, std::string& why) {
  const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
  if (codec == nullptr) {
    why = fillIn(translate("Engine", "不支持的编码格式 %1"), {avcodec_get_name(stream->codecpar->codec_id)});
    return nullptr;
  }
  av::CodecContextPtr ctx(avcodec_alloc_context3(codec));
  if (!ctx) {
    why = av::errorText(AVERROR(ENOMEM));
    return nullptr;
  }
  int err = avcodec_parameters_to_context(ctx.get(), stream->codecpar);
  if (err >= 0) {
    ctx->pkt_timebase = stream->time_base;
    // One frame thread per core (FFmpeg's own choice adds one more): each
    // holds a picture in flight, 12 MB at 4K, and the encoder wants cores too.
    ctx->thread_count = std::min(av_cpu_count(), kMaxDecoderThreads);
    ctx->thread_type = FF_THREAD_FRAME | FF_THREAD_SLICE;
    err = avcodec_open2(ctx.get(), codec, nullptr);
  }
  if (err < 0) {
    why = av::platformErrorFromAv(err).description();
    return nullptr;
  }
  return ctx;
}

namespace {

// An error that costs only the packet: damaged data. Audio decoders report it
// under many codes (the AAC decoder says "operation not permitted" for some),
// and a lost audio packet is a moment of silence, never a failed file.
bool damagedPacket(const AVCodecContext* decoder, int err) {
  if (err == AVERROR_INVALIDDATA) return true;
  return decoder->codec_type == AVMEDIA_TYPE_AUDIO && err != AVERROR(ENOMEM) && err != AVERROR_EXIT;
}

// Receives every frame the decoder has ready. False when the run stopped.
bool drain(AVCodecContext* decoder, const FrameSink& deliver, bool& ended) {
  for (;;) {
    av::FramePtr frame = av::makeFrame();
    if (!frame) throw TranscodeError::readerInit(av::platformErrorFromAv(AVERROR(ENOMEM)).description());
    const int err = avcodec_receive_frame(decoder, frame.get());
    if (err == AVERROR(EAGAIN)) return true;
    if (err == AVERROR_EOF) {
      ended = true;
      return true;
    }
    if (err < 0 && damagedPacket(decoder, err)) continue;
    if (err < 0) throw TranscodeError::readerInit(av::platformErrorFromAv(err).description());
    if (!deliver(std::move(frame))) return false;
  }
}

}  // namespace

bool decodeAll(AVCodecContext* decoder, PacketQueue& packets, const FrameSink& deliver, RunControl& control,
               const PacketGate& gate) {
  bool ended = false;
  while (auto packet = packets.pop(control.token())) {
    if (gate && !gate(**packet)) continue;
    int err = avcodec_send_packet(decoder, packet->get());
    if (err == AVERROR(EAGAIN)) {
      // The decoder's output is full: take frames out, then the packet fits.
      if (!drain(decoder, deliver, ended)) return false;
      err = avcodec_send_packet(decoder, packet->get());
    }
    if (err < 0 && !damagedPacket(decoder, err)) throw TranscodeError::readerInit(av::platformErrorFromAv(err).description());
    if (!drain(decoder, deliver, ended)) return false;
  }
  if (control.stopRequested()) return false;
  const int err = avcodec_send_packet(decoder, nullptr);
  if (err < 0 && err != AVERROR_EOF) throw TranscodeError::readerInit(av::platformErrorFromAv(err).description());
  while (!ended) {
    if (!drain(decoder, deliver, ended)) return false;
  }
  return true;
}

}  // namespace kivotra::detail
