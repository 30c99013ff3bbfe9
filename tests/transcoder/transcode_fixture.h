#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <optional>
#include <ostream>
#include <string>

#include "models/errors.h"
#include "models/temp_dir.h"
#include "support/media_fixtures.h"
#include "transcoder/transcoder.h"

namespace kivotra {
// Failed expectations show the text a user would read.
inline void PrintTo(const TranscodeError& e, std::ostream* os) { *os << e.description(); }
}  // namespace kivotra

namespace kivotra::testing {

// A private folder per test for generated sources and outputs.
class TranscodeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = privateTempDir() / ("transcode-" + std::to_string(::getpid()) + "-" +
                               ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  std::filesystem::path source(const std::string& name, const fixtures::MediaOptions& options) {
    const std::filesystem::path path = dir_ / name;
    fixtures::writeMedia(path, options);
    return path;
  }

  // What the probe reports for a fixture: the engine trusts it as given.
  static ProbeInfo infoFor(const fixtures::MediaOptions& o) {
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
    c.noUpscale = true;
    return c;
  }

  std::filesystem::path dir_;
};

// The TranscodeError a call throws; nothing (and a test failure) when it
// throws nothing or something else.
template <class Call>
std::optional<TranscodeError> transcodeErrorOf(Call&& call) {
  try {
    call();
  } catch (const TranscodeError& e) {
    return e;
  } catch (const Error& e) {
    ADD_FAILURE() << "another error: " << e.description();
    return std::nullopt;
  }
  ADD_FAILURE() << "no error";
  return std::nullopt;
}

}  // namespace kivotra::testing
