#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>

#include "transcoder/av_ptr.h"
#include "transcoder/detail/bounded_queue.h"
#include "transcoder/detail/media_input.h"
#include "transcoder/detail/run_control.h"

namespace kivotra::detail {

// The demux stage over the opened source: the first video stream that is not
// cover art and the first audio stream; everything else is not even read.
class Demuxer {
 public:
  // Throws the platform's error for a file that cannot be opened or read, and
  // TranscodeError::noVideoTrack when there is no video besides cover art.
  // Reads give up once the run is stopped.
  Demuxer(const std::filesystem::path& source, RunControl& control);
  // The same over a source opened ahead, which from now on reads under the run's stop.
  Demuxer(std::unique_ptr<av::MediaInput> input, RunControl& control);

  const AVFormatContext* context() const { return input_->context(); }
  AVStream* video() const { return video_; }
  AVStream* audio() const { return audio_; }  // nullptr when there is none
  // No audio path after all: its packets are no longer read.
  void dropAudio();
  // The earliest first presentation time of the streams in use, in
  // AV_TIME_BASE units: this instant becomes zero in the output.
  std::int64_t timelineStart() const;

  // Hands packets to the queues until the end of the file (then closes them),
  // a stop, or a read error (recorded as the reader's failure).
  void run(PacketQueue& video, PacketQueue* audio);

 private:
  RunControl& control_;
  std::unique_ptr<av::MediaInput> input_;
  AVStream* video_ = nullptr;
  AVStream* audio_ = nullptr;
};

}  // namespace kivotra::detail
