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
#include "transcoder/demuxer.h"
#include "transcoder/frame_rate.h"
#include "transcoder/muxer.h"
#include "transcoder/run_control.h"
#include "transcoder/video_encoder.h"
#include "transcoder/video_filter.h"

namespace kivotra::detail {

namespace {

// Queue depths between the stages: enough that every stage can work while its
// neighbours do, few enough that memory stays flat however long the file.
constexpr std::size_t kVideoPackets = 16;
constexpr std::size_t kAudioPackets = 64;
constexpr std::size_t kPlacedFrames = 3;

// Everything from opening the source to the trailer, on the run's worker
// thread. True once the file is complete; false, early and quietly, when the
// run was stopped.
bool runPipeline(const std::filesystem::path& source, const std::filesystem::path& destination,
                 const Transcoder::Config& config, const ProbeInfo& info, Dims canvas, RunControl& control,
                 const Transcoder::ProgressFn& progress) {
  Demuxer demuxer(source, control);
  const AVRational rate = outputRate(info, config);

  std::string why;
  av::CodecContextPtr videoDecoder = openDecoder(demuxer.video(), why);
  if (!videoDecoder) throw TranscodeError::readerInit("无法添加视频输出：" + why);
  av::CodecContextPtr audioDecoder;
  if (info.hasAudio && demuxer.audio() != nullptr) audioDecoder = openDecoder(demuxer.audio(), why);

  Muxer muxer(destination, control);
  av::CodecContextPtr videoEncoder =
      openVideoEncoder(canvas, rate, config.bitrateKbps, config.x264Preset, muxer.wantsGlobalHeader());
  av::CodecContextPtr audioEncoder;
  if (audioDecoder) audioEncoder = openAudioEncoder(aacFormatFor(info), muxer.wantsGlobalHeader());
  if (!audioEncoder) demuxer.dropAudio();  // audio that cannot be decoded or encoded is left out
  const int videoStream = muxer.addStream(videoEncoder.get());
  const int audioStream = audioEncoder ? muxer.addStream(audioEncoder.get()) : -1;
  muxer.copyCameraMetadata(demuxer.context(), demuxer.video(), videoStream);
  muxer.start();

  const std::int64_t start = demuxer.timelineStart();
  const AVStream* video = demuxer.video();
  const AVStream* audio = demuxer.audio();
  PacketQueue videoPackets(kVideoPackets);
  PacketQueue audioPackets(kAudioPackets);
  FrameQueue placed(kPlacedFrames);
  const bool dropsFrames = info.fps > av_q2d(rate) * 1.05;
  VideoFilter filter(
      {canvas, rate, config.fit, av::orientationOf(av::displayMatrix(video)), dropsFrames, video->codecpar->field_order},
      video->time_base);

  const double duration = std::max(info.duration, 0.1);
  double done = 0;  // only the video encoder thread touches it
  const auto written = [&](double seconds) {
    done = std::max(done, std::min(1.0, seconds / duration));
    if (progress) progress(done);
  };

  {
    std::vector<std::jthread> stages;
    try {
      stages.emplace_back([&] { control.guard([&] { demuxer.run(videoPackets, audioEncoder ? &audioPackets : nullptr); }); });
      stages.emplace_back([&] {
        videoStage(videoDecoder.get(), videoPackets, filter, video, av_rescale_q(start, AV_TIME_BASE_Q, video->time_base),
                   placed, control);
      });
      stages.emplace_back([&] { encodeVideoStage(videoEncoder.get(), placed, muxer, videoStream, control, written); });
      if (audioEncoder) {
        stages.emplace_back([&] {
          audioStage(audioDecoder.get(), audioEncoder.get(), audioPackets, audio->time_base,
                     av_rescale_q(start, AV_TIME_BASE_Q, audio->time_base), muxer, audioStream, control);
        });
      }
    } catch (...) {
      control.fail(std::current_exception());  // a thread that could not start; stops those that did
    }
  }  // every stage has ended here

  if (control.stopRequested()) return false;
  muxer.finish();
  // Photo libraries that find no creation time in a file date it by this.
  std::error_code error;
  const auto sourceTime = std::filesystem::last_write_time(source, error);
  if (!error) std::filesystem::last_write_time(destination, sourceTime, error);
  return true;
}

}  // namespace

std::int64_t runTranscode(const std::filesystem::path& source, const std::filesystem::path& destination,
                          const Transcoder::Config& config, const ProbeInfo& info,
                          const Transcoder::ProgressFn& progress, const Transcoder::CancelFn& isCancelled,
                          const RunLimits& limits) {
  const Dims canvas = outputDims(info.width, info.height, config.itemSettings());
  checkConfig(config, canvas);

  RunControl control;
  bool complete = false;  // written by the worker, read after joining it
  std::thread worker;
  try {
    worker = std::thread([&] {
      control.guard([&] { complete = runPipeline(source, destination, config, info, canvas, control, progress); });
      control.markFinished();
    });
  } catch (const std::system_error& e) {
    throw PlatformError::fromErrno(e.code().value());
  }

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
  // Never a success without a finished file, whatever stopped the run.
  if (!complete) throw TranscodeError::appendFailed("写入未完成");

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
