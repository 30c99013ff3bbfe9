#include "transcoder/detail/audio_path.h"

#include <algorithm>
#include <cmath>

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
}

#include "models/errors.h"
#include "models/item_settings.h"
#include "transcoder/av_error.h"

namespace kivotra::detail {

namespace {

constexpr std::int64_t kAacBitrate = kAudioKbps * 1000;
// The limiter's ceiling, 1 dB below full scale: AAC adds a little on top, and
// decoded samples above full scale clip in every player.
constexpr float kCeiling = 0.891f;
// How fast the limiter's gain comes back after a peak, in dB per second.
constexpr double kReleaseDbPerSecond = 20.0;

const AVCodec* aacEncoder() { return avcodec_find_encoder_by_name("aac"); }

TranscodeError audioError(int err) { return TranscodeError::appendFailed(av::platformErrorFromAv(err).description()); }

// Converts decoded audio to the encoder's format and feeds it in whole frames.
class AudioChunker {
 public:
  AudioChunker(AVCodecContext* encoder, Muxer& muxer, int stream, RunControl& control)
      : encoder_(encoder), muxer_(muxer), stream_(stream), control_(control),
        fifo_(av_audio_fifo_alloc(encoder->sample_fmt, encoder->ch_layout.nb_channels, 4 * frameSize())) {
    if (!fifo_) throw audioError(AVERROR(ENOMEM));
  }
  ~AudioChunker() { av_channel_layout_uninit(&inLayout_); }
  AudioChunker(const AudioChunker&) = delete;
  AudioChunker& operator=(const AudioChunker&) = delete;

  // `pts`: the frame's presentation time on the output timeline (zero is the
  // output's start), in `timeBase`; AV_NOPTS_VALUE when the source has none,
  // and then the frame simply follows the one before.
  void add(const AVFrame& frame, std::int64_t pts, AVRational timeBase) {
    const int rate = encoder_->sample_rate;
    if (nextPts_ == AV_NOPTS_VALUE) {
      const std::int64_t offset = pts == AV_NOPTS_VALUE ? 0 : av_rescale_q(pts, timeBase, {1, rate});
      nextPts_ = std::max<std::int64_t>(0, offset);
      skip_ = std::max<std::int64_t>(0, -offset);  // samples before the output's zero
      position_ = offset;
    }
    prepareResampler(frame);
    // The resampler places the frame where its timestamp says: a gap becomes
    // silence, an overlap is dropped, so later sound stays with its picture.
    const std::int64_t inPts = pts == AV_NOPTS_VALUE
                                   ? INT64_MIN
                                   : av_rescale(pts, timeBase.num * static_cast<std::int64_t>(rate) * inRate_, timeBase.den);
    swr_next_pts(swr_.get(), inPts);
    convert(frame.extended_data, frame.nb_samples);
    sendWholeFrames(false);
  }

  void finish() {
    if (swr_) convert(nullptr, 0);  // what the resampler still holds
    sendWholeFrames(true);
    flushPending();
    muxer_.encode(encoder_, nullptr, stream_);
  }

 private:
  int frameSize() const { return encoder_->frame_size > 0 ? encoder_->frame_size : 1024; }

  void prepareResampler(const AVFrame& frame) {
    AVChannelLayout layout{};
    if (frame.ch_layout.order == AV_CHANNEL_ORDER_UNSPEC) {
      av_channel_layout_default(&layout, frame.ch_layout.nb_channels);
    } else if (av_channel_layout_copy(&layout, &frame.ch_layout) < 0) {
      throw audioError(AVERROR(ENOMEM));
    }
    const bool same = swr_ && inFormat_ == frame.format && inRate_ == frame.sample_rate &&
                      av_channel_layout_compare(&inLayout_, &layout) == 0;
    if (same) {
      av_channel_layout_uninit(&layout);
      return;
    }
    if (swr_) convert(nullptr, 0);  // the old format's last samples
    av_channel_layout_uninit(&inLayout_);
    inLayout_ = layout;
    inFormat_ = frame.format;
    inRate_ = frame.sample_rate;

    SwrContext* raw = nullptr;
    int err = swr_alloc_set_opts2(&raw, &encoder_->ch_layout, encoder_->sample_fmt, encoder_->sample_rate, &inLayout_,
                                  static_cast<AVSampleFormat>(inFormat_), inRate_, 0, nullptr);
    swr_.reset(raw);
    // The down-mix keeps the standard levels (centre and surrounds at -3 dB);
    // the limiter, not a smaller matrix, keeps its peaks from clipping.
    // Timestamp compensation: differences above about one AAC frame are made
    // up at once, with silence or by dropping samples.
    if (err >= 0) err = av_opt_set_double(swr_.get(), "async", 1.0, 0);
    if (err >= 0) {
      err = av_opt_set_double(swr_.get(), "min_hard_comp", static_cast<double>(frameSize()) / encoder_->sample_rate, 0);
    }
    if (err >= 0) err = swr_init(swr_.get());
    if (err < 0) throw audioError(err);
    // A new resampler continues where the last one stopped.
    if (position_ != AV_NOPTS_VALUE) swr_next_pts(swr_.get(), position_ * inRate_);
  }

  void convert(const std::uint8_t* const* input, int samples) {
    const int room = swr_get_out_samples(swr_.get(), samples);
    if (room < 0) throw audioError(room);
    if (room == 0) return;
    av::FramePtr out = emptyFrame(room);
    const int converted = swr_convert(swr_.get(), out->data, room, const_cast<const std::uint8_t**>(input), samples);
    if (converted < 0) throw audioError(converted);
    position_ += converted;
    int start = 0;
    if (skip_ > 0) {
      start = static_cast<int>(std::min<std::int64_t>(skip_, converted));
      skip_ -= start;
    }
    if (converted - start <= 0) return;
    void* planes[AV_NUM_DATA_POINTERS];
    const int bytesPerSample = av_get_bytes_per_sample(encoder_->sample_fmt);
    const bool planar = av_sample_fmt_is_planar(encoder_->sample_fmt);
    const int channels = encoder_->ch_layout.nb_channels;
    for (int i = 0; i < (planar ? channels : 1); ++i) {
      planes[i] = out->extended_data[i] + static_cast<std::ptrdiff_t>(start) * bytesPerSample * (planar ? 1 : channels);
    }
    if (av_audio_fifo_write(fifo_.get(), planes, converted - start) < converted - start) throw audioError(AVERROR(ENOMEM));
  }

  void sendWholeFrames(bool includingShort) {
    while (av_audio_fifo_size(fifo_.get()) >= frameSize() || (includingShort && av_audio_fifo_size(fifo_.get()) > 0)) {
      const int samples = std::min(frameSize(), av_audio_fifo_size(fifo_.get()));
      av::FramePtr frame = emptyFrame(samples);
      if (av_audio_fifo_read(fifo_.get(), reinterpret_cast<void**>(frame->data), samples) < samples) {
        throw audioError(AVERROR_BUG);
      }
      frame->pts = nextPts_;
      nextPts_ += samples;
      limit(std::move(frame));
    }
  }

  // A peak limiter with one frame of look-ahead. The gain moves linearly
  // across each frame from its value at the frame's start to its value at the
  // next one; both ends are at most what the frame's own peak allows, so no
  // sample ends above the ceiling, and the gain is already down when a peak
  // arrives. Quiet passages pass untouched.
  void limit(av::FramePtr frame) {
    const float need = allowedGain(*frame);
    if (pending_) {
      const float release = static_cast<float>(
          std::pow(10.0, kReleaseDbPerSecond / 20.0 * pending_->nb_samples / encoder_->sample_rate));
      sendPending(std::min({pendingNeed_, need, gain_ * release, 1.0f}));
    } else {
      gain_ = std::min(gain_, need);
    }
    pending_ = std::move(frame);
    pendingNeed_ = need;
  }

  void flushPending() {
    if (pending_) sendPending(std::min(pendingNeed_, gain_));
  }

  // The encoder's samples are planar float (openAudioEncoder asks for them).
  float allowedGain(const AVFrame& frame) const {
    float peak = 0;
    for (int c = 0; c < frame.ch_layout.nb_channels; ++c) {
      const auto* samples = reinterpret_cast<const float*>(frame.extended_data[c]);
      for (int i = 0; i < frame.nb_samples; ++i) peak = std::max(peak, std::fabs(samples[i]));
    }
    return peak > kCeiling ? kCeiling / peak : 1.0f;
  }

  void sendPending(float endGain) {
    AVFrame& frame = *pending_;
    if (gain_ < 1.0f || endGain < 1.0f) {
      const float step = (endGain - gain_) / static_cast<float>(frame.nb_samples);
      for (int c = 0; c < frame.ch_layout.nb_channels; ++c) {
        auto* samples = reinterpret_cast<float*>(frame.extended_data[c]);
        for (int i = 0; i < frame.nb_samples; ++i) samples[i] *= gain_ + step * static_cast<float>(i);
      }
    }
    gain_ = endGain;
    muxer_.encode(encoder_, pending_.get(), stream_);
    pending_.reset();
    control_.touch();
  }

  av::FramePtr emptyFrame(int samples) {
    av::FramePtr frame = av::makeFrame();
    if (!frame) throw audioError(AVERROR(ENOMEM));
    frame->nb_samples = samples;
    frame->format = encoder_->sample_fmt;
    frame->sample_rate = encoder_->sample_rate;
    int err = av_channel_layout_copy(&frame->ch_layout, &encoder_->ch_layout);
    if (err >= 0) err = av_frame_get_buffer(frame.get(), 0);
    if (err < 0) throw audioError(err);
    return frame;
  }

  AVCodecContext* encoder_;
  Muxer& muxer_;
  int stream_;
  RunControl& control_;
  av::AudioFifoPtr fifo_;
  av::SwrContextPtr swr_;
  AVChannelLayout inLayout_{};
  int inFormat_ = -1;
  int inRate_ = 0;
  std::int64_t nextPts_ = AV_NOPTS_VALUE;  // output samples
  std::int64_t skip_ = 0;
  // Where the resampler's next sample lies on the output timeline, in samples.
  std::int64_t position_ = AV_NOPTS_VALUE;
  av::FramePtr pending_;  // the limiter's look-ahead frame
  float pendingNeed_ = 1.0f;
  float gain_ = 1.0f;  // the limiter's gain at the start of pending_
};

}  // namespace

AudioFormat aacFormatFor(const ProbeInfo& info) {
  AudioFormat format;
  format.channels = info.audioChannels >= 2 ? 2 : 1;
  const long rate = std::lround(info.audioSampleRate);
  format.sampleRate = 48000;
  if (const AVCodec* codec = aacEncoder(); codec != nullptr && codec->supported_samplerates != nullptr) {
    for (const int* r = codec->supported_samplerates; *r != 0; ++r) {
      if (*r == rate) format.sampleRate = *r;
    }
  }
  return format;
}

av::CodecContextPtr openAudioEncoder(const AudioFormat& format, bool globalHeader) {
  const AVCodec* codec = aacEncoder();
  if (codec == nullptr) return nullptr;
  av::CodecContextPtr ctx(avcodec_alloc_context3(codec));
  if (!ctx) return nullptr;
  ctx->sample_fmt = AV_SAMPLE_FMT_FLTP;
  ctx->sample_rate = format.sampleRate;
  av_channel_layout_default(&ctx->ch_layout, format.channels);
  ctx->bit_rate = kAacBitrate;
  ctx->time_base = {1, format.sampleRate};
  if (globalHeader) ctx->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  if (avcodec_open2(ctx.get(), codec, nullptr) < 0) return nullptr;
  return ctx;
}

void audioStage(const AudioRoute& route, PacketQueue& packets, Muxer& muxer, RunControl& control) {
  AudioChunker chunker(route.encoder, muxer, route.stream, control);
  const auto add = [&](av::FramePtr frame) {
    if (frame->nb_samples <= 0) return true;
    const std::int64_t pts = frame->best_effort_timestamp;
    chunker.add(*frame, pts == AV_NOPTS_VALUE ? AV_NOPTS_VALUE : pts - route.startPts, route.sourceTimeBase);
    return !control.stopRequested();
  };
  if (decodeAll(route.decoder, packets, add, control)) chunker.finish();
}

}  // namespace kivotra::detail
