#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <ostream>
#include <string>

#include "models/errors.h"
#include "support/bounded.h"
#include "support/media_fixtures.h"
#include "support/scratch_dir.h"
#include "transcoder/detail/run.h"
#include "transcoder/transcoder.h"

namespace kivotra {
// Failed expectations show the text a user would read.
inline void PrintTo(const TranscodeError& e, std::ostream* os) { *os << e.description(); }
}  // namespace kivotra

namespace kivotra::testing {

namespace fx = kivotra::fixtures;

// A private folder per test for generated sources and outputs; every engine
// call made through it has a time limit of its own.
class TranscodeTest : public ::testing::Test {
 protected:
  std::filesystem::path source(const std::string& name, const fx::MediaOptions& options) {
    fx::writeMedia(dir_ / name, options);
    return dir_ / name;
  }

  static fx::MediaOptions clip(int width, int height, double seconds, int audioChannels = 0) {
    fx::MediaOptions o;
    o.width = width;
    o.height = height;
    o.seconds = seconds;
    o.audioChannels = audioChannels;
    return o;
  }

  // What the probe reports for a fixture: the engine trusts it as given.
  static ProbeInfo infoFor(const fx::MediaOptions& o) {
    ProbeInfo info;
    const bool turned = o.rotation % 180 != 0;
    info.width = turned ? o.height : o.width;
    info.height = turned ? o.width : o.height;
    info.fps = o.fps.value();
    info.duration = o.seconds + o.audioLeadSeconds;
    info.hasAudio = o.audioChannels > 0;
    if (info.hasAudio) {
      info.audioSampleRate = o.audioSampleRate;
      info.audioChannels = o.audioChannels;
    }
    return info;
  }

  static Transcoder::Config config(int shortSide, FitMode fit = FitMode::keep, int fps = 0, int bitrateKbps = 500) {
    Transcoder::Config c;
    c.shortSide = shortSide;
    c.fit = fit;
    c.fps = fps;
    c.bitrateKbps = bitrateKbps;
    return c;
  }

  static ProbeInfo probe(const std::filesystem::path& path) {
    return test::bounded([&] { return Transcoder::probeSync(path); });
  }

  static std::int64_t transcode(const std::filesystem::path& src, const std::filesystem::path& dst,
                                const Transcoder::Config& c, const ProbeInfo& info,
                                const Transcoder::ProgressFn& progress = {}, const Transcoder::CancelFn& stop = {},
                                const detail::RunLimits& limits = {}) {
    return test::bounded([&] { return detail::runTranscode(src, dst, c, info, progress, stop, limits); });
  }

  // The luma of a file's index-th frame, as stored.
  fx::Image frame(const std::string& file, int index) { return fx::decodeVideoFrame(dir_ / file, index); }

  fx::ScratchDir dir_;
};

// The error of type E a call throws; nothing (and a test failure) when it
// throws nothing or another error.
template <class E = TranscodeError, class Call>
std::optional<E> errorOf(Call&& call) {
  try {
    call();
  } catch (const E& e) {
    return e;
  } catch (const Error& e) {
    ADD_FAILURE() << "another error: " << e.description();
    return std::nullopt;
  }
  ADD_FAILURE() << "no error";
  return std::nullopt;
}

// The frame index mod 256 a whole unrotated picture shows at any scale (see
// media_fixtures.h), from channel 0: each cell's middle half only, as scaling and
// chroma bleed blur its edges; 150 is midway between the "off" grey and white,
// in RGB and in limited-range luma.
inline int counterOf(const fx::Image& img) {
  int value = 0;
  for (int bit = 0; bit < 8; ++bit) {
    const fx::Rect cell = fx::pattern::counterCell(img.width, img.height, bit);
    const fx::Rect inner{cell.x + cell.w / 4, cell.y + cell.h / 4, std::max(1, cell.w / 2), std::max(1, cell.h / 2)};
    if (img.mean(inner) > 150) value |= 1 << bit;
  }
  return value;
}

}  // namespace kivotra::testing
