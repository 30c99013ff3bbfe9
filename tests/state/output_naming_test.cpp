#include <gtest/gtest.h>

#include "models/errors.h"
#include "state/output_naming.h"
#include "state_fixture.h"
#include "support/scratch_dir.h"

namespace kivotra {
namespace {

namespace fs = std::filesystem;

std::string nameOf(const fs::path& path) { return path.filename().string(); }

TEST(OutputNaming, NamesAfterTheSourceWithTheTierLabel) {
  test::Scope scope;
  const fs::path dir = scope.root();
  scope.writeFile("trip_压缩_1080P.mp4", "x");
  const fs::path source = "/elsewhere/trip.mov";
  EXPECT_EQ(nameOf(chooseOutputPath(source, dir, 1080)), "trip_压缩_1080P_2.mp4");
  EXPECT_EQ(nameOf(chooseOutputPath(source, dir, 720)), "trip_压缩_720P.mp4");
  EXPECT_EQ(nameOf(chooseOutputPath(source, dir, 1440)), "trip_压缩_2K.mp4");
  EXPECT_EQ(nameOf(chooseOutputPath(source, dir, 2160)), "trip_压缩_4K.mp4");
  EXPECT_EQ(nameOf(chooseOutputPath(source, dir, 480)), "trip_压缩_480P.mp4");
  EXPECT_EQ(chooseOutputPath(source, dir, 720).parent_path(), dir);
}

TEST(OutputNaming, RemovesOnlyTheLastExtension) {
  test::Scope scope;
  EXPECT_EQ(nameOf(chooseOutputPath("/x/a.b.mov", scope.root(), 720)), "a.b_压缩_720P.mp4");
  EXPECT_EQ(nameOf(chooseOutputPath("/x/clip", scope.root(), 720)), "clip_压缩_720P.mp4");
}

TEST(OutputNaming, CollisionsCountUpFromTwo) {
  test::Scope scope;
  scope.writeFile("clip_压缩_720P_2.mp4", "x");
  // A gap in the sequence is filled first.
  EXPECT_EQ(nameOf(chooseOutputPath("/x/clip.mov", scope.root(), 720)), "clip_压缩_720P.mp4");
  scope.writeFile("clip_压缩_720P.mp4", "x");
  EXPECT_EQ(nameOf(chooseOutputPath("/x/clip.mov", scope.root(), 720)), "clip_压缩_720P_3.mp4");
}

TEST(OutputNaming, ADanglingLinkOrAFolderTakesTheName) {
  test::Scope scope;
  fs::create_symlink(scope.path("nowhere"), scope.path("clip_压缩_720P.mp4"));
  scope.makeFolder("clip_压缩_720P_2.mp4");
  EXPECT_EQ(nameOf(chooseOutputPath("/x/clip.mov", scope.root(), 720)), "clip_压缩_720P_3.mp4");
  OutputFile output("/x/clip.mov", scope.root(), 720, 0644);
  EXPECT_EQ(nameOf(output.publish()), "clip_压缩_720P_3.mp4");
  EXPECT_FALSE(fs::exists(scope.path("nowhere")));  // the link was not followed
}

TEST(OutputNaming, APartFileTakesItsNameSoTheNextOneMovesOn) {
  test::Scope scope;
  OutputFile first("/x/clip.mov", scope.root(), 1080, 0644);
  OutputFile second("/x/clip.mov", scope.root(), 1080, 0644);
  EXPECT_EQ(nameOf(chooseOutputPath("/x/clip.mov", scope.root(), 1080)), "clip_压缩_1080P_3.mp4");
  EXPECT_EQ(nameOf(second.publish()), "clip_压缩_1080P_2.mp4");
  EXPECT_EQ(nameOf(first.publish()), "clip_压缩_1080P.mp4");
}

TEST(OutputNaming, ReservationLeavesSomeoneElsesFileAlone) {
  test::Scope scope;
  const fs::path theirs = scope.writeFile("clip_压缩_1080P.mp4", "not ours");
  OutputFile output("/x/clip.mov", scope.root(), 1080, 0644);
  const fs::path ours = output.publish();
  EXPECT_NE(ours, theirs);
  EXPECT_EQ(fixtures::readFile(theirs), "not ours");
}

TEST(OutputNaming, ReservationInAPlaceThatIsNoFolderFails) {
  test::Scope scope;
  const fs::path file = scope.writeFile("plain.txt", "x");
  EXPECT_THROW(OutputFile("/x/clip.mov", file, 720, 0644), PlatformError);
  EXPECT_THROW(OutputFile("/x/clip.mov", scope.path("missing"), 720, 0644), PlatformError);
}

}  // namespace
}  // namespace kivotra
