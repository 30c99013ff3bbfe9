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

void setEnv(const char* name, const char* value) { value ? ::setenv(name, value, 1) : ::unsetenv(name); }

TEST(RuntimeFolder, IsAFolderOfOurOwnNeverTmpdirItself) {
  const std::string own = "kivotra-" + std::to_string(::getuid());
  const struct {
    const char *tmpdir, *runtime;
    fs::path expected;
  } rows[] = {
      {nullptr, nullptr, "/tmp/" + own},
      {"/some/where", nullptr, fs::path("/some/where") / own},
      {"/some/where", "/run/user/77", "/run/user/77/kivotra"},
  };
  for (const auto& row : rows) {
    setEnv("TMPDIR", row.tmpdir);
    setEnv("XDG_RUNTIME_DIR", row.runtime);
    EXPECT_EQ(runtimeDirPath(), row.expected) << (row.tmpdir ? row.tmpdir : "") << " " << (row.runtime ? row.runtime : "");
  }
  ::unsetenv("XDG_RUNTIME_DIR");
}

TEST(RuntimeFolder, OnlyARealFolderOfOursClosedToOthersIsUsed) {
  char pattern[] = "/tmp/kivotra-runtime-test-XXXXXX";
  ASSERT_NE(::mkdtemp(pattern), nullptr);
  const fs::path shared = pattern;
  ::setenv("TMPDIR", pattern, 1);
  ::unsetenv("XDG_RUNTIME_DIR");
  const fs::path own = shared / ("kivotra-" + std::to_string(::getuid()));
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
  fs::remove_all(shared);
}

}  // namespace
}  // namespace kivotra
