// Times Transcoder::probeSync, cover thumbnail included, on a generated local
// 1080p movie (H.264 + PCM, 2 s). Usage: probe_bench [runs]
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <numeric>
#include <string>
#include <vector>

extern "C" {
#include <libavutil/log.h>
}

#include "selftest/media/test_video.h"
#include "transcoder/transcoder.h"

int main(int argc, char** argv) {
  using namespace kivotra;
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 30;
  av_log_set_level(AV_LOG_ERROR);

  std::string folder = (std::filesystem::temp_directory_path() / "kivotra-bench-XXXXXX").string();
  if (mkdtemp(folder.data()) == nullptr) {
    std::perror("mkdtemp");
    return 1;
  }
  const std::filesystem::path movie = std::filesystem::path(folder) / "bench-1080p.mov";
  int status = 0;
  try {
    SelfTest::makeTestVideo(movie, 1920, 1080, 2.0, 30, true);
    Transcoder::probeSync(movie);  // warm the page cache and the libraries

    std::vector<double> ms;
    ProbeInfo info;
    for (int i = 0; i < runs; ++i) {
      const auto start = std::chrono::steady_clock::now();
      info = Transcoder::probeSync(movie);
      ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(ms.begin(), ms.end());
    const double mean = std::accumulate(ms.begin(), ms.end(), 0.0) / ms.size();
    std::printf("probeSync 1920x1080 H.264 with thumbnail (%dx%d), %d runs: min %.1f ms, median %.1f ms, "
                "mean %.1f ms, max %.1f ms\n",
                info.thumbnail ? info.thumbnail->width : 0, info.thumbnail ? info.thumbnail->height : 0, runs,
                ms.front(), ms[ms.size() / 2], mean, ms.back());
  } catch (const Error& e) {
    std::fprintf(stderr, "failed: %s\n", e.description().c_str());
    status = 1;
  }
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);
  return status;
}
