#pragma once

#include <filesystem>
#include <functional>
#include <mutex>
#include <string>

#include "transcoder/av_ptr.h"
#include "transcoder/detail/run_control.h"

namespace kivotra::detail {

// The MP4 writer shared by the two encoder stages. It writes through the
// descriptor it is given (never by reopening a name) and closes it in the
// destructor; the trailer is written only by finish(), which reports its error.
class Muxer {
 public:
  // Takes over `fd`, open for reading and writing at offset 0. Throws
  // TranscodeError::writerInit with the platform's description.
  Muxer(int fd, RunControl& control);
  ~Muxer();
  Muxer(const Muxer&) = delete;
  Muxer& operator=(const Muxer&) = delete;

  // Encoders must put their parameter sets in the stream header for MP4.
  bool wantsGlobalHeader() const;
  // A stream for this opened encoder; returns its index. Before start().
  int addStream(const AVCodecContext* encoder);
  // Carries over what the camera recorded about the source: the container's
  // and the video stream's creation time, the location (Apple's and Android's
  // keys), make, model and software. Before start().
  void copyCameraMetadata(const AVFormatContext* source, const AVStream* sourceVideo, int videoStream);
  // Writes the header (writerInit on failure).
  void start();

  // Sends a frame (null: the end) to the stream's encoder and writes every
  // packet that comes out, calling onPacket with each packet's presentation
  // time in seconds after it was written. Safe from any thread. Throws
  // appendFailed naming the cause (a full disk, for instance).
  void encode(AVCodecContext* encoder, const AVFrame* frame, int stream,
              const std::function<void(double)>& onPacket = {});

  // Writes the trailer; the file is complete when this returns.
  void finish();
  // Dates the finished file like the source: photo libraries that find no
  // creation time in a file sort it by this.
  void copyModificationTime(const std::filesystem::path& source);
  // Lets go of the file early, once no stage writes any more: a stopped run's
  // output is its caller's to delete at once.
  void closeFile();

 private:
  void write(AVPacket* packet, AVRational timeBase, int stream);
  static int writeBytes(void* self, std::uint8_t* buffer, int size);
  static std::int64_t seekTo(void* self, std::int64_t offset, int whence);

  RunControl& control_;
  int fd_ = -1;  // -1 once closed: the callbacks then fail instead of writing elsewhere
  std::string location_;  // ISO 6709, for the ©xyz atom finish() adds
  std::mutex mutex_;
  av::CustomIoPtr io_;
  av::OutputContextPtr out_;  // guarded by mutex_ once started; its pb is io_
};

}  // namespace kivotra::detail
