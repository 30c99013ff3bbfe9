#pragma once

// Test media made at test time by the ffmpeg tool, and the means to read it
// back through ffprobe and ffmpeg. Failures throw std::runtime_error so a
// broken fixture fails the test loudly.
//
// The picture (stored, before the display matrix): a white marker at (0,0)
// w/4 x h/4 with a white tail to its right (w/4 x max(2,h/16)), so every
// rotation and mirroring differs; grey (128) background, never black; the
// bottom h/8 holds 8 counter cells, cell k white if bit k of (frame mod 256)
// is set, else 64. SDR is BT.709 limited range: luma grey 126, white 235.

#include <QStringList>
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace kivotra::fixtures {

struct Rational {
  int num = 30;
  int den = 1;
  double value() const { return static_cast<double>(num) / den; }
};

// Any value but none makes the video 10-bit HEVC, BT.2020, limited range.
enum class Hdr { none, pq, hlg };

struct MediaOptions {
  bool video = true;  // false: audio only
  int width = 160;  // stored size; even
  int height = 120;
  double seconds = 1.0;  // frames = floor(seconds * fps)
  Rational fps{30, 1};
  // Display matrix: turned `rotation` degrees clockwise to be upright, then
  // mirrored left-right when hflip is set.
  int rotation = 0;
  bool hflip = false;
  bool coverArt = false;  // an 8x8 red PNG, demuxed as stream 0; .mp4 only
  Hdr hdr = Hdr::none;
  // Frame durations cycle through 0.5, 1 and 1.5 periods; the average stays fps.
  bool variableFrameRate = false;
  // Frames from one key frame to the next, with scene-cut key frames off; 0
  // leaves the encoder's default. Longer than the clip: the first frame is the
  // only key frame.
  int keyframeInterval = 0;
  // The index before the samples, as cameras and streaming-ready files have it.
  bool indexFirst = false;

  // Channel k carries a 440 * (k + 1) Hz sine at a quarter of full scale.
  int audioChannels = 0;
  int audioSampleRate = 48000;  // PCM s16le in .mov; AAC in .mp4 (at most 96 kHz, 1, 2 or 6 channels)
  // Audio covers [0, lead + seconds), video [lead, lead + seconds).
  double audioLeadSeconds = 0;
};

// Runs ffmpeg or ffprobe quietly in `dir` (names there need no escaping inside
// filter graphs) and returns what it wrote on stdout, or on stderr when asked;
// throws with its error text when it fails or is still running after two minutes.
std::string runTool(const char* program, const QStringList& args,
                    const std::filesystem::path& dir = std::filesystem::temp_directory_path(), bool wantStderr = false);

// The container follows the extension (.mov, .mp4/.m4v); replaces the file.
void writeMedia(const std::filesystem::path& path, const MediaOptions& options);
// Pseudo-random bytes: garbage (or, with 0 bytes, empty) inputs.
void writeBytes(const std::filesystem::path& path, std::size_t bytes);

// ---- reading back -------------------------------------------------------

struct VideoFacts {
  int streamIndex = -1;
  std::string codec;  // avcodec_get_name: "h264", "hevc", ...
  int width = 0;  // stored size
  int height = 0;
  int rotation = 0;  // clockwise degrees 0..359 from the display matrix, as written above (a mirror is not read)
  std::string pixelFormat;  // "yuv420p", "yuv420p10le", ...
  std::string colorTransfer;  // "bt709", "smpte2084", "arib-std-b67"; "unknown" when untagged
  Rational avgFrameRate{0, 1};
  double startTime = 0;  // seconds, first presentation time
  double duration = 0;  // seconds, the stream's own duration (container's if none)
  std::vector<double> frameTimes;  // presentation time of every packet, seconds, ascending
};

struct AudioFacts {
  int streamIndex = -1;
  std::string codec;  // "pcm_s16le", "aac", ...
  int sampleRate = 0;
  int channels = 0;
  double startTime = 0;  // seconds
  double duration = 0;  // seconds
  std::int64_t sampleCount = 0;  // sum of the packets' durations, in samples
};

struct MediaFacts {
  double duration = 0;  // container duration, seconds
  std::map<std::string, std::string> tags;  // the container's
  std::vector<std::string> streamKinds;  // in file order: "video", "audio", "cover", ...
  std::optional<VideoFacts> video;  // first video stream that is not cover art
  std::optional<AudioFacts> audio;  // first audio stream
};

MediaFacts readFacts(const std::filesystem::path& path);

// The boxes of an MP4/MOV file's bytes from `begin` to `end` (its top level by default).
struct Box {
  std::string type;
  std::size_t at = 0;
  std::size_t size = 0;
};
std::vector<Box> boxes(const std::string& data, std::size_t begin = 0, std::size_t end = std::string::npos);

// ---- pixels -------------------------------------------------------------

struct Rect {
  int x = 0;
  int y = 0;
  int w = 0;
  int h = 0;
};

// A decoded picture, rows top to bottom without padding.
struct Image {
  int width = 0;
  int height = 0;
  int channels = 0;  // 4 for RGBA (covers), 1 for luma
  std::vector<std::uint8_t> pixels;

  // Mean of one channel over a rectangle (clipped to the image).
  double mean(const Rect& r, int channel = 0) const;
};

// The Y plane (limited range: black 16, white 235; 10-bit reduced to 8) of the
// index-th frame (presentation order) of the first non-cover video stream, as
// stored: the display matrix is NOT applied.
Image decodeVideoFrame(const std::filesystem::path& path, int index);

// The pattern's stored geometry for a picture of w x h.
namespace pattern {
Rect marker(int w, int h);
Rect tail(int w, int h);
Rect counterCell(int w, int h, int bit);  // bit 0..7
}  // namespace pattern

}  // namespace kivotra::fixtures
