// The corpus of bad and unusual inputs through kivotra-cli, probe and compress,
// each over the whole corpus in one run: every case ends in a valid output or
// a Chinese message, in bounded time, leaves no failed output behind and never changes its source.
#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>

#include "reliability_support.h"
#include "support/scratch_dir.h"

namespace kivotra::reliability {
namespace {

class Corpus : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new fixtures::ScratchDir;
    files_ = writeCorpus(dir_->path() / "corpus");
    before_ = contents(files_);
  }
  static void TearDownTestSuite() {
    delete dir_;
    dir_ = nullptr;
  }
  void TearDown() override {
    // Whatever the run did, every source is byte for byte what it was.
    EXPECT_TRUE(contents(files_) == before_) << "a source changed";
    EXPECT_EQ(namesIn(dir_->path() / "corpus").size(), files_.size()) << "something was written beside the sources";
  }

  // kivotra-cli over every file at once, and its one JSON object per file.
  static std::vector<QJsonObject> runOverAll(QStringList args, const fs::path& privateTmp, Finished& run) {
    for (const CorpusFile& f : files_) args << q(f.path);
    run = runCli(args, privateTmp, 170000);
    std::vector<QJsonObject> objects;
    for (const QByteArray& line : QByteArray::fromStdString(run.out).split('\n')) {
      if (!line.isEmpty()) objects.push_back(QJsonDocument::fromJson(line).object());
    }
    return objects;
  }

  static inline fixtures::ScratchDir* dir_ = nullptr;
  static inline std::vector<CorpusFile> files_;
  static inline std::vector<std::string> before_;
};

TEST_F(Corpus, ProbeMeasuresOrRefusesInChineseEveryCase) {
  fixtures::ScratchDir tmp;
  Finished run;
  const auto objects = runOverAll({"probe", "--json"}, tmp.path(), run);
  ASSERT_FALSE(run.hung);
  ASSERT_FALSE(run.crashed) << run.err;
  ASSERT_EQ(objects.size(), files_.size()) << run.out << run.err;
  for (std::size_t i = 0; i < files_.size(); ++i) {
    const CorpusFile& file = files_[i];
    const QJsonObject& o = objects[i];
    SCOPED_TRACE(file.name);
    if (o.value("ok").toBool()) {
      // 0 is "unknown"; never negative, infinite or NaN (JSON has no such numbers).
      EXPECT_TRUE(o.value("fps").isDouble() && o.value("fps").toDouble() >= 0);
      EXPECT_GE(o.value("duration").toDouble(), 0);
      EXPECT_TRUE(!file.mustCompress || o.value("width").toInt() * o.value("height").toInt() > 0);
      EXPECT_TRUE(file.seconds <= 0 || std::abs(o.value("duration").toDouble() - file.seconds) <= kDurationSlack)
          << o.value("duration").toDouble() << " s";
    } else {
      EXPECT_FALSE(file.mustCompress) << o.value("error").toString().toStdString();
      EXPECT_TRUE(hasChinese(o.value("error").toString().toStdString()));
    }
  }
}

TEST_F(Corpus, CompressMakesAValidOutputOrFailsInChineseForEveryCaseAndKeepsNoFailedOutput) {
  fixtures::ScratchDir tmp;
  const fs::path out = tmp / "out";
  Finished run;
  const auto objects = runOverAll(
      {"compress", "--json", "--resolution", "720P", "--bitrate", "800", "--output-dir", q(out)}, tmp.path(), run);
  ASSERT_FALSE(run.hung);
  ASSERT_FALSE(run.crashed) << run.err;
  EXPECT_EQ(run.exitCode, 1) << "some cases must fail";
  ASSERT_EQ(objects.size(), files_.size()) << run.out << run.err;
  std::set<std::string> outputs;
  for (std::size_t i = 0; i < files_.size(); ++i) {
    const CorpusFile& file = files_[i];
    const QJsonObject& o = objects[i];
    SCOPED_TRACE(file.name);
    const std::string message = o.value("message").toString().toStdString();
    if (o.value("status").toString() == "done") {
      EXPECT_FALSE(file.mustFail) << "a cut source reported done";
      const fs::path output = o.value("output").toString().toStdString();
      EXPECT_EQ(output.parent_path(), out);
      EXPECT_EQ(outputProblem(output), "");
      EXPECT_EQ(durationProblem(output, file), "");
      outputs.insert(output.filename().string());
    } else {
      EXPECT_EQ(o.value("status").toString(), "failed");
      EXPECT_FALSE(file.mustCompress) << message;
      EXPECT_TRUE(hasChinese(message)) << message;
      EXPECT_TRUE(o.value("output").isNull());
    }
  }
  EXPECT_EQ(namesIn(out), outputs) << "only the outputs of compressed files are in the folder";
}

}  // namespace
}  // namespace kivotra::reliability
