#pragma once

// Test media made at test time through libavformat/libavcodec, and the means
// to read it (or any other file) back: stream facts, packet times and decoded
// pixels. For tests only; no Qt. Everything here throws std::runtime_error
// with FFmpeg's text when something cannot be done, so a broken fixture fails
// the test loudly instead of producing a file that tests the wrong thing.
//
// Typical use:
//
//   fixtures::ScratchDir dir;                                  // support/scratch_dir.h
//   fixtures::MediaOptions o;
//   o.width = 320; o.height = 180; o.seconds = 1; o.rotation = 90;
//   o.audioChannels = 2; o.audioSampleRate = 48000;
//   fixtures::writeMedia(dir / "portrait.mov", o);
//   auto facts = fixtures::readFacts(dir / "portrait.mov");   // facts.video->rotation == 90
//   ... the engine writes dir / "out.mp4" from it ...
//   auto luma = fixtures::decodeVideoFrame(dir / "out.mp4", 0, fixtures::PixelKind::luma);
//   auto box = fixtures::brightBounds(luma, 40);               // where the picture landed
//   int frame = fixtures::readFrameCounter(luma, box);         // which source frame it shows
//
// The picture ("stored" = as encoded, before the display matrix is applied):
//
//   +------------+-----------+--------------------------+
//   |  marker    |  tail     |                          |   marker: white, (0,0) w/4 x h/4
//   |  (white)   +-----------+                          |   tail:   white, (w/4,0) w/4 x max(2,h/16)
//   |            |                                      |
//   +------------+          grey background (128)       |
//   |                                                   |
//   |                                                   |
//   +------+------+------+------+------+------+---------+
//   | bit0 | bit1 | bit2 | ...  frame counter   | bit7   |   bottom h/8: cell k white if bit k
//   +------+------+------+------+------+------+---------+   of (frame index mod 256), else 64
//
// The marker and its tail tell every rotation and mirroring apart; the grey
// background (never black) makes the picture's bounds visible against black
// borders; the counter says which source frame an output frame came from.
// Colours are RGB; SDR video is encoded with BT.709 coefficients in limited
// range, so after decoding luma is about 16 + 219 * value / 255 (grey 126,
// white 235, counter-off 71), within the encoder's loss.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace kivotra::fixtures {

struct Rational {
  int num = 30;
  int den = 1;
  double value() const { return static_cast<double>(num) / den; }
};

enum class VideoCodec { h264, hevc };  // libx264 / libx265

// Transfer of an HDR picture; any value but none makes the video 10-bit
// (yuv420p10le) HEVC with BT.2020 primaries and matrix, limited range.
enum class Hdr { none, pq, hlg };

// automatic: PCM s16le in .mov, AAC in .mp4. AAC takes at most 96 kHz and 1, 2
// or 6 channels; a combination it cannot take throws.
enum class AudioCodec { automatic, pcm, aac };

struct MediaOptions {
  // Video. With video false the file is audio only (audioChannels must be > 0).
  bool video = true;
  int width = 160;  // stored (coded) size; even numbers
  int height = 120;
  double seconds = 1.0;  // video length; frames = floor(seconds * fps)
  Rational fps{30, 1};
  VideoCodec codec = VideoCodec::h264;
  // Display matrix on the video stream: the picture is turned `rotation`
  // degrees clockwise to be shown upright (0, 90, 180, 270; a phone's portrait
  // recording is 90), then mirrored left-right when hflip is set. Nothing is
  // written when both are neutral.
  int rotation = 0;
  bool hflip = false;
  // A 64x64 pure red PNG as an attached picture (cover art), stored so that it
  // is demuxed as stream 0, before the video and audio streams.
  bool coverArt = false;
  Hdr hdr = Hdr::none;  // forces codec hevc
  // Irregular timestamps: frame durations cycle through 0.5, 1 and 1.5 frame
  // periods, so the average rate stays fps and the frame count stays the same.
  bool variableFrameRate = false;
  // Frames from one key frame to the next, with scene-cut key frames off; 0
  // leaves the encoder's default. Longer than the clip: the first frame is the
  // only key frame.
  int keyframeInterval = 0;

  // Audio: 0 (none), 1, 2 or 6 channels at any sample rate (8000 to 192000).
  // Channel k carries a sine of 440 * (k + 1) Hz at a quarter of full scale.
  int audioChannels = 0;
  int audioSampleRate = 48000;
  AudioCodec audioCodec = AudioCodec::automatic;
  // Audio starts this many seconds before the video: audio covers
  // [0, lead + seconds), video [lead, lead + seconds). Rounded to half a frame.
  double audioLeadSeconds = 0;
};

// Writes a file of these properties; the container follows the extension
// (.mov QuickTime, .mp4/.m4v MP4). Replaces an existing file. The first call
// lowers FFmpeg's log level to errors so encoders do not flood test output.
void writeMedia(const std::filesystem::path& path, const MediaOptions& options);

// Writes `bytes` bytes of `fill`, or of a fixed pseudo-random sequence when
// fill is empty: zero-byte and garbage inputs.
void writeBytes(const std::filesystem::path& path, std::size_t bytes, std::optional<std::uint8_t> fill = {});
// Keeps only the first `keepBytes` bytes of a file (a truncated download).
void truncateFile(const std::filesystem::path& path, std::uintmax_t keepBytes);

// ---- reading back -------------------------------------------------------

struct VideoFacts {
  int streamIndex = -1;
  std::string codec;  // avcodec_get_name: "h264", "hevc", ...
  std::string profile;  // "High", "Main 10", ... ("" if unknown)
  int width = 0;  // stored size
  int height = 0;
  int rotation = 0;  // clockwise degrees 0..359 from the display matrix, as written above
  bool hflip = false;
  std::string pixelFormat;  // "yuv420p", "yuv420p10le", ...
  // av_color_*_name texts: "bt709", "bt2020", "smpte2084", "arib-std-b67",
  // "bt2020nc", "tv"/"pc"; "unknown" when untagged.
  std::string colorPrimaries;
  std::string colorTransfer;
  std::string colorSpace;
  std::string colorRange;
  double fps = 0;  // avg_frame_rate, else r_frame_rate; 0 if none
  Rational avgFrameRate{0, 1};
  double startTime = 0;  // seconds, first presentation time
  double duration = 0;  // seconds, the stream's own duration (container's if none)
  std::int64_t bitRate = 0;  // bit/s as the container states it, 0 if unknown
  std::vector<double> frameTimes;  // presentation time of every packet, seconds, ascending
  int keyFrames = 0;  // packets flagged as key frames
};

struct AudioFacts {
  int streamIndex = -1;
  std::string codec;  // "pcm_s16le", "aac", ...
  int sampleRate = 0;
  int channels = 0;
  double startTime = 0;  // seconds
  double duration = 0;  // seconds
  std::int64_t bitRate = 0;
  std::vector<double> packetTimes;  // presentation time of every packet, seconds, ascending
  std::int64_t sampleCount = 0;  // sum of the packets' durations, in samples
};

struct MediaFacts {
  std::string formatName;  // "mov,mp4,m4a,3gp,3g2,mj2"
  double duration = 0;  // container duration, seconds
  // One entry per stream in file order: "video", "audio", "cover", or the
  // media type name for anything else.
  std::vector<std::string> streamKinds;
  std::optional<VideoFacts> video;  // first video stream that is not cover art
  std::optional<AudioFacts> audio;  // first audio stream
};

MediaFacts readFacts(const std::filesystem::path& path);

// ---- pixels -------------------------------------------------------------

struct Rect {
  int x = 0;
  int y = 0;
  int w = 0;
  int h = 0;
  bool operator==(const Rect&) const = default;
};

// A decoded picture, rows top to bottom without padding.
struct Image {
  int width = 0;
  int height = 0;
  int channels = 0;  // 4 for RGBA, 1 for luma
  std::vector<std::uint8_t> pixels;

  std::uint8_t at(int x, int y, int channel = 0) const {
    return pixels[(static_cast<std::size_t>(y) * width + x) * channels + channel];
  }
  // Mean of one channel over a rectangle (clipped to the image).
  double mean(const Rect& r, int channel = 0) const;
};

enum class PixelKind {
  rgba,  // converted with the frame's own matrix and range tags (BT.601 when untagged)
  luma,  // the Y plane as stored (limited range: black 16, white 235); 10-bit shifted to 8
};

// Decodes the index-th video frame (0-based, presentation order) of the first
// non-cover video stream, as stored: the display matrix is NOT applied.
Image decodeVideoFrame(const std::filesystem::path& path, int index, PixelKind kind);

// The pattern's stored geometry for a picture of w x h.
namespace pattern {
inline constexpr int background = 128;  // RGB grey of the picture
inline constexpr int white = 255;  // marker, tail, counter bits set
inline constexpr int counterOff = 64;  // counter bits clear
Rect marker(int w, int h);
Rect tail(int w, int h);
Rect counterCell(int w, int h, int bit);  // bit 0..7
}  // namespace pattern

// Where a rectangle of a stored w x h picture appears once the display
// matrix (clockwise rotation, then left-right mirror) is applied.
Rect uprightRect(const Rect& stored, int w, int h, int rotation, bool hflip);

// Reads the frame counter of a picture that fills `picture` inside img
// (unrotated, scaled by any factor): the frame index mod 256. Uses channel 0
// (luma, or red of RGBA).
int readFrameCounter(const Image& img, const Rect& picture);

// Bounding box of the pixels whose channel 0 is above threshold: where the
// picture sits on a black canvas. Empty rect when none is.
Rect brightBounds(const Image& img, int threshold);

}  // namespace kivotra::fixtures
