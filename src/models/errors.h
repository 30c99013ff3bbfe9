#pragma once

#include <stdexcept>
#include <string>

namespace kivotra {

// Base of every failure the engine and the state layer raise; description()
// is the text a user sees, in the chosen language.
class Error : public std::exception {
 public:
  virtual std::string description() const = 0;
  const char* what() const noexcept override;

 private:
  mutable std::string whatCache_;
};

// The engine's own failures, with their exact user-visible texts.
class TranscodeError : public Error {
 public:
  enum class Kind { readerInit, writerInit, appendFailed, stalled, noVideoTrack, cancelled };

  static TranscodeError readerInit(std::string detail) { return {Kind::readerInit, std::move(detail)}; }
  static TranscodeError writerInit(std::string detail) { return {Kind::writerInit, std::move(detail)}; }
  static TranscodeError appendFailed(std::string detail) { return {Kind::appendFailed, std::move(detail)}; }
  static TranscodeError stalled(std::string stage) { return {Kind::stalled, std::move(stage)}; }
  static TranscodeError noVideoTrack() { return {Kind::noVideoTrack, {}}; }
  static TranscodeError cancelled() { return {Kind::cancelled, {}}; }

  Kind kind() const { return kind_; }
  const std::string& detail() const { return detail_; }
  std::string description() const override;
  bool operator==(const TranscodeError& other) const { return kind_ == other.kind_ && detail_ == other.detail_; }

 private:
  TranscodeError(Kind kind, std::string detail) : kind_(kind), detail_(std::move(detail)) {}

  Kind kind_;
  std::string detail_;
};

// A failure the system reported (file system or media library): a
// sentence for the common causes, then the library's own text in brackets.
class PlatformError : public Error {
 public:
  enum class Cause { fileMissing, noPermission, diskFull, fileTooLarge, readOnly, damaged, unsupported, io, other };

  PlatformError(Cause cause, std::string libraryText) : cause_(cause), libraryText_(std::move(libraryText)) {}
  // From a POSIX errno value, with strerror's text.
  static PlatformError fromErrno(int errnum);

  Cause cause() const { return cause_; }
  const std::string& libraryText() const { return libraryText_; }
  std::string description() const override;

  // The cause in the user's language.
  static std::string causeText(Cause cause);
  // The one table from errno values to causes; FFmpeg's AVERROR(e) codes go through it too.
  static Cause causeOfErrno(int errnum);

 private:
  Cause cause_;
  std::string libraryText_;
};

}  // namespace kivotra
