#pragma once

#include <filesystem>
#include <functional>
#include <mutex>
#include <string>

#include "transcoder/av_ptr.h"
#include "transcoder/run_control.h"

namespace kivotra::detail {

// The MP4 writer shared by the two encoder stages. The file is closed by the
// destructor; the trailer is written only by finish(), which reports its error.
class Muxer {
 public:
  // Creates the destination, replacing an existing file's contents. Throws
  // TranscodeError::writerInit with the platform's description.
  Muxer(const std::filesystem::path& destination, RunControl& control);

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

 private:
  void write(AVPacket* packet, AVRational timeBase, int stream);

  std::filesystem::path destination_;
  std::string location_;  // ISO 6709, for the ©xyz atom finish() adds
  std::mutex mutex_;
  av::OutputContextPtr out_;  // guarded by mutex_ once started
};

}  // namespace kivotra::detail
