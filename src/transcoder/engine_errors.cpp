#include "transcoder/engine_errors.h"

extern "C" {
#include <libavutil/error.h>
}

namespace kivotra::detail {

std::string avText(int averror) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(averror, text, sizeof text);
  return text;
}

PlatformError platformError(int averror) {
  switch (averror) {
    case AVERROR_INVALIDDATA:
    case AVERROR_EOF: return {PlatformError::Cause::damaged, avText(averror)};
    case AVERROR_DECODER_NOT_FOUND:
    case AVERROR_DEMUXER_NOT_FOUND:
    case AVERROR_PATCHWELCOME: return {PlatformError::Cause::unsupported, avText(averror)};
    default: break;
  }
  if (averror < 0 && averror > -4096) return PlatformError::fromErrno(-averror);
  return {PlatformError::Cause::other, avText(averror)};
}

}  // namespace kivotra::detail
