#pragma once

// Error helpers shared by the fixture sources (not part of the fixture API).

extern "C" {
#include <libavutil/error.h>
}

#include <stdexcept>
#include <string>

namespace kivotra::fixtures::detail {

[[noreturn]] inline void fail(const std::string& what) { throw std::runtime_error("fixture: " + what); }

[[noreturn]] inline void fail(const std::string& what, int err) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(err, text, sizeof text);
  fail(what + ": " + text);
}

// Passes non-negative results through; throws with FFmpeg's text otherwise.
inline int check(int result, const std::string& what) {
  if (result < 0) fail(what, result);
  return result;
}

template <class T>
T* require(T* p, const std::string& what) {
  if (p == nullptr) fail(what);
  return p;
}

}  // namespace kivotra::fixtures::detail
