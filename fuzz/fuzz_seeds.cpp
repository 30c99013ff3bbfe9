// Writes a few small, healthy sources for the fuzzer to start from:
// fuzz_seeds DIR
#include <filesystem>
#include <iostream>

#include "support/media_fixtures.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: fuzz_seeds DIR\n";
    return 2;
  }
  namespace fx = kivotra::fixtures;
  const std::filesystem::path dir = argv[1];
  std::filesystem::create_directories(dir);
  try {
    fx::MediaOptions o;
    o.width = 64;
    o.height = 48;
    o.seconds = 0.3;
    fx::writeMedia(dir / "plain.mp4", o);
    o.audioChannels = 1;
    o.audioSampleRate = 8000;
    o.rotation = 90;
    fx::writeMedia(dir / "rotated-pcm.mov", o);
    o.audioCodec = fx::AudioCodec::aac;
    o.variableFrameRate = true;
    o.coverArt = true;
    fx::writeMedia(dir / "cover-vfr-aac.mp4", o);
  } catch (const std::exception& e) {
    std::cerr << e.what() << '\n';
    return 1;
  }
  return 0;
}
