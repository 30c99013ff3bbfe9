extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/display.h>
#include <libavutil/opt.h>
}

#include <cmath>
#include <fstream>
#include <limits>
#include <map>
#include <mutex>
#include <numbers>
#include <random>
#include <string>

#include "support/av_check.h"
#include "support/media_fixtures.h"
#include "support/scratch_dir.h"
#include "transcoder/av_ptr.h"

namespace kivotra::fixtures {

using detail::check;
using detail::fail;
using detail::require;

namespace {

void quietLogs() {
  static std::once_flag once;
  std::call_once(once, [] { av_log_set_level(AV_LOG_ERROR); });
}

void fillRect(std::vector<std::uint8_t>& rgba, int w, const Rect& r, std::uint8_t value) {
  for (int y = r.y; y < r.y + r.h; ++y) {
    for (int x = r.x; x < r.x + r.w; ++x) {
      std::uint8_t* p = &rgba[(static_cast<std::size_t>(y) * w + x) * 4];
      p[0] = p[1] = p[2] = value;
      p[3] = 255;
    }
  }
}

void paintPattern(std::vector<std::uint8_t>& rgba, int w, int h, std::int64_t frameIndex) {
  fillRect(rgba, w, {0, 0, w, h}, pattern::background);
  fillRect(rgba, w, pattern::marker(w, h), pattern::white);
  fillRect(rgba, w, pattern::tail(w, h), pattern::white);
  for (int bit = 0; bit < 8; ++bit) {
    const bool set = (frameIndex >> bit) & 1;
    fillRect(rgba, w, pattern::counterCell(w, h, bit), set ? pattern::white : pattern::counterOff);
  }
}

std::string containerFor(const std::filesystem::path& path) {
  const std::string ext = path.extension().string();
  if (ext == ".mov") return "mov";
  if (ext == ".mp4" || ext == ".m4v") return "mp4";
  fail("unsupported extension " + ext);
}

// An 8x8 pure red PNG, the cover art.
constexpr char kCoverPng[] =
    "\x89\x50\x4e\x47\x0d\x0a\x1a\x0a\x00\x00\x00\x0d\x49\x48\x44\x52\x00\x00\x00\x08\x00\x00\x00\x08"
    "\x08\x02\x00\x00\x00\x4b\x6d\x29\xdc\x00\x00\x00\x11\x49\x44\x41\x54\x78\xda\x63\xf8\xcf\xc0\x80"
    "\x15\x31\x0c\x2d\x09\x00\x28\xff\x3f\xc1\xce\x77\xc8\x4f\x00\x00\x00\x00\x49\x45\x4e\x44\xae\x42"
    "\x60\x82";

// ---- cover art ----------------------------------------------------------

std::uint32_t readBe32(const std::string& data, std::size_t at) {
  std::uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v = (v << 8) | static_cast<std::uint8_t>(data[at + i]);
  return v;
}

std::string be32(std::size_t v) { return {char(v >> 24), char(v >> 16), char(v >> 8), char(v)}; }

std::string box(const char* type, const std::string& payload) { return be32(8 + payload.size()) + type + payload; }

// Where the first box of `type` among those in [begin, end) starts; npos if none.
// Files this small have no 64-bit or open-ended boxes.
std::size_t findBox(const std::string& data, std::size_t begin, std::size_t end, const char* type) {
  for (std::size_t at = begin; at + 8 <= end; at += readBe32(data, at)) {
    if (readBe32(data, at) < 8 || at + readBe32(data, at) > end) fail("malformed box in the written file");
    if (data.compare(at + 4, 4, type) == 0) return at;
  }
  return std::string::npos;
}

// Adds a cover picture (iTunes-style udta/meta/ilst/covr) to a finished file,
// placed before the first track so that demuxers list the cover as stream 0.
// The muxer puts its own udta after the tracks (and writes none at all for
// .mov), which would make the cover the last stream instead. Needs the moov box
// after mdat (the muxer's default), so offsets stay valid.
void insertCoverArt(const std::filesystem::path& path, const std::string& png) {
  std::string data = readFile(path);
  const std::size_t mdat = findBox(data, 0, data.size(), "mdat"), moov = findBox(data, 0, data.size(), "moov");
  if (mdat == std::string::npos || moov == std::string::npos || moov < mdat) fail("cover art needs moov after mdat");
  const std::size_t trak = findBox(data, moov + 8, moov + readBe32(data, moov), "trak");
  if (trak == std::string::npos) fail("no track to put the cover before");
  const std::string fullBox(4, '\0');  // version 0, flags 0
  // Pre-defined, handler type, reserved and an empty name; the data's type is 14 (PNG), its locale 0.
  const std::string hdlr = box("hdlr", fullBox + be32(0) + "mdirappl" + std::string(9, '\0'));
  const std::string covr = box("covr", box("data", be32(14) + be32(0) + png));
  const std::string udta = box("udta", box("meta", fullBox + hdlr + box("ilst", covr)));
  data.replace(moov, 4, be32(readBe32(data, moov) + udta.size()));
  data.insert(trak, udta);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out.write(data.data(), static_cast<std::streamsize>(data.size())).flush()) fail("cannot write " + path.string());
}

// ---- the writer ---------------------------------------------------------

struct OutputStream {
  av::CodecContextPtr ctx;
  AVStream* stream = nullptr;
};

class Writer {
 public:
  Writer(const std::filesystem::path& path, const MediaOptions& o) : path_(path), o_(o) {
    if (!o.video && o.audioChannels <= 0) fail("a file needs video or audio");
    if (o.fps.num <= 0 || o.fps.den <= 0 || o.audioLeadSeconds < 0) fail("frame rate and audio lead must be positive");
  }

  void write() {
    const std::string container = containerFor(path_);
    AVFormatContext* raw = nullptr;
    check(avformat_alloc_output_context2(&raw, nullptr, container.c_str(), path_.c_str()), "output context");
    out_.reset(raw);
    if (o_.video) openVideo();
    if (o_.audioChannels > 0) openAudio(container);
    check(avio_open(&out_->pb, path_.c_str(), AVIO_FLAG_WRITE), "opening " + path_.string());
    AVDictionary* muxerOptions = nullptr;
    if (o_.indexFirst) av_dict_set(&muxerOptions, "movflags", "+faststart", 0);
    const int headerErr = avformat_write_header(out_.get(), &muxerOptions);
    av_dict_free(&muxerOptions);
    check(headerErr, "writing header");

    const std::int64_t frames =
        o_.video ? static_cast<std::int64_t>(std::floor(o_.seconds * o_.fps.value() + 1e-9)) : 0;
    const double audioSeconds = o_.video ? o_.seconds + leadTicks_ * av_q2d(videoTimeBase()) : o_.seconds;
    const std::int64_t samples = o_.audioChannels > 0 ? std::llround(audioSeconds * o_.audioSampleRate) : 0;
    std::int64_t frameIndex = 0, samplesDone = 0;
    constexpr double never = std::numeric_limits<double>::infinity();
    while (frameIndex < frames || samplesDone < samples) {
      const double videoAt = frameIndex < frames ? videoTicks(frameIndex) * av_q2d(videoTimeBase()) : never;
      const double audioAt = samplesDone < samples ? static_cast<double>(samplesDone) / o_.audioSampleRate : never;
      if (audioAt <= videoAt) {
        samplesDone += sendAudio(samplesDone, samples - samplesDone);
      } else {
        sendVideo(frameIndex++);
      }
    }
    if (video_.ctx) encode(video_, nullptr);
    if (audio_.ctx) encode(audio_, nullptr);
    check(av_write_trailer(out_.get()), "writing trailer");
    check(avio_closep(&out_->pb), "closing " + path_.string());
    out_.reset();
    if (o_.coverArt) insertCoverArt(path_, std::string(kCoverPng, sizeof kCoverPng - 1));
  }

 private:
  AVRational videoTimeBase() const { return {o_.fps.den, o_.fps.num * 2}; }

  // Presentation time of frame i in half-frame ticks (see videoTimeBase).
  std::int64_t videoTicks(std::int64_t i) const {
    if (!o_.variableFrameRate) return leadTicks_ + 2 * i;
    // Durations 1, 2, 3 ticks in turn: three frames take six ticks.
    const std::int64_t cycles = i / 3, rest = i % 3;
    return leadTicks_ + cycles * 6 + (rest == 0 ? 0 : rest == 1 ? 1 : 3);
  }

  void openVideo() {
    const bool hdr = o_.hdr != Hdr::none;
    const bool hevc = hdr;
    const char* name = hevc ? "libx265" : "libx264";
    const AVCodec* codec = require(avcodec_find_encoder_by_name(name), std::string("no encoder ") + name);
    video_.ctx.reset(require(avcodec_alloc_context3(codec), "video context"));
    AVCodecContext* c = video_.ctx.get();
    c->width = o_.width;
    c->height = o_.height;
    c->pix_fmt = hdr ? AV_PIX_FMT_YUV420P10LE : AV_PIX_FMT_YUV420P;
    c->time_base = videoTimeBase();
    if (!o_.variableFrameRate) c->framerate = {o_.fps.num, o_.fps.den};
    c->sample_aspect_ratio = {1, 1};
    c->color_range = AVCOL_RANGE_MPEG;
    c->color_primaries = hdr ? AVCOL_PRI_BT2020 : AVCOL_PRI_BT709;
    c->colorspace = hdr ? AVCOL_SPC_BT2020_NCL : AVCOL_SPC_BT709;
    c->color_trc = o_.hdr == Hdr::pq    ? AVCOL_TRC_SMPTE2084
                   : o_.hdr == Hdr::hlg ? AVCOL_TRC_ARIB_STD_B67
                                        : AVCOL_TRC_BT709;
    if (out_->oformat->flags & AVFMT_GLOBALHEADER) c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    check(av_opt_set(c->priv_data, "preset", hevc ? "ultrafast" : "veryfast", 0), "encoder preset");
    std::string params = hevc ? "log-level=error" : "";
    if (o_.keyframeInterval > 0) {
      c->gop_size = o_.keyframeInterval;
      params += params.empty() ? "scenecut=0" : ":scenecut=0";
    }
    if (!params.empty()) check(av_opt_set(c->priv_data, hevc ? "x265-params" : "x264-params", params.c_str(), 0), "encoder parameters");
    check(avcodec_open2(c, codec, nullptr), std::string("opening ") + name);

    video_.stream = require(avformat_new_stream(out_.get(), nullptr), "video stream");
    check(avcodec_parameters_from_context(video_.stream->codecpar, c), "video parameters");
    if (hevc) video_.stream->codecpar->codec_tag = MKTAG('h', 'v', 'c', '1');
    video_.stream->time_base = c->time_base;
    if (o_.rotation % 360 != 0 || o_.hflip) {
      auto* matrix = reinterpret_cast<std::int32_t*>(require(
          av_stream_new_side_data(video_.stream, AV_PKT_DATA_DISPLAYMATRIX, 9 * sizeof(std::int32_t)),
          "display matrix"));
      // For a positive angle this gives the matrix {0, 1, -1, 0} of a phone's
      // portrait recording: turned clockwise on screen (ffprobe: "rotation -90").
      av_display_rotation_set(matrix, o_.rotation);
      av_display_matrix_flip(matrix, o_.hflip, 0);
    }
    leadTicks_ = std::llround(o_.audioChannels > 0 ? o_.audioLeadSeconds / av_q2d(c->time_base) : 0);

    sws_.reset(require(sws_getContext(o_.width, o_.height, AV_PIX_FMT_RGBA, o_.width, o_.height, c->pix_fmt,
                                      SWS_BICUBIC, nullptr, nullptr, nullptr),
                       "scaler"));
    const int matrixId = hdr ? SWS_CS_BT2020 : SWS_CS_ITU709;
    check(sws_setColorspaceDetails(sws_.get(), sws_getCoefficients(SWS_CS_DEFAULT), 1, sws_getCoefficients(matrixId),
                                   0, 0, 1 << 16, 1 << 16),
          "scaler colours");
    rgba_.resize(static_cast<std::size_t>(o_.width) * o_.height * 4);
  }

  void openAudio(const std::string& container) {
    const bool pcm = container == "mov";
    const AVCodec* codec =
        require(avcodec_find_encoder(pcm ? AV_CODEC_ID_PCM_S16LE : AV_CODEC_ID_AAC), "no audio encoder");
    audio_.ctx.reset(require(avcodec_alloc_context3(codec), "audio context"));
    AVCodecContext* c = audio_.ctx.get();
    c->sample_fmt = pcm ? AV_SAMPLE_FMT_S16 : AV_SAMPLE_FMT_FLTP;
    c->sample_rate = o_.audioSampleRate;
    c->time_base = {1, o_.audioSampleRate};
    av_channel_layout_default(&c->ch_layout, o_.audioChannels);
    // Prefer a layout the encoder lists (AAC has 5.1 only with back speakers).
    for (const AVChannelLayout* l = codec->ch_layouts; l && l->nb_channels; ++l) {
      if (l->nb_channels == o_.audioChannels) {
        check(av_channel_layout_copy(&c->ch_layout, l), "channel layout");
        break;
      }
    }
    if (!pcm) c->bit_rate = 64000 * o_.audioChannels;
    if (out_->oformat->flags & AVFMT_GLOBALHEADER) c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    check(avcodec_open2(c, codec, nullptr), "opening audio encoder (" + std::to_string(o_.audioSampleRate) + " Hz, " +
                                                std::to_string(o_.audioChannels) + " channels)");
    audio_.stream = require(avformat_new_stream(out_.get(), nullptr), "audio stream");
    check(avcodec_parameters_from_context(audio_.stream->codecpar, c), "audio parameters");
    audio_.stream->time_base = c->time_base;
  }

  void sendVideo(std::int64_t index) {
    paintPattern(rgba_, o_.width, o_.height, index);
    av::FramePtr frame = av::makeFrame();
    require(frame.get(), "frame");
    frame->format = video_.ctx->pix_fmt;
    frame->width = o_.width;
    frame->height = o_.height;
    check(av_frame_get_buffer(frame.get(), 0), "video frame buffer");
    const std::uint8_t* src[1] = {rgba_.data()};
    const int srcStride[1] = {o_.width * 4};
    check(sws_scale(sws_.get(), src, srcStride, 0, o_.height, frame->data, frame->linesize), "converting picture");
    frame->pts = videoTicks(index);
    frameDurations_[frame->pts] = videoTicks(index + 1) - frame->pts;
    frame->color_range = video_.ctx->color_range;
    frame->color_primaries = video_.ctx->color_primaries;
    frame->color_trc = video_.ctx->color_trc;
    frame->colorspace = video_.ctx->colorspace;
    encode(video_, frame.get());
  }

  // Sends one audio frame starting at sample `first`; returns its sample count.
  std::int64_t sendAudio(std::int64_t first, std::int64_t remaining) {
    AVCodecContext* c = audio_.ctx.get();
    const int size = c->frame_size > 0 ? c->frame_size : 1024;
    const int n = static_cast<int>(std::min<std::int64_t>(size, remaining));
    av::FramePtr frame = av::makeFrame();
    require(frame.get(), "frame");
    frame->format = c->sample_fmt;
    frame->sample_rate = c->sample_rate;
    frame->nb_samples = n;
    check(av_channel_layout_copy(&frame->ch_layout, &c->ch_layout), "frame layout");
    check(av_frame_get_buffer(frame.get(), 0), "audio frame buffer");
    const int channels = c->ch_layout.nb_channels;
    for (int i = 0; i < n; ++i) {
      const double t = static_cast<double>(first + i) / c->sample_rate;
      for (int ch = 0; ch < channels; ++ch) {
        const double v = 0.25 * std::sin(2 * std::numbers::pi * 440.0 * (ch + 1) * t);
        if (c->sample_fmt == AV_SAMPLE_FMT_S16) {
          reinterpret_cast<std::int16_t*>(frame->data[0])[i * channels + ch] = static_cast<std::int16_t>(v * 32767);
        } else {
          reinterpret_cast<float*>(frame->extended_data[ch])[i] = static_cast<float>(v);
        }
      }
    }
    frame->pts = first;
    encode(audio_, frame.get());
    return n;
  }

  // Sends a frame (null flushes) and writes every packet the encoder returns.
  void encode(OutputStream& s, const AVFrame* frame) {
    check(avcodec_send_frame(s.ctx.get(), frame), "encoding");
    av::PacketPtr packet = av::makePacket();
    require(packet.get(), "packet");
    for (;;) {
      const int got = avcodec_receive_packet(s.ctx.get(), packet.get());
      if (got == AVERROR(EAGAIN) || got == AVERROR_EOF) return;
      check(got, "receiving packet");
      // The encoder leaves video durations empty; without them the muxer
      // shortens the last frame and the stream's average rate comes out wrong.
      if (&s == &video_ && packet->duration == 0) {
        const auto it = frameDurations_.find(packet->pts);
        if (it != frameDurations_.end()) {
          packet->duration = it->second;
          frameDurations_.erase(it);
        }
      }
      av_packet_rescale_ts(packet.get(), s.ctx->time_base, s.stream->time_base);
      packet->stream_index = s.stream->index;
      check(av_interleaved_write_frame(out_.get(), packet.get()), "writing packet");
    }
  }

  std::filesystem::path path_;
  MediaOptions o_;
  av::OutputContextPtr out_;
  OutputStream video_;
  OutputStream audio_;
  av::SwsContextPtr sws_;
  std::vector<std::uint8_t> rgba_;
  std::int64_t leadTicks_ = 0;  // video start, in video time-base ticks
  std::map<std::int64_t, std::int64_t> frameDurations_;  // by pts, in video time-base ticks
};

}  // namespace

void writeMedia(const std::filesystem::path& path, const MediaOptions& options) {
  quietLogs();
  std::error_code ignored;
  std::filesystem::remove(path, ignored);
  Writer(path, options).write();
}

void writeBytes(const std::filesystem::path& path, std::size_t bytes) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  if (!file) fail("cannot write " + path.string());
  std::mt19937 random(20240611);
  for (std::size_t i = 0; i < bytes; ++i) file.put(static_cast<char>(random() & 0xff));
  if (!file.flush()) fail("cannot write " + path.string());
}

void truncateFile(const std::filesystem::path& path, std::uintmax_t keepBytes) {
  std::error_code error;
  std::filesystem::resize_file(path, keepBytes, error);
  if (error) fail("cannot truncate " + path.string() + ": " + error.message());
}

}  // namespace kivotra::fixtures
