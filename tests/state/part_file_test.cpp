#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "state/output_naming.h"
#include "state_fixture.h"

namespace kivotra {
namespace {

namespace fs = std::filesystem;

TEST(PartFile, TheWriterIsReadFromTheNameOnly) {
  const struct {
    const char* name;
    std::optional<pid_t> writer;
  } cases[] = {
      {".clip_压缩_720P.mp4.kivotra-4242.part", 4242},
      {".a.kivotra-1.kivotra-77.part", 77},  // the last mark counts
      {"clip_压缩_720P.mp4.kivotra-4242.part", std::nullopt},  // not hidden
      {".clip.mp4.kivotra-.part", std::nullopt},
      {".clip.mp4.kivotra-12x.part", std::nullopt},
      {".clip.mp4.kivotra-012.part", std::nullopt},
      {".clip.mp4.kivotra-99999999999999999999.part", std::nullopt},
      {".kivotra-12.part", std::nullopt},  // no final name
      {".clip.mp4.kivotra-12.partial", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(partFileWriter(c.name), c.writer) << c.name;
  EXPECT_EQ(partFileWriter(partFileName("x_压缩_4K.mp4", 31337)), 31337);
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
  EXPECT_TRUE(outputNameTaken(scope.root(), "clip_压缩_720P.mp4"));

  removeStalePartFiles(scope.root());
  EXPECT_FALSE(fs::exists(scope.path(gone)));
  EXPECT_TRUE(fs::exists(scope.path(running)));
  EXPECT_TRUE(fs::exists(scope.path("clip_压缩_720P_3.mp4")));
  EXPECT_TRUE(fs::is_directory(scope.path(folder)));  // only regular files of ours are removed
  EXPECT_EQ(chooseOutputPath("/x/clip.mov", scope.root(), 720).filename(), "clip_压缩_720P.mp4");
}

}  // namespace
}  // namespace kivotra
