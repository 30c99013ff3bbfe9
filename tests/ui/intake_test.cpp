#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <sys/stat.h>

#include <fstream>

#include "ui/intake_notice.h"

namespace kivotra::ui {
namespace {

namespace fs = std::filesystem;

void PrintTo(const Skipped& s, std::ostream* os) { *os << static_cast<int>(s.reason) << ' ' << s.name; }

// A real folder: three movies and a text file beside a folder with two movies
// and a picture; "pipe.mov" is a named pipe, "gone.mp4" is named but not there.
class Intake : public ::testing::Test {
 protected:
  QTemporaryDir dir;
  fs::path root{dir.path().toStdString()};
  fs::path at(const std::string& name) const { return root / name; }
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    fs::create_directory(at("trip"));
    for (const char* name : {"a.mp4", "b.MOV", "c.m4v", "notes.txt", "trip/2.mov", "trip/1.mp4", "trip/cover.png"})
      std::ofstream(at(name)) << "x";
    ASSERT_EQ(::mkfifo(at("pipe.mov").c_str(), 0600), 0);
  }
  std::vector<std::string> names(const std::vector<fs::path>& paths) const {
    std::vector<std::string> out;
    for (const fs::path& p : paths) out.push_back(fs::relative(p, root).string());
    return out;
  }
};

TEST_F(Intake, SortsWhatWasHandedOverIntoListedAndSkippedWithTheReason) {
  using R = SkipReason;
  const QStringList types{"mp4", "mov", "m4v"};
  const struct {
    std::vector<std::string> given;
    std::vector<std::string> listed;
    int room;
    std::vector<std::string> accepted;
    std::vector<Skipped> skipped;
  } cases[] = {
      {{"a.mp4", "notes.txt", "b.MOV"}, {}, 5, {"a.mp4", "b.MOV"}, {{R::unsupported, "notes.txt"}}},
      // Only the room left is taken, in the order given; the rest is over the limit.
      {{"a.mp4", "b.MOV", "c.m4v"}, {}, 1, {"a.mp4"}, {{R::overLimit, "b.MOV"}, {R::overLimit, "c.m4v"}}},
      {{"a.mp4"}, {}, 0, {}, {{R::overLimit, "a.mp4"}}},
      // A folder brings its movies by name; its picture was not chosen, so it is not reported.
      {{"trip"}, {}, 5, {"trip/1.mp4", "trip/2.mov"}, {}},
      {{"trip", "a.mp4"}, {}, 2, {"trip/1.mp4", "trip/2.mov"}, {{R::overLimit, "a.mp4"}}},
      // A pipe is never opened for reading (that would wait for a writer); a missing
      // file goes on to the list, which says why it failed.
      {{"pipe.mov", "gone.mp4"}, {}, 5, {"gone.mp4"}, {{R::unreadable, "pipe.mov"}}},
      // Listed already, or twice in one hand-over: once.
      {{"a.mp4", "b.MOV", "b.MOV"}, {"a.mp4"}, 4, {"b.MOV"}, {{R::alreadyListed, "a.mp4"}, {R::alreadyListed, "b.MOV"}}},
  };
  for (const auto& c : cases) {
    std::vector<fs::path> given, listed;
    for (const std::string& name : c.given) given.push_back(at(name));
    for (const std::string& name : c.listed) listed.push_back(at(name));
    const ui::Intake intake = sortIntake(given, listed, c.room, types, diskFacts());
    EXPECT_EQ(names(intake.accepted), c.accepted) << c.given.front() << " room " << c.room;
    EXPECT_EQ(intake.skipped, c.skipped) << c.given.front() << " room " << c.room;
  }
}

TEST(IntakeNotice, SaysHowManyAndWhyWithAFewNamesEach) {
  using R = SkipReason;
  EXPECT_EQ(skipNotice({}, 5), QString());
  EXPECT_EQ(skipNotice({{R::unsupported, "a.mkv"}}, 5), "未添加 1 个文件\n格式不支持（仅 MP4 / MOV / M4V）：a.mkv");
  // Grouped by reason whatever the order, the limit first; past three names, how many.
  EXPECT_EQ(skipNotice({{R::unreadable, "x.mov"},
                        {R::overLimit, "1.mp4"},
                        {R::overLimit, "2.mp4"},
                        {R::overLimit, "3.mp4"},
                        {R::overLimit, "4.mp4"}},
                       5),
            "未添加 5 个文件\n超出 5 个上限：1.mp4、2.mp4、3.mp4 等 4 个\n无法读取：x.mov");
}

}  // namespace
}  // namespace kivotra::ui
