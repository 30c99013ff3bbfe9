// The private runtime folder: where it goes, and what another account can leave in a shared /tmp.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>

#include "models/errors.h"
#include "models/temp_dir.h"

namespace kivotra {
namespace {

namespace fs = std::filesystem;

TEST(RuntimeFolder, OnlyARealFolderOfOursClosedToOthersIsUsed) {
  char pattern[] = "/tmp/kivotra-runtime-test-XXXXXX";
  ASSERT_NE(::mkdtemp(pattern), nullptr);
  const fs::path shared = pattern;
  ::setenv("TMPDIR", pattern, 1);
  ::unsetenv("XDG_RUNTIME_DIR");
  const fs::path own = shared / ("kivotra-" + std::to_string(::getuid()));
  EXPECT_EQ(runtimeDirPath(), own);  // a folder of our own, never TMPDIR itself
  ::setenv("XDG_RUNTIME_DIR", "/run/user/77", 1);
  EXPECT_EQ(runtimeDirPath(), fs::path("/run/user/77/kivotra"));  // the session's own folder comes first
  ::unsetenv("XDG_RUNTIME_DIR");
  const fs::path elsewhere = shared / "elsewhere";
  const auto folder = [](const fs::path& d, fs::perms mode) { fs::create_directory(d), fs::permissions(d, mode); };
  struct Case {
    const char* what;
    std::function<void()> plant;
    bool used;
  };
  const Case cases[] = {
      {"missing: created", [] {}, true},
      {"ours, 0700", [&] { folder(own, fs::perms::owner_all); }, true},
      {"ours, once opened 0755", [&] { folder(own, fs::perms(0755)); }, false},
      {"a link to our own 0700 folder",
       [&] { folder(elsewhere, fs::perms::owner_all), fs::create_directory_symlink(elsewhere, own); }, false},
      {"a plain file", [&] { std::ofstream(own) << "x"; }, false},
      // Giving a folder to another uid needs root.
      {"another uid's, 0700", [&] { folder(own, fs::perms::owner_all), (void)::chown(own.c_str(), 5432, 5432); },
       ::getuid() != 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove_all(own);
    fs::remove_all(elsewhere);
    c.plant();
    const auto before = fs::symlink_status(own).permissions();
    if (c.used) {
      EXPECT_EQ(privateTempDir(), own);
      struct stat st {};
      ASSERT_EQ(::lstat(own.c_str(), &st), 0);
      EXPECT_TRUE(S_ISDIR(st.st_mode));
      EXPECT_EQ(st.st_mode & 07777, 0700u);
    } else {
      EXPECT_THROW(privateTempDir(), PlatformError);
      EXPECT_EQ(fs::symlink_status(own).permissions(), before) << "a refused folder is left as it was";
    }
  }
  ::unsetenv("TMPDIR");
  EXPECT_EQ(runtimeDirPath(), fs::path("/tmp/kivotra-" + std::to_string(::getuid())));
  fs::remove_all(shared);
}

}  // namespace
}  // namespace kivotra
