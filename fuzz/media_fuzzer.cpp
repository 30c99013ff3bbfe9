// libFuzzer target: arbitrary bytes as a source file, through the probe and
// the first seconds of a transcode. Source and output live in memory files
// (memfd), reached by their /proc/self/fd paths like any other file.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" {
#include <libavutil/log.h>
}

#include "models/errors.h"
#include "transcoder/transcoder.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  av_log_set_level(AV_LOG_QUIET);
  return 0;
}

namespace {

struct MemFile {
  explicit MemFile(const char* name) : fd(::memfd_create(name, 0)) {}
  ~MemFile() {
    if (fd >= 0) ::close(fd);
  }
  std::string path() const { return "/proc/self/fd/" + std::to_string(fd); }
  int fd;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kivotra;
  MemFile source("fuzz-source");
  MemFile output("fuzz-output");
  if (source.fd < 0 || output.fd < 0) return 0;
  for (std::size_t done = 0; done < size;) {
    const ssize_t n = ::write(source.fd, data + done, size - done);
    if (n <= 0) return 0;
    done += static_cast<std::size_t>(n);
  }
  ProbeInfo info;
  try {
    info = Transcoder::probeSync(source.path());
  } catch (const Error&) {
    return 0;  // refused with a message: the expected end for most inputs
  }
  // A small picture and a stop after two seconds of media keep each input fast.
  Transcoder::Config config;
  config.shortSide = 144;
  config.bitrateKbps = 200;
  double reached = 0;
  try {
    Transcoder::transcodeSync(
        source.path(), output.path(), config, info, [&](double fraction) { reached = fraction * info.duration; },
        [&] { return reached > 2.0; });
  } catch (const Error&) {
  }
  return 0;
}
