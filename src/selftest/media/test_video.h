#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <iosfwd>
#include <span>
#include <vector>

#include "selftest/media/selftest_error.h"
#include "transcoder/av_ptr.h"

// Synthetic source videos whose size, rate, length and sound are known
// exactly: H.264 in QuickTime showing a fixed blue-to-yellow gradient, with an
// optional 440 Hz stereo tone as 16-bit PCM. Everything runs on the calling
// thread; failures are SelfTestError (codes 2 to 8) or, when the location
// cannot be opened for writing, the PlatformError that says why.
namespace kivotra::SelfTest {

inline constexpr int toneSampleRate = 44100;
inline constexpr std::int64_t chunkFrames = 11025;  // a quarter second

// One slice of the tone: `frames` stereo frames starting at frame `pts`
// (also its time in 1/44100 s), as interleaved little-endian int16 pairs.
struct AudioChunk {
  std::int64_t pts = 0;
  std::int64_t frames = 0;
  std::vector<std::uint8_t> data;  // frames * 4 bytes
};

// The tone of `seconds` (floor(seconds * 44100) frames) cut into chunks of
// 11025 frames, the last holding the remainder.
std::vector<AudioChunk> toneChunks(double seconds);

// One write of makeTestVideo: an audio chunk or a video frame, by index.
struct WriteStep {
  bool audio = false;
  std::int64_t index = 0;
  bool operator==(const WriteStep&) const = default;
};

// The order makeTestVideo submits samples in: before frame i, every chunk not
// yet written that starts at or before i / fps; after the last frame, the
// remaining chunks that start at or before `seconds`.
std::vector<WriteStep> writeOrder(std::int64_t frames, int fps, std::span<const AudioChunk> chunks, double seconds);

// The B, G, R, A bytes of row y of an h-row gradient frame.
std::array<std::uint8_t, 4> gradientPixel(int y, int h);

// Writes the movie (replacing any file there) and returns `at`. frames =
// floor(seconds * fps) with presentation times i / fps.
std::filesystem::path makeTestVideo(const std::filesystem::path& at, int w, int h, double seconds, int fps,
                                    bool withAudio);

// A packet holding a copy of one chunk for the PCM stream described by
// `format`: pts and duration (= frames) in units of 1 / sampleRate, which is
// also the packet's time_base. Code 7 when the data cannot be allocated or
// copied, code 8 (with the status number) when it does not fit the format.
av::PacketPtr makeAudioSampleBuffer(std::span<const std::uint8_t> data, std::int64_t frames,
                                    const AVCodecParameters& format, std::int64_t pts, double sampleRate);

struct DemoRow {
  const char* fileName;
  int width;
  int height;
  double seconds;
};

// The four demo movies, in the order they are written.
std::span<const DemoRow> demoRows();

// Writes the demo movies into `to` (created if missing) and prints one "✓" or
// "✗" line per movie to `out`. Never throws.
void demoGenerate(const std::filesystem::path& to, std::ostream& out);
void demoGenerate(const std::filesystem::path& to);  // to standard output
// The same for any list of rows.
void generateRows(const std::filesystem::path& to, std::span<const DemoRow> rows, std::ostream& out);

}  // namespace kivotra::SelfTest
