#include "transcoder/detail/run.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <memory>
#include <mutex>
#include <optional>
#include <system_error>
#include <utility>
#include <thread>

extern "C" {
#include <libavutil/imgutils.h>
}

#include "models/errors.h"
#include "models/geometry.h"
#include "models/text.h"
#include "transcoder/detail/audio_path.h"
#include "transcoder/av_error.h"
#include "transcoder/config_check.h"
#include "transcoder/detail/decoder.h"
#include "transcoder/detail/demuxer.h"
#include "transcoder/detail/stages.h"
#include "transcoder/detail/video_path.h"
#include "transcoder/detail/frame_rate.h"
#include "transcoder/detail/muxer.h"
#include "transcoder/detail/prepared_input.h"
#include "transcoder/detail/run_control.h"
#include "transcoder/detail/video_encoder.h"
#include "transcoder/detail/video_filter.h"

namespace kivotra::detail {

namespace {

// Queue depths between the stages: enough that every stage can work while its
// neighbours do, few enough that memory stays flat however long the file.
constexpr std::size_t kVideoPackets = 16;
constexpr std::size_t kAudioPackets = 64;
constexpr std::size_t kPlacedFrames = 3;

// What one run's worker owns. The caller shares it, but may leave the worker
// behind (a stop it does not answer in time, I/O that never returns); the
// worker, its last owner then, frees it. Nothing in it refers to the caller.
struct RunShared {
  std::filesystem::path source;
  Transcoder::Config config;
  ProbeInfo info;
  Dims canvas;
  std::filesystem::path destination;  // opened by the worker when there is no descriptor
  int fd = -1;                        // the worker's own duplicate of the caller's descriptor
  std::unique_ptr<Transcoder::PreparedInput::Parts> prepared;  // the source opened ahead, if it was
  RunControl control;
  std::atomic<bool> complete{false};
  std::atomic<std::int64_t> decodedPictures{0};
  std::atomic<std::int64_t> skippedPictures{0};

  ~RunShared() {
    if (fd >= 0) ::close(fd);
  }

  // The output, opened only now so that a source that cannot be read leaves no file.
  int takeOutput() {
    if (fd >= 0) return std::exchange(fd, -1);
    const int opened = ::open(destination.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (opened < 0) throw TranscodeError::writerInit(av::platformErrorFromAv(AVERROR(errno)).description());
    return opened;
  }

  void report(double fraction) {
    std::lock_guard lock(progressLock_);
    if (progress_) progress_(fraction);
  }
  void inputRead() {
    std::lock_guard lock(progressLock_);
    if (inputRead_) std::exchange(inputRead_, nullptr)();
  }
  void setCallbacks(Transcoder::ProgressFn progress, std::function<void()> inputRead) {
    progress_ = std::move(progress);
    inputRead_ = std::move(inputRead);
  }
  // The caller goes: its callbacks are not called again, nor still running, after this.
  void callerLeft() {
    std::lock_guard lock(progressLock_);
    progress_ = nullptr;
    inputRead_ = nullptr;
  }

 private:
  std::mutex progressLock_;
  Transcoder::ProgressFn progress_;    // guarded by progressLock_
  std::function<void()> inputRead_;    // guarded by progressLock_
};

// Everything from opening the source to the trailer, on the run's worker
// thread. True once the file is complete; false, early and quietly, when the
// run was stopped. A stopped run lets go of the file and reports itself
// settled before the codecs are freed, which takes a while at 4K.
bool runPipeline(RunShared& run) {
  RunControl& control = run.control;
  const Transcoder::Config& config = run.config;
  const ProbeInfo& info = run.info;
  const Dims canvas = run.canvas;
  // A source opened ahead brings its decoders along; what follows from the
  // parameters (the audio path, which pictures are skipped) is decided here.
  const std::unique_ptr<Transcoder::PreparedInput::Parts> prepared = std::move(run.prepared);
  Demuxer demuxer(prepared ? std::move(prepared->input)
                           : std::make_unique<av::MediaInput>(run.source, av::MediaInput::Clock::time_point::max(),
                                                              control.token()),
                  control);
  const AVRational rate = outputRate(info, config);

  std::string why;
  av::CodecContextPtr videoDecoder = prepared ? std::move(prepared->videoDecoder) : openDecoder(demuxer.video(), why);
  if (!videoDecoder) throw TranscodeError::readerInit(fillIn(translate("Engine", "无法添加视频输出：%1"), {why}));
  av::CodecContextPtr audioDecoder;
  if (info.hasAudio && demuxer.audio() != nullptr) {
    audioDecoder = prepared && prepared->audioDecoder ? std::move(prepared->audioDecoder)
                                                      : openDecoder(demuxer.audio(), why);
  }
  if (prepared) prepared->audioDecoder.reset();  // an audio path the probe did not find is not taken
  if (control.stopRequested()) return false;

  Muxer muxer(run.takeOutput(), control);
  av::CodecContextPtr videoEncoder =
      openVideoEncoder(canvas, rate, config.bitrateKbps, config.x264Preset, muxer.wantsGlobalHeader());
  av::CodecContextPtr audioEncoder;
  if (audioDecoder) audioEncoder = openAudioEncoder(aacFormatFor(info), muxer.wantsGlobalHeader());
  if (!audioEncoder) demuxer.dropAudio();  // audio that cannot be decoded or encoded is left out
  const int videoStream = muxer.addStream(videoEncoder.get());
  const int audioStream = audioEncoder ? muxer.addStream(audioEncoder.get()) : -1;
  muxer.copyCameraMetadata(demuxer.context(), demuxer.video(), videoStream);
  if (control.stopRequested()) return false;
  muxer.start();

  const std::int64_t start = demuxer.timelineStart();
  const AVStream* video = demuxer.video();
  const AVStream* audio = demuxer.audio();
  const bool dropsFrames = info.fps > av_q2d(rate) * 1.05;
  VideoFilter filter(
      {canvas, rate, config.fit, av::orientationOf(av::displayMatrix(video)), dropsFrames, video->codecpar->field_order},
      video->time_base);
  const VideoSource videoSource{videoDecoder.get(), video, av_rescale_q(start, AV_TIME_BASE_Q, video->time_base),
                                dropsFrames ? rate : AVRational{0, 1}};
  const AudioRoute audioRoute{audioDecoder.get(), audioEncoder.get(), audio != nullptr ? audio->time_base : AVRational{1, 1},
                              audio != nullptr ? av_rescale_q(start, AV_TIME_BASE_Q, audio->time_base) : 0, audioStream};

  const double duration = std::max(info.duration, 0.1);
  double done = 0;  // only the video encoder thread touches it
  const auto written = [&](double seconds) {
    done = std::max(done, std::min(1.0, seconds / duration));
    run.report(done);
  };

  // The stages and the queues between them:
  //   demux -> video packets -> decode -> decoded -> place -> placed -> encode -> muxer
  //         -> audio packets -> audio (decode, resample, encode) -> muxer
  PacketQueue videoPackets(kVideoPackets);
  PacketQueue audioPackets(kAudioPackets);
  const int pictureFormat = videoDecoder->pix_fmt != AV_PIX_FMT_NONE ? videoDecoder->pix_fmt : video->codecpar->format;
  const int pictureBytes = av_image_get_buffer_size(static_cast<AVPixelFormat>(pictureFormat), video->codecpar->width,
                                                    video->codecpar->height, 1);
  DecodedVideo decoded(static_cast<std::size_t>(std::max(pictureBytes, 0)));
  FrameQueue placed(kPlacedFrames);
  {
    Stages stages(control);
    stages.add("demux", [&] { demuxer.run(videoPackets, audioEncoder ? &audioPackets : nullptr); });
    stages.add("decode", [&] {
      decodeVideoStage(videoSource, videoPackets, decoded, control);
      if (!control.stopRequested()) run.inputRead();
    });
    stages.add("place", [&] { placeVideoStage(decoded, filter, placed, control); });
    stages.add("encode", [&] { encodeVideoStage(videoEncoder.get(), placed, muxer, videoStream, control, written); });
    if (audioEncoder) stages.add("audio", [&] { audioStage(audioRoute, audioPackets, muxer, control); });
  }  // every stage has ended here
  run.decodedPictures = decoded.decoded.load();
  run.skippedPictures = decoded.skipped.load();

  if (control.stopRequested()) {
    muxer.closeFile();
    control.markSettled();
    return false;
  }
  muxer.finish();
  muxer.copyModificationTime(run.source);
  return true;
}

// Runs the pipeline on a worker thread and watches it from this one: the
// caller's stop request and the stall clock.
void watchRun(const std::shared_ptr<RunShared>& run, const Transcoder::CancelFn& isCancelled,
              const RunLimits& limits) {
  RunControl& control = run->control;
  std::thread worker;
  try {
    worker = std::thread([run] {
      run->control.guard([&] { run->complete = runPipeline(*run); });
      run->control.markFinished();
    });
  } catch (const std::system_error& e) {
    throw PlatformError::fromErrno(e.code().value());
  }

  bool cancelled = false;
  bool stalled = false;
  std::optional<std::chrono::steady_clock::time_point> stoppedAt;
  while (!control.waitSettled(limits.pollInterval)) {
    if (!cancelled && isCancelled && isCancelled()) {
      cancelled = true;
      control.requestStop();
    }
    if (!stalled && !control.stopRequested() && control.sinceActivity() > limits.stallTimeout) {
      stalled = true;
      control.requestStop();
    }
    if (!control.stopRequested()) continue;
    const auto now = std::chrono::steady_clock::now();
    if (!stoppedAt) stoppedAt = now;
    if (now - *stoppedAt > limits.stopGrace) break;  // the worker is left to end on its own
  }
  if (control.finished()) {
    worker.join();
    if (limits.stats != nullptr) *limits.stats = {run->decodedPictures, run->skippedPictures};
  } else {
    run->callerLeft();
    worker.detach();
  }

  // Which of several things that went wrong is reported: a stage's failure,
  // then the caller's stop, then a stall, then a source that broke off.
  if (std::exception_ptr failure = control.failure()) std::rethrow_exception(failure);
  if (cancelled || (isCancelled && isCancelled())) throw TranscodeError::cancelled();
  if (stalled) throw TranscodeError::stalled(translate("Engine", "视频编码"));
  if (std::exception_ptr failure = control.readerFailure()) std::rethrow_exception(failure);
  // Never a success without a finished file, whatever stopped the run.
  if (!run->complete) throw TranscodeError::appendFailed(translate("Engine", "写入未完成"));
}

std::shared_ptr<RunShared> makeRun(const std::filesystem::path& source, const Transcoder::Config& config,
                                   const ProbeInfo& info, const Transcoder::ProgressFn& progress,
                                   Transcoder::Handover handover = {}) {
  const Dims canvas = outputDims(info.width, info.height, config.settings());
  checkConfig(config, canvas);
  auto run = std::make_shared<RunShared>();
  run->source = source;
  run->config = config;
  run->info = info;
  run->canvas = canvas;
  run->setCallbacks(progress, std::move(handover.inputRead));
  if (handover.input && handover.input->source() == source) run->prepared = handover.input->takeParts();
  return run;
}

}  // namespace

std::int64_t runTranscode(const std::filesystem::path& source, const std::filesystem::path& destination,
                          const Transcoder::Config& config, const ProbeInfo& info,
                          const Transcoder::ProgressFn& progress, const Transcoder::CancelFn& isCancelled,
                          const RunLimits& limits) {
  const std::shared_ptr<RunShared> run = makeRun(source, config, info, progress);
  run->destination = destination;
  watchRun(run, isCancelled, limits);
  if (progress) progress(1.0);
  std::error_code error;
  const std::uintmax_t size = std::filesystem::file_size(destination, error);
  return error ? 0 : static_cast<std::int64_t>(size);
}

std::int64_t runTranscode(const std::filesystem::path& source, int output, const Transcoder::Config& config,
                          const ProbeInfo& info, const Transcoder::ProgressFn& progress,
                          const Transcoder::CancelFn& isCancelled, const RunLimits& limits,
                          Transcoder::Handover handover) {
  const std::shared_ptr<RunShared> run = makeRun(source, config, info, progress, std::move(handover));
  run->fd = ::fcntl(output, F_DUPFD_CLOEXEC, 0);
  if (run->fd < 0) throw TranscodeError::writerInit(av::platformErrorFromAv(AVERROR(errno)).description());
  watchRun(run, isCancelled, limits);
  if (progress) progress(1.0);
  struct stat st {};
  return ::fstat(output, &st) == 0 ? static_cast<std::int64_t>(st.st_size) : 0;
}

}  // namespace kivotra::detail

namespace kivotra::Transcoder {

std::int64_t transcodeSync(const std::filesystem::path& source, const std::filesystem::path& destination,
                           const Config& config, const ProbeInfo& info, const ProgressFn& progress,
                           const CancelFn& isCancelled) {
  return detail::runTranscode(source, destination, config, info, progress, isCancelled, {});
}

std::int64_t transcodeInto(const std::filesystem::path& source, int output, const Config& config,
                           const ProbeInfo& info, const ProgressFn& progress, const CancelFn& isCancelled) {
  return detail::runTranscode(source, output, config, info, progress, isCancelled, {});
}

std::int64_t transcodeInto(const std::filesystem::path& source, int output, const Config& config,
                           const ProbeInfo& info, const ProgressFn& progress, const CancelFn& isCancelled,
                           Handover handover) {
  return detail::runTranscode(source, output, config, info, progress, isCancelled, {}, std::move(handover));
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
