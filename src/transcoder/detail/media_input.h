#pragma once

#include <atomic>
#include <chrono>
#include <filesystem>
#include <memory>
#include <stop_token>
#include <string>

#include "transcoder/av_ptr.h"

namespace kivotra::av {

// The URL FFmpeg should open for a local path: "file:" and the absolute path,
// so a colon in a file name is never taken for a protocol.
std::string fileUrl(const std::filesystem::path& path);

// A media file opened for reading with its stream info read. Blocking reads
// give up (AVERROR_EXIT) once the deadline, if one is set, has passed or the
// stop is requested. The bytes come through our own non-blocking reads, so
// this holds even for a source that stops delivering (a pipe, a stuck network
// mount), where a plain read() would wait in the kernel for good.
// Throws PlatformError when the file cannot be opened or understood.
class MediaInput {
 public:
  using Clock = std::chrono::steady_clock;

  // What opening reads beyond the container's header.
  enum class Analysis {
    full,     // stream info from the first packets, decoded: what transcoding starts from
    indexed,  // an MP4/MOV index that states every fact in use is taken as it is, nothing decoded
  };

  explicit MediaInput(const std::filesystem::path& path, Clock::time_point deadline = Clock::time_point::max(),
                      std::stop_token stop = {}, Analysis analysis = Analysis::full);
  ~MediaInput();
  MediaInput(const MediaInput&) = delete;
  MediaInput& operator=(const MediaInput&) = delete;

  AVFormatContext* context() const { return ctx_.get(); }
  AVStream* stream(int index) const { return ctx_->streams[index]; }

  // The first video stream that is not an attached picture (cover art), or -1.
  int firstVideoStream() const;
  int firstAudioStream() const;  // -1 when none

  void setDeadline(Clock::time_point deadline) { deadline_.store(deadline.time_since_epoch().count()); }
  // Hands the input to another owner's stop; only while no read is under way.
  void setStop(std::stop_token stop) { stop_ = std::move(stop); }
  bool pastDeadline() const { return Clock::now().time_since_epoch().count() >= deadline_.load(); }
  bool interrupted() const { return stop_.stop_requested() || pastDeadline(); }

 private:
  struct File;
  static int interruptCallback(void* self);

  std::atomic<Clock::rep> deadline_;  // read by FFmpeg's I/O through interrupted()
  std::stop_token stop_;
  std::unique_ptr<File> file_;  // the next three are declared in the order they depend on each other
  CustomIoPtr io_;
  InputContextPtr ctx_;
};

}  // namespace kivotra::av
