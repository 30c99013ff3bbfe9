#include "models/errors.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "models/temp_dir.h"
#include "models/text.h"

using namespace kivotra;

TEST(Errors, DescriptionsJoinTheChineseTextAndItsCause) {
  EXPECT_EQ(TranscodeError::writerInit("未知错误").description(), "写入器初始化失败：未知错误");
  EXPECT_EQ(PlatformError::fromErrno(ENOSPC).cause(), PlatformError::Cause::diskFull);
  EXPECT_EQ(PlatformError::fromErrno(ENOENT).description(), std::string("文件不存在（") + std::strerror(ENOENT) + "）");
  EXPECT_EQ(PlatformError(PlatformError::Cause::damaged, "").description(), "文件已损坏或无法识别");
  EXPECT_STREQ(TranscodeError::noVideoTrack().what(), "未找到视频轨道");
}

TEST(Texts, FillInPlacesArgumentsByNumberAndLeavesTheRest) {
  const struct {
    const char* pattern;
    std::string expected;
  } cases[] = {
      {"%1 (%2)", "a (b)"},
      {"%2×%1, %1", "b×a, a"},      // a translation may reorder and repeat
      {"%3 left", "%3 left"},       // no such argument
      {"100% · %", "100% · %"},     // a bare percent sign is text
      {"%10", "a0"},                // one digit: %1 then "0"
  };
  for (const auto& c : cases) EXPECT_EQ(fillIn(c.pattern, {"a", "b"}), c.expected) << c.pattern;
}

class PrivateTempDir : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"TMPDIR", "XDG_RUNTIME_DIR"}) {
      if (const char* value = std::getenv(name)) saved_.emplace_back(name, value);
      unsetenv(name);
    }
  }
  void TearDown() override {
    unsetenv("TMPDIR");
    unsetenv("XDG_RUNTIME_DIR");
    for (const auto& [name, value] : saved_) setenv(name.c_str(), value.c_str(), 1);
  }
  std::vector<std::pair<std::string, std::string>> saved_;
};

TEST_F(PrivateTempDir, IsAFolderOfOurOwnNeverTmpdirItself) {
  const std::string own = "kivotra-" + std::to_string(getuid());
  setenv("TMPDIR", "/some/where", 1);
  EXPECT_EQ(runtimeDirPath(), std::filesystem::path("/some/where") / own);
  setenv("XDG_RUNTIME_DIR", "/run/user/77", 1);
  EXPECT_EQ(runtimeDirPath(), std::filesystem::path("/run/user/77/kivotra"));
}

TEST_F(PrivateTempDir, FallbackIsOwnedAndClosedToOthers) {
  auto dir = privateTempDir();
  EXPECT_EQ(dir, std::filesystem::path("/tmp/kivotra-" + std::to_string(getuid())));
  struct stat st {};
  ASSERT_EQ(stat(dir.c_str(), &st), 0);
  EXPECT_EQ(st.st_uid, getuid());
  EXPECT_EQ(st.st_mode & 07777, 0700u);
}
