#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "models/errors.h"
#include "state/output_naming.h"
#include "state_fixture.h"
#include "support/scratch_dir.h"

namespace kivotra {
namespace {

namespace fs = std::filesystem;

TEST(OutputNaming, SourceStemTierLabelAndTheFirstFreeNumber) {
  const struct {
    const char* source;
    int shortSide;
    std::vector<std::string> taken;  // files already in the folder
    const char* expected;
  } rows[] = {
      {"/x/trip.mov", 1440, {}, "trip_压缩_2K.mp4"},
      {"/x/a.b.mov", 720, {}, "a.b_压缩_720P.mp4"},  // only the last extension goes
      {"/x/clip", 720, {}, "clip_压缩_720P.mp4"},
      {"/x/clip.mov", 720, {"clip_压缩_720P_2.mp4"}, "clip_压缩_720P.mp4"},  // a gap is filled first
      {"/x/clip.mov", 720, {"clip_压缩_720P.mp4", "clip_压缩_720P_2.mp4"}, "clip_压缩_720P_3.mp4"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.expected);
    test::Scope scope;
    for (const std::string& name : row.taken) scope.writeFile(name, "x");
    EXPECT_EQ(chooseOutputPath(row.source, scope.path(), row.shortSide), scope / row.expected);
  }
}

TEST(OutputNaming, PartFilesLinksAndFoldersTakeANameAndNobodysFileIsTouched) {
  test::Scope scope;
  const fs::path theirs = scope.writeFile("clip_压缩_1080P.mp4", "not ours");
  fs::create_symlink(scope / "nowhere", scope / "clip_压缩_1080P_2.mp4");
  scope.makeFolder("clip_压缩_1080P_3.mp4");
  OutputFile first("/x/clip.mov", scope.path(), 1080, 0644);
  OutputFile second("/x/clip.mov", scope.path(), 1080, 0644);
  // Both part files hold a name: a check in between moves past them.
  EXPECT_EQ(chooseOutputPath("/x/clip.mov", scope.path(), 1080), scope / "clip_压缩_1080P_6.mp4");
  EXPECT_EQ(second.publish(), scope / "clip_压缩_1080P_5.mp4");
  // A file that appeared under the first one's name while it was written is not replaced.
  const fs::path late = scope.writeFile("clip_压缩_1080P_4.mp4", "not ours either");
  EXPECT_EQ(first.publish(), scope / "clip_压缩_1080P_6.mp4");
  EXPECT_EQ(fixtures::readFile(theirs) + fixtures::readFile(late), "not oursnot ours either");
  EXPECT_FALSE(fs::exists(scope / "nowhere"));  // the link was not followed

  EXPECT_THROW(OutputFile("/x/clip.mov", theirs, 720, 0644), PlatformError);
  EXPECT_THROW(OutputFile("/x/clip.mov", scope / "missing", 720, 0644), PlatformError);
}

TEST(PartFile, TheWriterIsReadFromTheNameOnly) {
  const struct {
    const char* name;
    std::optional<pid_t> writer;
  } cases[] = {
      {".clip_压缩_720P.mp4.kivotra-4242.part", 4242},
      {".a.kivotra-1.kivotra-77.part", 77},  // the last mark counts
      {"clip_压缩_720P.mp4.kivotra-4242.part", std::nullopt},  // not hidden
      {".clip.mp4.kivotra-12x.part", std::nullopt},
      {".clip.mp4.kivotra-012.part", std::nullopt},
      {".clip.mp4.kivotra-99999999999999999999.part", std::nullopt},
      {".kivotra-12.part", std::nullopt},  // no final name
  };
  for (const auto& c : cases) EXPECT_EQ(partFileWriter(c.name), c.writer) << c.name;
}

// A process number that was in use a moment ago and is free now.
pid_t endedProcess() {
  const pid_t child = ::fork();
  if (child == 0) ::_exit(0);
  ::waitpid(child, nullptr, 0);
  return child;
}

TEST(PartFile, CleanupRemovesOnlyPartFilesWhoseWriterIsGone) {
  test::Scope scope;
  const std::string gone = partFileName("clip_压缩_720P.mp4", endedProcess());
  const std::string running = partFileName("clip_压缩_720P_2.mp4", ::getppid());
  scope.writeFile(gone, "x");
  scope.writeFile(running, "x");
  scope.writeFile("clip_压缩_720P_3.mp4", "x");
  const std::string folder = partFileName("folder.mp4", endedProcess());
  scope.makeFolder(folder);
  EXPECT_TRUE(outputNameTaken(scope.path(), "clip_压缩_720P.mp4"));

  removeStalePartFiles(scope.path());
  EXPECT_FALSE(fs::exists(scope / gone));
  EXPECT_TRUE(fs::exists(scope / running) && fs::exists(scope / "clip_压缩_720P_3.mp4"));
  EXPECT_TRUE(fs::is_directory(scope / folder));  // only regular files of ours are removed
}

}  // namespace
}  // namespace kivotra
