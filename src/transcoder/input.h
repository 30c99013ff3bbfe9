#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>

#include "transcoder/av_ptr.h"
#include "transcoder/bounded_queue.h"
#include "transcoder/run_control.h"

namespace kivotra::detail {

using PacketQueue = BoundedQueue<av::PacketPtr>;

// The opened source and the demux stage. Reads go through our own file
// callbacks, so a read that waits for data (a pipe that stopped delivering)
// returns once the run is stopped.
class Input {
 public:
  // Throws the platform's error for a file that cannot be opened or read, and
  // TranscodeError::noVideoTrack when there is no video besides cover art.
  Input(const std::filesystem::path& source, RunControl& control);
  ~Input();
  Input(const Input&) = delete;
  Input& operator=(const Input&) = delete;

  AVStream* video() const { return video_; }
  AVStream* audio() const { return audio_; }  // the first audio stream, or nullptr
  // No audio path after all: its packets are no longer read.
  void dropAudio();
  // The earliest first presentation time of the streams in use, in
  // AV_TIME_BASE units: this instant becomes zero in the output.
  std::int64_t timelineStart() const;

  // The demux stage: hands packets to the queues until the end of the file
  // (then closes them), a stop, or a read error (recorded as a reader failure).
  void run(PacketQueue& video, PacketQueue* audio);

 private:
  struct Source;

  RunControl& control_;
  std::unique_ptr<Source> source_;  // declared first: outlives io_ and format_
  av::CustomIoPtr io_;
  av::InputContextPtr format_;
  AVStream* video_ = nullptr;
  AVStream* audio_ = nullptr;
};

}  // namespace kivotra::detail
