#include "transcoder/detail/prepared_input.h"

#include <sys/stat.h>

#include <string>

#include "transcoder/detail/decoder.h"

namespace kivotra::Transcoder {

PreparedInput::PreparedInput(std::unique_ptr<Parts> parts) : parts_(std::move(parts)) {}

PreparedInput::~PreparedInput() = default;

std::unique_ptr<PreparedInput::Parts> PreparedInput::takeParts() { return std::move(parts_); }

const std::filesystem::path& PreparedInput::source() const {
  static const std::filesystem::path none;
  return parts_ ? parts_->source : none;
}

std::unique_ptr<PreparedInput> prepareInput(const std::filesystem::path& source, std::stop_token stop,
                                            std::chrono::steady_clock::time_point deadline) {
  // A pipe's bytes, once read here, would be missing from its transcode.
  struct stat st {};
  if (::stat(source.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return nullptr;
  try {
    auto parts = std::make_unique<PreparedInput::Parts>();
    parts->source = source;
    parts->input = std::make_unique<av::MediaInput>(source, deadline, stop);
    const int video = parts->input->firstVideoStream();
    if (video < 0) return nullptr;
    std::string why;
    parts->videoDecoder = detail::openDecoder(parts->input->stream(video), why);
    if (!parts->videoDecoder) return nullptr;
    if (const int audio = parts->input->firstAudioStream(); audio >= 0) {
      parts->audioDecoder = detail::openDecoder(parts->input->stream(audio), why);
    }
    if (stop.stop_requested()) return nullptr;
    return std::make_unique<PreparedInput>(std::move(parts));
  } catch (...) {
    return nullptr;  // the transcode meets the same trouble and reports it
  }
}

}  // namespace kivotra::Transcoder
