#include <gtest/gtest.h>

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
      {"/x/trip.mov", 720, {}, "trip_压缩_720P.mp4"},
      {"/x/trip.mov", 1080, {}, "trip_压缩_1080P.mp4"},
      {"/x/trip.mov", 1440, {}, "trip_压缩_2K.mp4"},
      {"/x/trip.mov", 2160, {}, "trip_压缩_4K.mp4"},
      {"/x/trip.mov", 480, {}, "trip_压缩_480P.mp4"},
      {"/x/a.b.mov", 720, {}, "a.b_压缩_720P.mp4"},  // only the last extension goes
      {"/x/clip", 720, {}, "clip_压缩_720P.mp4"},
      {"/x/clip.mov", 720, {"clip_压缩_720P_2.mp4"}, "clip_压缩_720P.mp4"},  // a gap is filled first
      {"/x/clip.mov", 720, {"clip_压缩_720P.mp4", "clip_压缩_720P_2.mp4"}, "clip_压缩_720P_3.mp4"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.expected);
    test::Scope scope;
    for (const std::string& name : row.taken) scope.writeFile(name, "x");
    EXPECT_EQ(chooseOutputPath(row.source, scope.root(), row.shortSide), scope.path(row.expected));
  }
}

TEST(OutputNaming, PartFilesLinksAndFoldersTakeANameAndNobodysFileIsTouched) {
  test::Scope scope;
  const fs::path theirs = scope.writeFile("clip_压缩_1080P.mp4", "not ours");
  fs::create_symlink(scope.path("nowhere"), scope.path("clip_压缩_1080P_2.mp4"));
  scope.makeFolder("clip_压缩_1080P_3.mp4");
  OutputFile first("/x/clip.mov", scope.root(), 1080, 0644);
  OutputFile second("/x/clip.mov", scope.root(), 1080, 0644);
  // Both part files hold a name: a check in between moves past them.
  EXPECT_EQ(chooseOutputPath("/x/clip.mov", scope.root(), 1080), scope.path("clip_压缩_1080P_6.mp4"));
  EXPECT_EQ(second.publish(), scope.path("clip_压缩_1080P_5.mp4"));
  EXPECT_EQ(first.publish(), scope.path("clip_压缩_1080P_4.mp4"));
  EXPECT_EQ(fixtures::readFile(theirs), "not ours");
  EXPECT_FALSE(fs::exists(scope.path("nowhere")));  // the link was not followed

  EXPECT_THROW(OutputFile("/x/clip.mov", theirs, 720, 0644), PlatformError);
  EXPECT_THROW(OutputFile("/x/clip.mov", scope.path("missing"), 720, 0644), PlatformError);
}

}  // namespace
}  // namespace kivotra
