// Runs one transcode the way the queue does (probe, then transcodeSync) and
// prints what the transcode cost on one line (the probe, done when a file is
// added, is not counted; peak memory is the whole process's):
//   wall=<s> cpu=<s> rss_kb=<peak KiB> size=<bytes> fps=<source frames per second> preset=<x264 preset>
//   decoded=<pictures decoded> skipped=<pictures the output's rate dropped before decoding>
// With --stop-after S the run is stopped S seconds in, and the line is
//   stop_latency=<s from the stop request until the call returned>
// Usage: transcode_bench [--preset P] [--stop-after S] <source> <destination> <shortSide> <bitrateKbps>
//                        [keep|crop|pad] [fps]
//        transcode_bench --default-preset
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

extern "C" {
#include <libavutil/log.h>
}

#include "models/errors.h"
#include "models/fit_mode.h"
#include "transcoder/detail/run.h"
#include "transcoder/transcoder.h"

namespace {

double cpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

}  // namespace

int main(int argc, char** argv) {
  using namespace kivotra;
  Transcoder::limitAllocatorArenas();
  Transcoder::Config config;
  if (argc == 2 && std::string(argv[1]) == "--default-preset") {
    std::printf("%s\n", config.x264Preset.c_str());
    return 0;
  }
  if (argc > 2 && std::string(argv[1]) == "--preset") {
    config.x264Preset = argv[2];
    argv += 2;
    argc -= 2;
  }
  double stopAfter = -1;
  if (argc > 2 && std::string(argv[1]) == "--stop-after") {
    stopAfter = std::atof(argv[2]);
    argv += 2;
    argc -= 2;
  }
  if (argc < 5) {
    std::fprintf(stderr, "usage: %s [--preset P] <source> <destination> <shortSide> <bitrateKbps> [keep|crop|pad] [fps]\n",
                 argv[0]);
    return 2;
  }
  av_log_set_level(AV_LOG_ERROR);
  config.shortSide = std::atoi(argv[3]);
  config.bitrateKbps = std::atoi(argv[4]);
  if (argc > 5) {
    const std::string fit = argv[5];
    config.fit = fit == "crop" ? FitMode::crop : fit == "pad" ? FitMode::pad : FitMode::keep;
  }
  if (argc > 6) config.fps = std::atoi(argv[6]);

  try {
    const ProbeInfo info = Transcoder::probeSync(argv[1]);
    if (stopAfter >= 0) {
      using Clock = std::chrono::steady_clock;
      const auto start = Clock::now();
      std::optional<Clock::time_point> asked;  // when the stop was first answered yes
      const auto stop = [&] {
        if (!asked && std::chrono::duration<double>(Clock::now() - start).count() >= stopAfter) asked = Clock::now();
        return asked.has_value();
      };
      try {
        Transcoder::transcodeSync(argv[1], argv[2], config, info, {}, stop);
        std::fprintf(stderr, "finished before the stop\n");
        return 1;
      } catch (const TranscodeError& e) {
        if (e.kind() != TranscodeError::Kind::cancelled) throw;
      }
      std::printf("stop_latency=%.3f\n", std::chrono::duration<double>(Clock::now() - *asked).count());
      return 0;
    }
    const double cpuBefore = cpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    detail::RunStats stats;
    detail::RunLimits limits;
    limits.stats = &stats;
    const std::int64_t size = detail::runTranscode(argv[1], argv[2], config, info, {}, [] { return false; }, limits);
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("wall=%.3f cpu=%.3f rss_kb=%ld size=%lld fps=%.1f preset=%s decoded=%lld skipped=%lld\n", wall,
                cpuSeconds() - cpuBefore, usage.ru_maxrss, static_cast<long long>(size), info.duration * info.fps / wall,
                config.x264Preset.c_str(), static_cast<long long>(stats.decodedPictures),
                static_cast<long long>(stats.skippedPictures));
  } catch (const Error& e) {
    std::fprintf(stderr, "failed: %s\n", e.description().c_str());
    return 1;
  }
  return 0;
}
