#include "transcoder/run.h"

#include <algorithm>
#include <system_error>
#include <thread>
#include <vector>

#include "models/errors.h"
#include "models/geometry.h"
#include "transcoder/audio_path.h"
#include "transcoder/config_check.h"
#include "transcoder/decoder.h"
#include "transcoder/input.h"
#include "transcoder/muxer.h"
#include "transcoder/run_control.h"
#include "transcoder/video_encoder.h"
#include "transcoder/video_filter.h"

namespace kivotra::detail {

namespace {

// Queue depths between the stages: a few frames each, so that every stage can
// work while its neighbours do, and memory stays flat however long the file.
constexpr std::size_t kVideoPackets = 32;
constexpr std::size_t kAudioPackets = 64;
constexpr std::size_t kDecodedFrames = 4;
constexpr std::size_t kPlacedFrames = 4;
constexpr std::size_t kAudioFrames = 8;

Orientation orientationOf(const AVStream* stream) {
  std::size_t size = 0;
  const std::uint8_t* data = av_stream_get_side_data(stream, AV_PKT_DATA_DISPLAYMATRIX, &size);
  if (data == nullptr || size < 9 * sizeof(std::int32_t)) return {};
  return orientationFromDisplayMatrix(reinterpret_cast<const std::int32_t*>(data));
}

// Everything from opening the source to the trailer, on the run's worker
// thread. Returns early, quietly, once the run is stopped.
void runPipeline(const std::filesystem::path& source, const std::filesystem::path& destination,
                 const Transcoder::Config& config, const ProbeInfo& info, Dims canvas, RunControl& control,
                 const Transcoder::ProgressFn& progress) {
  Input input(source, control);
  const int fps = Transcoder::outputFPS(info, config);

  std::string why;
  av::CodecContextPtr videoDecoder = openDecoder(input.video(), why);
  if (!videoDecoder) throw TranscodeError::readerInit("无法添加视频输出（" + why + "）");
  av::CodecContextPtr audioDecoder;
  if (info.hasAudio && input.audio() != nullptr) audioDecoder = openDecoder(input.audio(), why);

  Muxer muxer(destination, control);
  av::CodecContextPtr videoEncoder = openVideoEncoder(canvas, fps, config.bitrateKbps, muxer.wantsGlobalHeader());
  av::CodecContextPtr audioEncoder;
  if (audioDecoder) audioEncoder = openAudioEncoder(aacFormatFor(info), muxer.wantsGlobalHeader());
  if (!audioEncoder) input.dropAudio();  // audio that cannot be decoded or encoded is left out
  const int videoStream = muxer.addStream(videoEncoder.get());
  const int audioStream = audioEncoder ? muxer.addStream(audioEncoder.get()) : -1;
  muxer.start();

  const std::int64_t start = input.timelineStart();
  const AVStream* video = input.video();
  const AVStream* audio = input.audio();
  PacketQueue videoPackets(kVideoPackets);
  PacketQueue audioPackets(kAudioPackets);
  FrameQueue decoded(kDecodedFrames);
  FrameQueue placed(kPlacedFrames);
  FrameQueue audioFrames(kAudioFrames);
  VideoFilter filter({canvas, fps, config.fit, orientationOf(video)}, video->time_base);

  const double duration = std::max(info.duration, 0.1);
  double done = 0;  // only the video encoder thread touches it
  const auto written = [&](double seconds) {
    done = std::max(done, std::min(1.0, seconds / duration));
    if (progress) progress(done);
  };

  {
    std::vector<std::jthread> stages;
    stages.emplace_back([&] { control.guard([&] { input.run(videoPackets, audioEncoder ? &audioPackets : nullptr); }); });
    stages.emplace_back([&] { decodeStage(videoDecoder.get(), videoPackets, decoded, control); });
    stages.emplace_back([&] {
      filterStage(filter, video, av_rescale_q(start, AV_TIME_BASE_Q, video->time_base), decoded, placed, control);
    });
    stages.emplace_back([&] { encodeVideoStage(videoEncoder.get(), placed, muxer, videoStream, control, written); });
    if (audioEncoder) {
      stages.emplace_back([&] { decodeStage(audioDecoder.get(), audioPackets, audioFrames, control); });
      stages.emplace_back([&] {
        encodeAudioStage(audioEncoder.get(), audioFrames, audio->time_base,
                         av_rescale_q(start, AV_TIME_BASE_Q, audio->time_base), muxer, audioStream, control);
      });
    }
  }  // every stage has ended here

  if (control.stopRequested()) return;
  muxer.finish();
}

}  // namespace

std::int64_t runTranscode(const std::filesystem::path& source, const std::filesystem::path& destination,
                          const Transcoder::Config& config, const ProbeInfo& info,
                          const Transcoder::ProgressFn& progress, const Transcoder::CancelFn& isCancelled,
                          const RunLimits& limits) {
  const Dims canvas = outputDims(info.width, info.height, config.itemSettings());
  checkConfig(config, canvas);

  RunControl control;
  std::thread worker([&] {
    control.guard([&] { runPipeline(source, destination, config, info, canvas, control, progress); });
    control.markFinished();
  });

  // This thread only watches: the caller's stop request and the stall clock.
  bool cancelled = false;
  bool stalled = false;
  while (!control.waitFinished(limits.pollInterval)) {
    if (!cancelled && isCancelled && isCancelled()) {
      cancelled = true;
      control.requestStop();
    }
    if (!stalled && !control.stopRequested() && control.sinceActivity() > limits.stallTimeout) {
      stalled = true;
      control.requestStop();
    }
  }
  worker.join();

  // Which of several things that went wrong is reported: a stage's failure,
  // then the caller's stop, then a stall, then a source that broke off.
  if (std::exception_ptr failure = control.failure()) std::rethrow_exception(failure);
  if (cancelled || (isCancelled && isCancelled())) throw TranscodeError::cancelled();
  if (stalled) throw TranscodeError::stalled("视频编码");
  if (std::exception_ptr failure = control.readerFailure()) std::rethrow_exception(failure);

  if (progress) progress(1.0);
  std::error_code error;
  const std::uintmax_t size = std::filesystem::file_size(destination, error);
  return error ? 0 : static_cast<std::int64_t>(size);
}

}  // namespace kivotra::detail

namespace kivotra::Transcoder {

std::int64_t transcodeSync(const std::filesystem::path& source, const std::filesystem::path& destination,
                           const Config& config, const ProbeInfo& info, const ProgressFn& progress,
                           const CancelFn& isCancelled) {
  return detail::runTranscode(source, destination, config, info, progress, isCancelled, {});
}

std::future<std::int64_t> transcode(std::filesystem::path source, std::filesystem::path destination, Config config,
                                    ProbeInfo info, ProgressFn progress, CancelFn isCancelled) {
  return std::async(std::launch::async, [source = std::move(source), destination = std::move(destination), config,
                                         info = std::move(info), progress = std::move(progress),
                                         isCancelled = std::move(isCancelled)] {
    return transcodeSync(source, destination, config, info, progress, isCancelled);
  });
}

}  // namespace kivotra::Transcoder
