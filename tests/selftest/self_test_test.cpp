#include "selftest/self_test.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "selftest/media/selftest_error.h"
#include "support/scratch_dir.h"

namespace kivotra::SelfTest {
namespace {

namespace fs = std::filesystem;
using fixtures::readFile;

// The private temporary directory (and the settings) in a scratch folder.
class SelfTestScope : public ::testing::Test {
 protected:
  void SetUp() override {
    ::setenv("TMPDIR", tmp_.path().c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (tmp_ / "config").c_str(), 1);
    ::unsetenv("XDG_RUNTIME_DIR");
  }
  void TearDown() override { ::unsetenv("TMPDIR"); }

  fixtures::ScratchDir tmp_;
  const fs::path run_ = tmp_ / ("kivotra-" + std::to_string(::getuid()));  // the private runtime folder
};

using Result = SelfTestScope;

TEST_F(Result, ReplacesTheWholeFileAtomicallyAndAFolderThatCannotTakeItIsIgnored) {
  writeResult("FAILED: 横屏输出尺寸应为 1280×720");
  writeResult("PASSED");
  EXPECT_EQ(readFile(run_ / "selftest_result.txt"), "PASSED");
  EXPECT_EQ(std::distance(fs::directory_iterator(run_), fs::directory_iterator()), 1)
      << "the temporary file of the atomic replace must be gone";

  std::ofstream(tmp_ / "plain-file") << "x";
  ::setenv("TMPDIR", (tmp_ / "plain-file").c_str(), 1);
  EXPECT_NO_THROW(writeResult("PASSED"));
  EXPECT_EQ(readFile(tmp_ / "plain-file"), "x");
}

TEST_F(Result, OnlyTheFullSuiteRecordsItsFailureAndEverySuiteExitsWith1) {
  EXPECT_EXIT(guard(Suite::perItem, [] { check(false, "缺少输出文件"); }), ::testing::ExitedWithCode(1), "");
  EXPECT_EXIT(guard(Suite::queue, [] { throw std::runtime_error("boom"); }), ::testing::ExitedWithCode(1), "");
  bool ran = false;
  guard(Suite::full, [&] { ran = true; });
  EXPECT_TRUE(ran);
  EXPECT_FALSE(fs::exists(run_ / "selftest_result.txt"));
  EXPECT_EXIT(guard(Suite::full, [] { check(false, "横屏输出应保留音频"); }), ::testing::ExitedWithCode(1), "");
  EXPECT_EQ(readFile(run_ / "selftest_result.txt"), "FAILED: 横屏输出应保留音频");
}

}  // namespace
}  // namespace kivotra::SelfTest
