#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>

#include "models/item_settings.h"
#include "models/probe_info.h"

// The engine: stateless operations over the FFmpeg libraries. Failures are
// thrown as kivotra::TranscodeError (the engine's own) or kivotra::PlatformError
// (what the file system or FFmpeg reported), both kivotra::Error.
namespace kivotra::Transcoder {

// x264's speed/quality trade-off, chosen by measurement (docs/benchmarks.md).
inline constexpr const char* kDefaultX264Preset = "faster";

// What the encoder can honour. Callers refuse values outside these up front;
// a transcode given one anyway fails before anything is written.
inline constexpr int kMinBitrateKbps = 1;
inline constexpr int kMaxBitrateKbps = 1000000;
inline constexpr int kMaxFps = 240;   // the fastest output, asked for or kept from the source
inline constexpr int kMaxSide = 8192;  // H.264's largest level

// The parameters of one transcode: a file's parameters (fps 0 or less keeps
// the source's rate) plus the engine's own knobs.
struct Config : ItemSettings {
  std::string x264Preset = kDefaultX264Preset;

  const ItemSettings& settings() const { return *this; }
  bool operator==(const Config&) const = default;
};

// Called with the fraction done, 0..1, from the engine's threads.
using ProgressFn = std::function<void(double fraction)>;
// Asked from the engine's threads; true when the caller wants this file stopped.
using CancelFn = std::function<bool()>;

// How long a probe may wait for a source that delivers nothing (a pipe, a
// stalled mount) before it gives up with a read failure.
inline constexpr std::chrono::milliseconds kProbeTimeLimit{30000};

// Measures a source: upright size, duration, rate, audio facts, size on disk
// and a 320-pixel cover. Safe to call from several threads at once. Gives up
// with PlatformError (io) once timeLimit has passed, and with
// TranscodeError::cancelled within a fraction of a second of isCancelled
// answering true, however the source blocks.
ProbeInfo probeSync(const std::filesystem::path& source, const CancelFn& isCancelled,
                    std::chrono::milliseconds timeLimit = kProbeTimeLimit);
ProbeInfo probeSync(const std::filesystem::path& source);
// The same on a background thread.
std::future<ProbeInfo> probe(const std::filesystem::path& source);

// The first frame at or after 0.05 s, upright, fitted into maxPixel x maxPixel.
// Never throws; gives up after 5 s, or as soon as isCancelled answers true.
std::optional<RgbaBitmap> makeThumbnail(const std::filesystem::path& source, int maxPixel,
                                        const CancelFn& isCancelled = {});

// Call first thing in main(): caps how much freed memory the allocator keeps
// per thread, which the engine's threads would otherwise pile up.
void limitAllocatorArenas();

// The output frame rate: never above the source's, the source's own for 0, 30
// when neither is known; at least 1.
int outputFPS(const ProbeInfo& info, const Config& config);

// A source opened ahead of its transcode: its container read and analysed,
// its decoders started. Nothing in it depends on a transcode's parameters;
// those are applied when the transcode starts. Dropping it closes the file and
// ends the decoders' threads.
class PreparedInput {
 public:
  struct Parts;  // the engine's own
  explicit PreparedInput(std::unique_ptr<Parts> parts);
  ~PreparedInput();
  PreparedInput(const PreparedInput&) = delete;
  PreparedInput& operator=(const PreparedInput&) = delete;

  const std::filesystem::path& source() const;
  std::unique_ptr<Parts> takeParts();

 private:
  std::unique_ptr<Parts> parts_;
};

// Opens a regular file as a transcode of it would, on the calling thread.
// Never throws: null when the source is not a regular file, cannot be opened
// or decoded, `deadline` passed or `stop` was requested first (within a
// fraction of a second, however the source blocks). A transcode of such a
// source opens it itself and reports what is wrong with it.
std::unique_ptr<PreparedInput> prepareInput(const std::filesystem::path& source, std::stop_token stop,
                                            std::chrono::steady_clock::time_point deadline);

// What a transcode may be handed besides its parameters.
struct Handover {
  // The source, opened ahead by prepareInput; ignored when it is another file.
  std::unique_ptr<PreparedInput> input;
  // Called once, on an engine thread, when the source has been read and
  // decoded to its end: what is left is the encoders' drain and the trailer.
  // Never called after the transcode has returned.
  std::function<void()> inputRead;
};

// Re-encodes source into an MP4 at destination and returns the written size in
// bytes. Blocks until done. Ends with TranscodeError::cancelled within about
// half a second of isCancelled answering true. Never deletes destination.
std::int64_t transcodeSync(const std::filesystem::path& source, const std::filesystem::path& destination,
                           const Config& config, const ProbeInfo& info, const ProgressFn& progress,
                           const CancelFn& isCancelled);
// The same, written through `output`: a descriptor open for writing on an
// empty regular file, which the engine writes through a duplicate of its own,
// never by a name. Returns the file's size. Once stopped, it returns without
// waiting for the engine's threads to free their codecs; by then they no
// longer touch the file, and a thread stuck in a read or write the system never
// returns from is left behind holding only its own duplicate. Never closes output.
std::int64_t transcodeInto(const std::filesystem::path& source, int output, const Config& config,
                           const ProbeInfo& info, const ProgressFn& progress, const CancelFn& isCancelled);
std::int64_t transcodeInto(const std::filesystem::path& source, int output, const Config& config,
                           const ProbeInfo& info, const ProgressFn& progress, const CancelFn& isCancelled,
                           Handover handover);
// The same on a background thread.
std::future<std::int64_t> transcode(std::filesystem::path source, std::filesystem::path destination, Config config,
                                    ProbeInfo info, ProgressFn progress, CancelFn isCancelled);

}  // namespace kivotra::Transcoder
