#include "selftest/media/test_video.h"

#include <cmath>
#include <cstring>
#include <numbers>

#include "transcoder/av_error.h"
#include "transcoder/detail/media_input.h"  // fileUrl

namespace kivotra::SelfTest {

namespace {

constexpr int bytesPerFrame = 4;  // two int16 samples

SelfTestError incomplete(int averror) {
  const std::string why = averror < 0 ? av::platformErrorFromAv(averror).description() : "?";
  return SelfTestError(6, "测试视频写入未完成：" + why);
}

// A rejected write. When the file itself failed (disk full, too large, I/O),
// the writer is finished for good: say why instead of the bare rejection.
[[noreturn]] void writeRejected(const AVFormatContext* out, int code, const char* message) {
  if (out->pb != nullptr && out->pb->error < 0) throw incomplete(out->pb->error);
  throw SelfTestError(code, message);
}

// The H.264 input: libx264 with its defaults, fed from a pool of BGRA buffers
// converted to the encoder's pixel format (BT.709, limited range).
class VideoInput {
 public:
  VideoInput(AVFormatContext* out, int w, int h, int fps) : width_(w), height_(h) {
    const AVCodec* codec = avcodec_find_encoder_by_name("libx264");
    if (codec == nullptr) throw av::platformErrorFromAv(AVERROR_ENCODER_NOT_FOUND);
    ctx_.reset(avcodec_alloc_context3(codec));
    if (!ctx_) throw av::platformErrorFromAv(AVERROR(ENOMEM));
    ctx_->width = w;
    ctx_->height = h;
    ctx_->pix_fmt = AV_PIX_FMT_YUV420P;
    ctx_->time_base = {1, fps};
    ctx_->framerate = {fps, 1};
    ctx_->color_range = AVCOL_RANGE_MPEG;
    ctx_->color_primaries = AVCOL_PRI_BT709;
    ctx_->color_trc = AVCOL_TRC_BT709;
    ctx_->colorspace = AVCOL_SPC_BT709;
    if (out->oformat->flags & AVFMT_GLOBALHEADER) ctx_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    av::check(avcodec_open2(ctx_.get(), codec, nullptr));
    stream_ = avformat_new_stream(out, nullptr);
    if (stream_ == nullptr) throw av::platformErrorFromAv(AVERROR(ENOMEM));
    av::check(avcodec_parameters_from_context(stream_->codecpar, ctx_.get()));
    stream_->time_base = ctx_->time_base;

    pool_.reset(av_buffer_pool_init(static_cast<std::size_t>(w) * h * 4, av_buffer_alloc));
    sws_.reset(sws_getContext(w, h, AV_PIX_FMT_BGRA, w, h, AV_PIX_FMT_YUV420P, SWS_BICUBIC, nullptr, nullptr, nullptr));
    if (sws_ && sws_setColorspaceDetails(sws_.get(), sws_getCoefficients(SWS_CS_DEFAULT), 1,
                                         sws_getCoefficients(SWS_CS_ITU709), 0, 0, 1 << 16, 1 << 16) < 0) {
      sws_.reset();
    }
  }

  // Paints the gradient into a pooled BGRA buffer and encodes it at i / fps.
  void append(AVFormatContext* out, std::int64_t i) {
    if (!pool_ || !sws_) throw SelfTestError(3, "像素缓冲池为空");
    av::BufferPtr pixels(av_buffer_pool_get(pool_.get()));
    av::FramePtr frame = av::makeFrame();
    if (!pixels || !frame) throw SelfTestError(3, "像素缓冲创建失败");
    frame->format = ctx_->pix_fmt;
    frame->width = width_;
    frame->height = height_;
    if (av_frame_get_buffer(frame.get(), 0) < 0) throw SelfTestError(3, "像素缓冲创建失败");

    const int bytesPerRow = width_ * 4;
    for (int y = 0; y < height_; ++y) {
      const auto bgra = gradientPixel(y, height_);
      std::uint8_t* row = pixels->data + static_cast<std::ptrdiff_t>(y) * bytesPerRow;
      for (int x = 0; x < width_; ++x) std::memcpy(row + x * 4, bgra.data(), 4);
    }
    const std::uint8_t* src[1] = {pixels->data};
    const int srcStride[1] = {bytesPerRow};
    if (sws_scale(sws_.get(), src, srcStride, 0, height_, frame->data, frame->linesize) != height_) {
      throw SelfTestError(4, "视频帧写入失败");
    }
    frame->pts = i;
    encode(out, frame.get());
  }

  // Drains the encoder's delayed frames into the file.
  void finish(AVFormatContext* out) { encode(out, nullptr); }

 private:
  void encode(AVFormatContext* out, const AVFrame* frame) {
    if (avcodec_send_frame(ctx_.get(), frame) < 0) throw SelfTestError(4, "视频帧写入失败");
    av::PacketPtr packet = av::makePacket();
    if (!packet) throw SelfTestError(4, "视频帧写入失败");
    for (;;) {
      const int got = avcodec_receive_packet(ctx_.get(), packet.get());
      if (got == AVERROR(EAGAIN) || got == AVERROR_EOF) return;
      if (got < 0) throw SelfTestError(4, "视频帧写入失败");
      // libx264 leaves durations empty; every frame lasts 1 / fps. Without it
      // the muxer cuts the last frame out of the timeline.
      if (packet->duration == 0) packet->duration = 1;
      av_packet_rescale_ts(packet.get(), ctx_->time_base, stream_->time_base);
      packet->stream_index = stream_->index;
      if (av_interleaved_write_frame(out, packet.get()) < 0) writeRejected(out, 4, "视频帧写入失败");
    }
  }

  int width_;
  int height_;
  av::CodecContextPtr ctx_;
  AVStream* stream_ = nullptr;  // owned by the output context
  av::BufferPoolPtr pool_;
  av::SwsContextPtr sws_;
};

// The PCM stream and its format: 44.1 kHz, stereo, signed 16-bit little-endian.
AVStream* addToneStream(AVFormatContext* out) {
  AVStream* st = avformat_new_stream(out, nullptr);
  if (st == nullptr) throw SelfTestError(2, "音频格式描述创建失败");
  AVCodecParameters* par = st->codecpar;
  par->codec_type = AVMEDIA_TYPE_AUDIO;
  par->codec_id = AV_CODEC_ID_PCM_S16LE;
  par->format = AV_SAMPLE_FMT_S16;
  par->sample_rate = toneSampleRate;
  par->bits_per_coded_sample = 16;
  par->block_align = bytesPerFrame;
  const AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
  if (av_channel_layout_copy(&par->ch_layout, &stereo) < 0) throw SelfTestError(2, "音频格式描述创建失败");
  st->time_base = {1, toneSampleRate};
  return st;
}

void appendChunk(AVFormatContext* out, AVStream* st, const AudioChunk& chunk) {
  av::PacketPtr packet = makeAudioSampleBuffer(chunk.data, chunk.frames, *st->codecpar, chunk.pts, toneSampleRate);
  av_packet_rescale_ts(packet.get(), packet->time_base, st->time_base);
  packet->stream_index = st->index;
  if (av_interleaved_write_frame(out, packet.get()) < 0) writeRejected(out, 5, "音频写入失败");
}

}  // namespace

std::array<std::uint8_t, 4> gradientPixel(int y, int h) {
  const int v = y * 255 / h;
  return {static_cast<std::uint8_t>(255 - v), static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v), 255};
}

std::vector<AudioChunk> toneChunks(double seconds) {
  const auto total = static_cast<std::int64_t>(seconds * static_cast<double>(toneSampleRate));
  std::vector<std::int16_t> samples(static_cast<std::size_t>(std::max<std::int64_t>(total, 0)) * 2, 0);
  for (std::int64_t i = 0; i < total; ++i) {
    const double angle = static_cast<double>(i + i) * std::numbers::pi * 440 / 44100;
    const auto value = static_cast<std::int16_t>(std::sin(angle) * 12000);
    samples[2 * i] = value;
    samples[2 * i + 1] = value;
  }
  std::vector<AudioChunk> chunks;
  for (std::int64_t start = 0; start < total;) {
    const std::int64_t n = std::min(total - start, chunkFrames);
    AudioChunk chunk{start, n, std::vector<std::uint8_t>(static_cast<std::size_t>(n) * bytesPerFrame)};
    // Little-endian int16 pairs, whatever the host's byte order.
    for (std::int64_t k = 0; k < 2 * n; ++k) {
      const auto s = static_cast<std::uint16_t>(samples[2 * start + k]);
      chunk.data[2 * k] = static_cast<std::uint8_t>(s & 0xff);
      chunk.data[2 * k + 1] = static_cast<std::uint8_t>(s >> 8);
    }
    chunks.push_back(std::move(chunk));
    start += n;
  }
  return chunks;
}

std::vector<WriteStep> writeOrder(std::int64_t frames, int fps, std::span<const AudioChunk> chunks, double seconds) {
  std::vector<WriteStep> order;
  std::size_t next = 0;
  const auto startOf = [&](std::size_t k) { return static_cast<double>(chunks[k].pts) / toneSampleRate; };
  for (std::int64_t i = 0; i < frames; ++i) {
    const double frameTime = static_cast<double>(i) / fps;
    for (; next < chunks.size() && startOf(next) <= frameTime; ++next) order.push_back({true, static_cast<std::int64_t>(next)});
    order.push_back({false, i});
  }
  for (; next < chunks.size() && startOf(next) <= seconds; ++next) order.push_back({true, static_cast<std::int64_t>(next)});
  return order;
}

av::PacketPtr makeAudioSampleBuffer(std::span<const std::uint8_t> data, std::int64_t frames,
                                    const AVCodecParameters& format, std::int64_t pts, double sampleRate) {
  const auto length = static_cast<std::int64_t>(data.size());
  av::PacketPtr packet = av::makePacket();
  if (!packet || length > INT32_MAX || av_new_packet(packet.get(), static_cast<int>(length)) < 0) {
    throw SelfTestError(7, "音频块缓冲创建失败");
  }
  if (packet->size != length) throw SelfTestError(7, "音频数据填充失败");
  if (length > 0) std::memcpy(packet->data, data.data(), data.size());
  const auto timescale = static_cast<std::int32_t>(sampleRate);
  if (frames <= 0 || timescale <= 0 || format.block_align <= 0 || length != frames * format.block_align) {
    throw SelfTestError(8, "音频样例缓冲创建失败 " + std::to_string(AVERROR(EINVAL)));
  }
  packet->time_base = {1, timescale};
  packet->pts = pts;
  packet->dts = pts;
  packet->duration = frames;
  packet->flags |= AV_PKT_FLAG_KEY;
  return packet;
}

std::filesystem::path makeTestVideo(const std::filesystem::path& at, int w, int h, double seconds, int fps,
                                    bool withAudio) {
  std::error_code ignored;
  std::filesystem::remove(at, ignored);

  AVFormatContext* raw = nullptr;
  av::check(avformat_alloc_output_context2(&raw, nullptr, "mov", nullptr));
  av::OutputContextPtr out(raw);
  av::check(avio_open(&out->pb, av::fileUrl(at).c_str(), AVIO_FLAG_WRITE));

  VideoInput video(out.get(), w, h, fps);
  AVStream* audio = nullptr;
  std::vector<AudioChunk> chunks;
  if (withAudio) {
    audio = addToneStream(out.get());
    chunks = toneChunks(seconds);
  }

  if (const int err = avformat_write_header(out.get(), nullptr); err < 0) throw incomplete(err);

  const auto frames = static_cast<std::int64_t>(seconds * static_cast<double>(fps));
  for (const WriteStep& step : writeOrder(frames, fps, chunks, seconds)) {
    if (step.audio) {
      appendChunk(out.get(), audio, chunks[static_cast<std::size_t>(step.index)]);
    } else {
      video.append(out.get(), step.index);
    }
  }
  video.finish(out.get());

  int err = av_write_trailer(out.get());
  if (err >= 0 && out->pb->error < 0) err = out->pb->error;
  if (err < 0) throw incomplete(err);
  if ((err = avio_closep(&out->pb)) < 0) throw incomplete(err);
  return at;
}

}  // namespace kivotra::SelfTest
