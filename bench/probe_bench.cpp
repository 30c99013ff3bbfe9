// Times Transcoder::probeSync, cover thumbnail included: wall and CPU time of
// each call. Without files, on a generated local 1080p movie (H.264 + PCM,
// 2 s); with files, one line per file:
//   probe file=<name> runs=<n> median_ms=<wall> cpu_ms=<median CPU> thumbnail=<w>x<h>
// Usage: probe_bench [runs] [file...]
#include <stdlib.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

extern "C" {
#include <libavutil/log.h>
}

#include "selftest/media/test_video.h"
#include "transcoder/transcoder.h"

namespace {

double cpuMs() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const auto ms = [](const timeval& t) { return t.tv_sec * 1e3 + t.tv_usec / 1e3; };
  return ms(usage.ru_utime) + ms(usage.ru_stime);
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

void timeProbe(const std::filesystem::path& movie, int runs) {
  using namespace kivotra;
  Transcoder::probeSync(movie);  // warm the page cache and the libraries
  std::vector<double> wall, cpu;
  ProbeInfo info;
  for (int i = 0; i < runs; ++i) {
    const double cpuBefore = cpuMs();
    const auto start = std::chrono::steady_clock::now();
    info = Transcoder::probeSync(movie);
    wall.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    cpu.push_back(cpuMs() - cpuBefore);
  }
  std::printf("probe file=%s runs=%d median_ms=%.1f cpu_ms=%.1f thumbnail=%dx%d\n", movie.filename().c_str(), runs,
              median(wall), median(cpu), info.thumbnail ? info.thumbnail->width : 0,
              info.thumbnail ? info.thumbnail->height : 0);
}

}  // namespace

int main(int argc, char** argv) {
  using namespace kivotra;
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 30;
  av_log_set_level(AV_LOG_ERROR);
  try {
    if (argc > 2) {
      for (int i = 2; i < argc; ++i) timeProbe(argv[i], runs);
      return 0;
    }
    std::string folder = (std::filesystem::temp_directory_path() / "kivotra-bench-XXXXXX").string();
    if (mkdtemp(folder.data()) == nullptr) {
      std::perror("mkdtemp");
      return 1;
    }
    const std::filesystem::path movie = std::filesystem::path(folder) / "bench-1080p.mov";
    SelfTest::makeTestVideo(movie, 1920, 1080, 2.0, 30, true);
    timeProbe(movie, runs);
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
  } catch (const Error& e) {
    std::fprintf(stderr, "failed: %s\n", e.description().c_str());
    return 1;
  }
  return 0;
}
