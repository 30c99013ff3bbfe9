#include "state/output_naming.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <system_error>
#include <vector>

#include "models/errors.h"
#include "models/name_fit.h"
#include "models/text.h"
#include "models/tiers.h"

namespace kivotra {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kPartMark = ".kivotra-";
constexpr std::string_view kPartEnd = ".part";
// What the hidden part file adds to the final name ("." and the mark, a pid of
// up to ten digits, the end): a final name leaves room for it.
constexpr std::size_t kPartOverhead = 1 + kPartMark.size() + 10 + kPartEnd.size();

bool sameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

// The names in dir, or none when it cannot be listed.
std::vector<std::string> namesIn(const fs::path& dir) {
  std::vector<std::string> names;
  std::error_code ec;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    names.push_back(it->path().filename().string());
  }
  return names;
}

bool processAlive(pid_t pid) { return ::kill(pid, 0) == 0 || errno == EPERM; }

}  // namespace

fs::path outputCandidate(const fs::path& source, const fs::path& dir, int shortSide, int n) {
  std::string tail = "_压缩_" + tierLabel(shortSide);
  if (n > 1) tail += "_" + std::to_string(n);
  tail += ".mp4";
  return dir / (fitStem(source.stem().string(), tail.size() + kPartOverhead, nameLimitOf(dir)) + tail);
}

std::string partFileName(const std::string& finalName, pid_t pid) {
  return "." + finalName + std::string(kPartMark) + std::to_string(pid) + std::string(kPartEnd);
}

std::optional<pid_t> partFileWriter(const std::string& name) {
  if (name.size() < 1 + kPartMark.size() + 1 + kPartEnd.size() || name.front() != '.' ||
      !name.ends_with(kPartEnd)) {
    return std::nullopt;
  }
  const std::size_t mark = name.rfind(kPartMark);
  if (mark == std::string::npos || mark < 2) return std::nullopt;  // ".x.kivotra-": the final name is not empty
  const char* first = name.data() + mark + kPartMark.size();
  const char* last = name.data() + name.size() - kPartEnd.size();
  pid_t pid = 0;
  const auto [end, error] = std::from_chars(first, last, pid);
  if (error != std::errc() || end != last || first == last || *first == '0' || pid <= 0) return std::nullopt;
  return pid;
}

bool outputNameTaken(const fs::path& dir, const std::string& finalName) {
  std::error_code ec;
  // symlink_status: a dangling link is something that exists at the path.
  if (fs::exists(fs::symlink_status(dir / finalName, ec))) return true;
  const std::string prefix = "." + finalName + std::string(kPartMark);
  for (const std::string& name : namesIn(dir)) {
    if (name.starts_with(prefix) && name.rfind(kPartMark) == prefix.size() - kPartMark.size() && partFileWriter(name)) {
      return true;
    }
  }
  return false;
}

fs::path chooseOutputPath(const fs::path& source, const fs::path& dir, int shortSide) {
  for (int n = 1;; ++n) {
    fs::path candidate = outputCandidate(source, dir, shortSide, n);
    if (!outputNameTaken(dir, candidate.filename().string())) return candidate;
  }
}

void removeStalePartFiles(const fs::path& dir) {
  const int dirFd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dirFd < 0) return;
  for (const std::string& name : namesIn(dir)) {
    const std::optional<pid_t> writer = partFileWriter(name);
    if (!writer || *writer == ::getpid() || processAlive(*writer)) continue;
    // The writer holds a lock on its part file while it runs: a process of the
    // same number elsewhere (another machine on a shared folder) keeps its file.
    const int fd = ::openat(dirFd, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) continue;
    struct stat opened {};
    struct stat named {};
    if (::fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) && opened.st_uid == ::getuid() &&
        ::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::fstatat(dirFd, name.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
        sameFile(opened, named)) {
      ::unlinkat(dirFd, name.c_str(), 0);
    }
    ::close(fd);
  }
  ::close(dirFd);
}

OutputFile::OutputFile(const fs::path& source, const fs::path& dir, int shortSide, mode_t permissions)
    : source_(source), dir_(dir), shortSide_(shortSide) {
  dirFd_ = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dirFd_ < 0) throw PlatformError::fromErrno(errno);
  for (;; ++n_) {
    const std::string finalName = outputCandidate(source_, dir_, shortSide_, n_).filename().string();
    if (outputNameTaken(dir_, finalName)) continue;
    const std::string part = partFileName(finalName, ::getpid());
    fd_ = ::openat(dirFd_, part.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, permissions & 0666);
    if (fd_ >= 0) {
      partPath_ = dir_ / part;
      // Tells a later cleanup in this folder that the writer is still there.
      ::flock(fd_, LOCK_EX | LOCK_NB);
      return;
    }
    if (errno == EEXIST) continue;
    const int error = errno;
    ::close(dirFd_);
    throw PlatformError::fromErrno(error);
  }
}

void OutputFile::rewind() {
  if (::ftruncate(fd_, 0) != 0 || ::lseek(fd_, 0, SEEK_SET) != 0) throw PlatformError::fromErrno(errno);
}

OutputFile::~OutputFile() {
  if (!published_ && fd_ >= 0 && stillOurs()) ::unlinkat(dirFd_, partPath_.filename().c_str(), 0);
  if (fd_ >= 0) ::close(fd_);
  if (dirFd_ >= 0) ::close(dirFd_);
}

bool OutputFile::stillOurs() const {
  struct stat opened {};
  struct stat named {};
  return ::fstat(fd_, &opened) == 0 &&
         ::fstatat(dirFd_, partPath_.filename().c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 && sameFile(opened, named);
}

fs::path OutputFile::publish() {
  if (::fsync(fd_) != 0) throw PlatformError::fromErrno(errno);
  if (!stillOurs()) throw PlatformError(PlatformError::Cause::other, translate("State", "临时输出文件被替换，已放弃"));
  const std::string part = partPath_.filename().string();
  for (int n = n_;; ++n) {
    const std::string name = outputCandidate(source_, dir_, shortSide_, n).filename().string();
    // Our own part file names the first candidate; a later one may be another run's.
    if (n != n_ && outputNameTaken(dir_, name)) continue;
    int result = ::renameat2(dirFd_, part.c_str(), dirFd_, name.c_str(), RENAME_NOREPLACE);
    if (result != 0 && errno == EINVAL) {
      // A file system without the no-replace rename: a new link fails the same
      // way when the name exists.
      result = ::linkat(dirFd_, part.c_str(), dirFd_, name.c_str(), 0);
      if (result == 0) ::unlinkat(dirFd_, part.c_str(), 0);
    }
    if (result == 0) {
      published_ = true;
      ::fsync(dirFd_);  // the new name survives a power cut too
      return dir_ / name;
    }
    if (errno != EEXIST) throw PlatformError::fromErrno(errno);
  }
}

}  // namespace kivotra
