#include "selftest/self_test.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "support/scratch_dir.h"

namespace kivotra::SelfTest {
namespace {

namespace fs = std::filesystem;
using fixtures::readFile;

TEST(Result, ReplacesTheWholeFileAtomicallyAndAFolderThatCannotTakeItIsIgnored) {
  fixtures::ScratchDir tmp;
  ::setenv("TMPDIR", tmp.path().c_str(), 1);
  ::unsetenv("XDG_RUNTIME_DIR");
  const fs::path run = tmp / ("kivotra-" + std::to_string(::getuid()));  // the private runtime folder
  writeResult("FAILED: 横屏输出尺寸应为 1280×720");
  writeResult("PASSED");
  EXPECT_EQ(readFile(run / "selftest_result.txt"), "PASSED");
  EXPECT_EQ(std::distance(fs::directory_iterator(run), fs::directory_iterator()), 1)
      << "the temporary file of the atomic replace must be gone";

  std::ofstream(tmp / "plain-file") << "x";
  ::setenv("TMPDIR", (tmp / "plain-file").c_str(), 1);
  EXPECT_NO_THROW(writeResult("PASSED"));
  EXPECT_EQ(readFile(tmp / "plain-file"), "x");
  ::unsetenv("TMPDIR");
}

}  // namespace
}  // namespace kivotra::SelfTest
