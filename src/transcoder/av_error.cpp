#include "transcoder/av_error.h"

extern "C" {
#include <libavutil/error.h>
}

namespace kivotra::av {

std::string errorText(int averror) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  if (av_strerror(averror, text, sizeof text) < 0) return "error " + std::to_string(averror);
  return text;
}

namespace {

using Cause = PlatformError::Cause;

// FFmpeg's own codes here; AVERROR(errno) codes go through the errno table.
Cause causeOf(int averror) {
  switch (averror) {
    // A file that ends early or holds garbage: what users call damaged.
    case AVERROR_INVALIDDATA:
    case AVERROR_EOF: return Cause::damaged;
    case AVERROR_DEMUXER_NOT_FOUND:
    case AVERROR_DECODER_NOT_FOUND:
    case AVERROR_ENCODER_NOT_FOUND:
    case AVERROR_MUXER_NOT_FOUND:
    case AVERROR_PROTOCOL_NOT_FOUND:
    case AVERROR_FILTER_NOT_FOUND:
    case AVERROR_OPTION_NOT_FOUND:
    case AVERROR_PATCHWELCOME: return Cause::unsupported;
    default: return PlatformError::causeOfErrno(AVUNERROR(averror));
  }
}

}  // namespace

PlatformError platformErrorFromAv(int averror) { return PlatformError(causeOf(averror), errorText(averror)); }

int check(int result) {
  if (result < 0) throw platformErrorFromAv(result);
  return result;
}

}  // namespace kivotra::av
