#include "selftest/self_test.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <fstream>

#include "selftest/media/selftest_error.h"
#include "support/scratch_dir.h"

namespace kivotra::SelfTest {
namespace {

namespace fs = std::filesystem;
using fixtures::readFile;

// Points the private temporary directory (and the settings) at a scratch
// folder for one test.
class SelfTestScope : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const char* old = std::getenv("TMPDIR")) savedTmp_ = old;
    ::setenv("TMPDIR", tmp_.path().c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (tmp_ / "config").c_str(), 1);
    ::unsetenv("XDG_RUNTIME_DIR");
  }
  void TearDown() override {
    if (savedTmp_) {
      ::setenv("TMPDIR", savedTmp_->c_str(), 1);
    } else {
      ::unsetenv("TMPDIR");
    }
  }

  fixtures::ScratchDir tmp_;
  const fs::path run_ = tmp_ / ("kivotra-" + std::to_string(::getuid()));  // the private runtime folder
  std::optional<std::string> savedTmp_;
};

TEST(Check, ReturnsWhenTheConditionHoldsElseRaisesCode1WithTheMessage) {
  EXPECT_NO_THROW(check(true, "never shown"));
  try {
    check(false, "横屏输出应保留音频");
    FAIL() << "a false condition must raise";
  } catch (const SelfTestError& e) {
    EXPECT_EQ(e.code(), 1);
    EXPECT_EQ(e.description(), "横屏输出应保留音频");
  }
}

TEST(StatusLabel, NamesEveryStatusAndCarriesTheFailureMessage) {
  EXPECT_EQ(statusLabel(ItemStatus::loading()), "读取中");
  EXPECT_EQ(statusLabel(ItemStatus::ready()), "待处理");
  EXPECT_EQ(statusLabel(ItemStatus::compressing()), "压缩中");
  EXPECT_EQ(statusLabel(ItemStatus::done()), "完成");
  EXPECT_EQ(statusLabel(ItemStatus::failed("磁盘已满")), "失败(磁盘已满)");
}

using WriteResult = SelfTestScope;

TEST_F(WriteResult, ReplacesTheWholeFileWithNoLineEndAndNoLeftovers) {
  writeResult("FAILED: 横屏输出尺寸应为 1280×720");
  EXPECT_EQ(readFile(run_ / "selftest_result.txt"), "FAILED: 横屏输出尺寸应为 1280×720");
  writeResult("PASSED");
  EXPECT_EQ(readFile(run_ / "selftest_result.txt"), "PASSED");
  int entries = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator(run_)) ++entries;
  EXPECT_EQ(entries, 1) << "the temporary file of the atomic replace must be gone";
}

TEST_F(WriteResult, AFolderThatCannotTakeTheFileIsIgnoredSilently) {
  const fs::path notAFolder = tmp_ / "plain-file";
  std::ofstream(notAFolder) << "x";
  ::setenv("TMPDIR", notAFolder.c_str(), 1);
  EXPECT_NO_THROW(writeResult("PASSED"));
  EXPECT_EQ(readFile(notAFolder), "x");
}

using WorkFolder = SelfTestScope;

TEST_F(WorkFolder, IsThePrefixAndTheCurrentSecondInTheTemporaryDirectory) {
  const long long before = std::time(nullptr);
  const fs::path folder = workFolder("kivotra_queue-");
  const long long after = std::time(nullptr);
  EXPECT_EQ(folder.parent_path(), run_);
  const std::string name = folder.filename().string();
  ASSERT_EQ(name.rfind("kivotra_queue-", 0), 0u) << name;
  const long long stamp = std::stoll(name.substr(std::string("kivotra_queue-").size()));
  EXPECT_GE(stamp, before);
  EXPECT_LE(stamp, after);
}

using Guard = SelfTestScope;

TEST_F(Guard, FailingCheckInTheFullSuiteRecordsFailedAndExitsWith1) {
  EXPECT_EXIT(guard(Suite::full, [] { check(false, "横屏输出应保留音频"); }), ::testing::ExitedWithCode(1), "");
  EXPECT_EQ(readFile(run_ / "selftest_result.txt"), "FAILED: 横屏输出应保留音频");
}

TEST_F(Guard, QueueSuiteFailureExitsWith1AndRecordsNothing) {
  EXPECT_EXIT(guard(Suite::perItem, [] { check(false, "缺少输出文件"); }), ::testing::ExitedWithCode(1), "");
  EXPECT_EXIT(guard(Suite::queue, [] { throw std::runtime_error("boom"); }), ::testing::ExitedWithCode(1), "");
  EXPECT_FALSE(fs::exists(run_ / "selftest_result.txt"));
}

TEST_F(Guard, PassingStepsReturnAndLeaveTheResultToTheSuite) {
  bool ran = false;
  guard(Suite::full, [&] { ran = true; });
  EXPECT_TRUE(ran);
  EXPECT_FALSE(fs::exists(run_ / "selftest_result.txt"));
}

}  // namespace
}  // namespace kivotra::SelfTest
