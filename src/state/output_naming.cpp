#include "state/output_naming.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "models/errors.h"
#include "models/name_fit.h"
#include "models/tiers.h"

namespace kivotra {

namespace fs = std::filesystem;

fs::path outputCandidate(const fs::path& source, const fs::path& dir, int shortSide, int n) {
  std::string tail = "_压缩_" + tierLabel(shortSide);
  if (n > 1) tail += "_" + std::to_string(n);
  tail += ".mp4";
  return dir / (fitStem(source.stem().string(), tail.size(), nameLimitOf(dir)) + tail);
}

fs::path chooseOutputPath(const fs::path& source, const fs::path& dir, int shortSide) {
  for (int n = 1;; ++n) {
    fs::path candidate = outputCandidate(source, dir, shortSide, n);
    std::error_code ec;
    // symlink_status: a dangling link is something that exists at the path.
    if (!fs::exists(fs::symlink_status(candidate, ec))) return candidate;
  }
}

fs::path reserveOutputPath(const fs::path& source, const fs::path& dir, int shortSide) {
  for (int n = 1;; ++n) {
    fs::path candidate = outputCandidate(source, dir, shortSide, n);
    const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd >= 0) {
      ::close(fd);
      return candidate;
    }
    if (errno != EEXIST) throw PlatformError::fromErrno(errno);
  }
}

}  // namespace kivotra
