#include "models/temp_dir.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "models/errors.h"

namespace kivotra {

std::filesystem::path privateTempDir() {
  if (const char* env = std::getenv("TMPDIR"); env != nullptr && *env != '\0') {
    return std::filesystem::path(env);
  }
  const uid_t uid = ::getuid();
  std::filesystem::path dir = "/tmp/kivotra-" + std::to_string(uid);
  if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) throw PlatformError::fromErrno(errno);

  // lstat: a link planted by another user must not redirect our files.
  struct stat st {};
  if (::lstat(dir.c_str(), &st) != 0) throw PlatformError::fromErrno(errno);
  if (!S_ISDIR(st.st_mode) || st.st_uid != uid) {
    throw PlatformError(PlatformError::Cause::noPermission, dir.string() + " belongs to another user");
  }
  if ((st.st_mode & 077) != 0 && ::chmod(dir.c_str(), 0700) != 0) throw PlatformError::fromErrno(errno);
  return dir;
}

}  // namespace kivotra
