#include "models/errors.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "models/text.h"

using namespace kivotra;

TEST(Errors, DescriptionsJoinTheChineseTextAndItsCause) {
  EXPECT_EQ(TranscodeError::writerInit("未知错误").description(), "写入器初始化失败：未知错误");
  EXPECT_EQ(PlatformError::fromErrno(ENOSPC).cause(), PlatformError::Cause::diskFull);
  EXPECT_EQ(PlatformError::fromErrno(ENOENT).description(), std::string("文件不存在（") + std::strerror(ENOENT) + "）");
  EXPECT_EQ(PlatformError(PlatformError::Cause::damaged, "").description(), "文件已损坏或无法识别");
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
