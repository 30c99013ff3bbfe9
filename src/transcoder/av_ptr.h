#pragma once

// Owners for FFmpeg objects: one deleter template and unique_ptr aliases, so
// no business code calls a *_free function by hand.

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavfilter/avfilter.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/frame.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <memory>
#include <type_traits>

namespace kivotra::av {

template <auto Free>
struct Deleter {
  template <class T>
  void operator()(T* p) const noexcept {
    if constexpr (std::is_invocable_v<decltype(Free), T**>) {
      Free(&p);
    } else {
      Free(p);
    }
  }
};

using FramePtr = std::unique_ptr<AVFrame, Deleter<&av_frame_free>>;
using PacketPtr = std::unique_ptr<AVPacket, Deleter<&av_packet_free>>;
using CodecContextPtr = std::unique_ptr<AVCodecContext, Deleter<&avcodec_free_context>>;
using InputContextPtr = std::unique_ptr<AVFormatContext, Deleter<&avformat_close_input>>;
using FilterGraphPtr = std::unique_ptr<AVFilterGraph, Deleter<&avfilter_graph_free>>;
using SwsContextPtr = std::unique_ptr<SwsContext, Deleter<&sws_freeContext>>;
using SwrContextPtr = std::unique_ptr<SwrContext, Deleter<&swr_free>>;
using AudioFifoPtr = std::unique_ptr<AVAudioFifo, Deleter<&av_audio_fifo_free>>;
using BufferPtr = std::unique_ptr<AVBufferRef, Deleter<&av_buffer_unref>>;
using BufferPoolPtr = std::unique_ptr<AVBufferPool, Deleter<&av_buffer_pool_uninit>>;

// An output context together with the file it opened (if its format has one).
// Freeing it does not write the trailer; whoever writes must call
// av_write_trailer and check its result first.
inline void closeOutput(AVFormatContext* ctx) noexcept {
  if (ctx == nullptr) return;
  if (ctx->oformat != nullptr && !(ctx->oformat->flags & AVFMT_NOFILE)) avio_closep(&ctx->pb);
  avformat_free_context(ctx);
}
using OutputContextPtr = std::unique_ptr<AVFormatContext, Deleter<&closeOutput>>;

inline FramePtr makeFrame() { return FramePtr(av_frame_alloc()); }
inline PacketPtr makePacket() { return PacketPtr(av_packet_alloc()); }

// A reading context over our own I/O callbacks, together with its buffer
// (avio_context_free leaves the buffer to the caller).
inline void freeCustomIo(AVIOContext* io) noexcept {
  if (io == nullptr) return;
  av_freep(&io->buffer);
  avio_context_free(&io);
}
using CustomIoPtr = std::unique_ptr<AVIOContext, Deleter<&freeCustomIo>>;
using FilterInOutPtr = std::unique_ptr<AVFilterInOut, Deleter<&avfilter_inout_free>>;

}  // namespace kivotra::av
