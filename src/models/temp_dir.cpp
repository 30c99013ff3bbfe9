#include "models/temp_dir.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <system_error>

#include "models/errors.h"

namespace kivotra {

namespace fs = std::filesystem;

namespace {

const char* nonEmptyEnv(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0' ? value : nullptr;
}

PlatformError refused(const fs::path& dir, const std::string& why) {
  return PlatformError(PlatformError::Cause::noPermission, dir.string() + ": " + why);
}

}  // namespace

fs::path runtimeDirPath() {
  if (const char* runtime = nonEmptyEnv("XDG_RUNTIME_DIR")) return fs::path(runtime) / "kivotra";
  const std::string name = "kivotra-" + std::to_string(::getuid());
  if (const char* tmp = nonEmptyEnv("TMPDIR")) return fs::path(tmp) / name;
  return fs::path("/tmp") / name;
}

fs::path privateTempDir() {
  const fs::path dir = runtimeDirPath();
  const uid_t uid = ::getuid();
  if (::mkdir(dir.c_str(), 0700) == 0) {
    // The umask may have taken bits away; the folder is ours, so this cannot be raced.
    if (::chmod(dir.c_str(), 0700) != 0) throw PlatformError::fromErrno(errno);
  } else if (errno != EEXIST) {
    throw PlatformError::fromErrno(errno);
  }

  // lstat: a link planted by another user must not redirect our files. A
  // folder that someone else owns or that was ever open to others is not
  // mended: whatever was put into it meanwhile could be waiting for us.
  struct stat st {};
  if (::lstat(dir.c_str(), &st) != 0) throw PlatformError::fromErrno(errno);
  if (!S_ISDIR(st.st_mode)) throw refused(dir, "not a folder");
  if (st.st_uid != uid) throw refused(dir, "belongs to another user");
  if ((st.st_mode & 07777) != 0700) throw refused(dir, "open to other users");
  removeForeignEntries(dir);
  return dir;
}

void removeForeignEntries(const fs::path& dir) {
  const int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (dfd < 0) return;
  DIR* listing = ::fdopendir(dfd);
  if (listing == nullptr) {
    ::close(dfd);
    return;
  }
  const uid_t uid = ::getuid();
  while (const dirent* entry = ::readdir(listing)) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    struct stat st {};
    if (::fstatat(dfd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 || st.st_uid == uid) continue;
    if (S_ISDIR(st.st_mode)) {
      std::error_code ignored;
      fs::remove_all(dir / name, ignored);
    } else {
      ::unlinkat(dfd, name.c_str(), 0);
    }
  }
  ::closedir(listing);
}

}  // namespace kivotra
