// Faults around a run: a disk that fills up or cannot be written.
#include <gtest/gtest.h>

#include "state/state_fixture.h"

namespace kivotra::test {
namespace {

// The file system under the output folder, mounted by a shell script in a
// private mount namespace (as root, or through a user namespace where the
// kernel allows it) so the test never touches the machine's.
TEST(Faults, AReadOnlyOrFullDiskFailsTheFileByNameInChineseAndKeepsOnlyFinishedOutputs) {
  if (test::runTool("unshare", {"-rm", "true"}, fs::temp_directory_path(), 10000).exitCode != 0) {
    GTEST_SKIP() << "no mount namespace here";
  }
  const struct {
    const char* what;
    const char* mount;
    const char* waitThen;  // what the script does while the run goes on
    const char* message;
    const char* left;  // the folder's names afterwards
  } rows[] = {
      {"read-only", "ro,size=1m", "", "目标位置只读", ""},
      // Once the first file has reserved its name, another writer takes all but
      // 300 KB: it runs out of space in the middle of its write. Deleting its
      // partial output gives the space back for the small second file.
      {"disk full", "size=24m",
       R"sh(while kill -0 $pid 2>/dev/null && [ -z "$(ls -A "$OUT")" ]; do sleep 0.01; done
set -- $(stat -f -c '%a %S' "$OUT")
fallocate -l $(( $1 * $2 - 300 * 1024 )) "$OUT/filler" || exit 91)sh",
       "磁盘空间已满", "filler\nsmall_压缩_1080P.mp4\n"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    fixtures::ScratchDir tmp;
    // Mostly sound: 128 kbit/s of AAC whatever the picture, about 380 KB in all.
    const fs::path big = movie(tmp / "big.mov", 24, 2), small = movie(tmp / "small.mov", 0.1);
    const std::string sumBig = fixtures::readFile(big);
    fs::create_directories(tmp / "out");
    const QString script = QString(R"sh(cd "$2"; OUT="$2/out"; mount -t tmpfs -o %1 tmpfs "$OUT" || exit 90
"$1" compress --bitrate 100 --output-dir "$OUT" big.mov small.mov 2>err.txt & pid=$!
%2
wait $pid; rc=$?
ls -A "$OUT" >left.txt
exit $rc)sh").arg(row.mount, row.waitThen);
    const ToolResult run = test::runTool("unshare", {"-rm", "sh", "-c", script, "sh", KIVOTRA_CLI_BIN, q(tmp.path())},
                                       tmp.path(), 120000);
    const std::string err = fixtures::readFile(tmp / "err.txt");
    ASSERT_FALSE(run.hung);
    ASSERT_TRUE(run.exitCode != 90 && run.exitCode != 91) << "mount (90) or fallocate (91) failed: " << run.err;
    EXPECT_EQ(run.exitCode, 1) << err;
    EXPECT_TRUE(err.find("big.mov") != std::string::npos && err.find(row.message) != std::string::npos) << err;
    EXPECT_EQ(fixtures::readFile(tmp / "left.txt"), row.left) << err;
    EXPECT_TRUE(fixtures::readFile(big) == sumBig) << "the source changed";
  }
}

}  // namespace
}  // namespace kivotra::test
