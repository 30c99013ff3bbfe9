// The private runtime folder against what another account can leave in a
// shared /tmp, and output names against the file system's name limit.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "models/errors.h"
#include "models/name_fit.h"
#include "models/temp_dir.h"

namespace kivotra {
namespace {

namespace fs = std::filesystem;
constexpr uid_t kOtherUid = 54321;  // no account needed: only root can give a file to it

class RuntimeFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/kivotra-runtime-test-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    shared_ = pattern;
    fs::permissions(shared_, fs::perms::all | fs::perms::sticky_bit);  // like /tmp
    ::setenv("TMPDIR", shared_.c_str(), 1);
    ::unsetenv("XDG_RUNTIME_DIR");
    own_ = shared_ / ("kivotra-" + std::to_string(::getuid()));
  }
  void TearDown() override {
    ::unsetenv("TMPDIR");
    std::error_code ignored;
    fs::remove_all(shared_, ignored);
  }
  static void giveAway(const fs::path& path) { ASSERT_EQ(::lchown(path.c_str(), kOtherUid, kOtherUid), 0); }

  fs::path shared_;
  fs::path own_;
};

TEST_F(RuntimeFolder, OnlyARealFolderOfOursClosedToOthersIsUsed) {
  if (::getuid() != 0) GTEST_SKIP() << "giving a folder to another uid needs root";
  struct Case {
    const char* what;
    std::function<void(const fs::path&)> plant;
    bool used;
  };
  const fs::path elsewhere = shared_ / "elsewhere";
  const Case cases[] = {
      {"missing: created", [](const fs::path&) {}, true},
      {"ours, 0700", [](const fs::path& d) { fs::create_directory(d), fs::permissions(d, fs::perms::owner_all); }, true},
      {"ours, once opened 0755", [](const fs::path& d) { fs::create_directory(d), fs::permissions(d, fs::perms(0755)); },
       false},
      {"another uid's, 0700",
       [](const fs::path& d) { fs::create_directory(d), fs::permissions(d, fs::perms::owner_all), giveAway(d); }, false},
      {"a link to our own 0700 folder",
       [&](const fs::path& d) {
         fs::create_directory(elsewhere), fs::permissions(elsewhere, fs::perms::owner_all);
         fs::create_directory_symlink(elsewhere, d);
       },
       false},
      {"a plain file", [](const fs::path& d) { std::ofstream(d) << "x"; }, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::error_code ignored;
    fs::remove_all(own_, ignored);
    fs::remove_all(elsewhere, ignored);
    c.plant(own_);
    const auto before = fs::symlink_status(own_, ignored).permissions();
    if (c.used) {
      EXPECT_EQ(privateTempDir(), own_);
      struct stat st {};
      ASSERT_EQ(::lstat(own_.c_str(), &st), 0);
      EXPECT_TRUE(S_ISDIR(st.st_mode));
      EXPECT_EQ(st.st_mode & 07777, 0700u);
    } else {
      EXPECT_THROW(privateTempDir(), PlatformError);
      EXPECT_EQ(fs::symlink_status(own_, ignored).permissions(), before) << "a refused folder is left as it was";
    }
  }
}

TEST_F(RuntimeFolder, WhatAnotherUserLeftInsideIsClearedAndOursStays) {
  if (::getuid() != 0) GTEST_SKIP() << "giving a file to another uid needs root";
  fs::create_directory(own_);
  fs::permissions(own_, fs::perms::owner_all);
  std::ofstream(own_ / "run_selftest") << "";
  giveAway(own_ / "run_selftest");
  fs::create_directories(own_ / "planted" / "deep");
  giveAway(own_ / "planted");
  // A listening socket planted while the folder was open.
  const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string socketPath = (own_ / "window.sock").string();
  socketPath.copy(address.sun_path, sizeof address.sun_path - 1);
  ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ::listen(fd, 1);
  giveAway(own_ / "window.sock");
  std::ofstream(own_ / "selftest_result.txt") << "PASSED";

  EXPECT_EQ(privateTempDir(), own_);
  ::close(fd);
  EXPECT_FALSE(fs::exists(own_ / "run_selftest"));
  EXPECT_FALSE(fs::exists(own_ / "planted"));
  EXPECT_FALSE(fs::exists(fs::symlink_status(own_ / "window.sock")));
  EXPECT_TRUE(fs::exists(own_ / "selftest_result.txt"));
}

TEST(FitStem, ShortensAtACharacterBoundaryAndMarksTheCut) {
  const std::string tail = "_压缩_1080P.mp4";  // 17 bytes: room for 238
  std::string cjk;
  for (int i = 0; i < 80; ++i) cjk += "视";  // 240 bytes
  std::string accented;
  for (int i = 0; i < 90; ++i) accented += "e\xCC\x81";  // e + combining acute, 270 bytes
  const std::string gbk = "\xC4\xE3\xBA\xC3\xCA\xC0\xBD\xE7";  // "你好世界" in GBK: not UTF-8
  const std::string ascii(251, 'a');
  struct Case {
    const char* what;
    std::string stem;
    std::size_t limit;
    std::string expected;
  };
  const Case cases[] = {
      {"fits: unchanged", "holiday", 255, "holiday"},
      {"fits exactly", std::string(238, 'a'), 255, std::string(238, 'a')},
      {"ascii, one byte over", std::string(239, 'a'), 255, std::string(235, 'a') + "…"},
      {"80 CJK characters: whole characters only", cjk, 255, cjk.substr(0, 234) + "…"},
      {"room ends on a boundary", cjk, 254, cjk.substr(0, 234) + "…"},
      {"room ends two bytes into a character", cjk, 256, cjk.substr(0, 234) + "…"},
      {"combining marks stay with their letter", accented, 255, accented.substr(0, 234) + "…"},
      {"GBK bytes that fit are kept as they are", gbk, 255, gbk},
      {"251-byte ascii stem", ascii, 255, std::string(235, 'a') + "…"},
      {"no room even for the mark", "abc", 19, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string fitted = fitStem(c.stem, tail.size(), c.limit);
    EXPECT_EQ(fitted, c.expected);
    EXPECT_LE(fitted.size() + tail.size(), c.limit);
  }
  EXPECT_EQ(nameLimitOf("/tmp"), static_cast<std::size_t>(::pathconf("/tmp", _PC_NAME_MAX)));
}

}  // namespace
}  // namespace kivotra
