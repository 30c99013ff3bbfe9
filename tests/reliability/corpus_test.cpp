// The corpus of bad and unusual inputs through the probe, the queue and
// kivotra-cli: each case ends in a valid output or a Chinese message, in
// bounded time, leaves no failed output behind and never changes its source.
#include <gtest/gtest.h>

#include <QSettings>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <future>
#include <memory>

#include "models/errors.h"
#include "reliability_support.h"
#include "state/app_state.h"
#include "support/scratch_dir.h"
#include "transcoder/transcoder.h"

namespace kivotra::reliability {
namespace {

class Corpus : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new fixtures::ScratchDir;
    files_ = writeCorpus(dir_->path() / "corpus");
    before_ = checksums(files_);
  }
  static void TearDownTestSuite() {
    delete dir_;
    dir_ = nullptr;
  }
  void TearDown() override {
    // Whatever the layer did, every source is byte for byte what it was.
    EXPECT_EQ(checksums(files_), before_);
    EXPECT_EQ(namesIn(dir_->path() / "corpus").size(), files_.size()) << "something was written beside the sources";
  }

  static const CorpusFile& fileNamed(const std::string& name) {
    const auto it = std::find_if(files_.begin(), files_.end(), [&](const CorpusFile& f) { return f.name == name; });
    if (it == files_.end()) throw std::runtime_error("not in the corpus: " + name);
    return *it;
  }

  static inline fixtures::ScratchDir* dir_ = nullptr;
  static inline std::vector<CorpusFile> files_;
  static inline std::map<std::string, std::string> before_;
};

TEST_F(Corpus, ProbeMeasuresOrRefusesInChineseEveryCase) {
  for (const CorpusFile& file : files_) {
    SCOPED_TRACE(file.name);
    auto result = Transcoder::probe(file.path);
    ASSERT_EQ(result.wait_for(std::chrono::seconds(20)), std::future_status::ready) << "probe hangs";
    try {
      const ProbeInfo info = result.get();
      EXPECT_GE(info.duration, 0);
      // 0 is "unknown"; never negative, infinite or NaN.
      EXPECT_TRUE(std::isfinite(info.fps) && info.fps >= 0) << info.fps;
      if (file.mustCompress) {
        EXPECT_GT(info.width * info.height, 0);
      }
      if (file.seconds > 0) {
        EXPECT_NEAR(info.duration, file.seconds, kDurationSlack);
      }
    } catch (const Error& e) {
      EXPECT_FALSE(file.mustCompress) << e.description();
      EXPECT_TRUE(hasChinese(e.description())) << e.description();
    }
  }
}

TEST_F(Corpus, QueueCompressesOrFailsInChineseEveryCaseAndKeepsNoFailedOutput) {
  const fs::path out = dir_->path() / "queue-out";
  fs::create_directories(out);
  for (std::size_t start = 0; start < files_.size(); start += AppState::kMaxItems) {
    fixtures::ScratchDir settingsDir;
    AppState state(std::make_unique<QSettings>(q(settingsDir / "settings.ini"), QSettings::IniFormat));
    ASSERT_TRUE(state.chooseOutputFolder(q(out)));
    std::vector<fs::path> batch;
    for (std::size_t i = start; i < std::min(files_.size(), start + AppState::kMaxItems); ++i) {
      batch.push_back(files_[i].path);
    }
    state.add(batch);
    ASSERT_EQ(state.itemCount(), static_cast<int>(batch.size()));
    ASSERT_TRUE(waitUntil(
        [&] {
          for (const VideoItem& item : state.items()) {
            if (item.status.is(ItemStatus::Kind::loading)) return false;
          }
          return true;
        },
        30000))
        << "a probe never came back";
    int runs = 0;
    QObject::connect(&state, &AppState::runFinished, &state, [&] { ++runs; });
    state.startCompressing(ItemSettings{720, 0, 1000, FitMode::keep, false});
    if (state.isRunning()) {
      ASSERT_TRUE(waitUntil([&] { return runs == 1; }, 120000)) << "the queue hangs";
    }

    for (const VideoItem& item : state.items()) {
      const std::string name = item.url.filename().string();
      SCOPED_TRACE(name);
      const bool must = fileNamed(name).mustCompress;
      EXPECT_FALSE(fileNamed(name).mustFail && item.status.is(ItemStatus::Kind::done)) << "a cut source reported done";
      if (item.status.is(ItemStatus::Kind::done)) {
        ASSERT_TRUE(item.outputURL);
        EXPECT_EQ(outputProblem(*item.outputURL), "");
        EXPECT_EQ(item.outputURL->parent_path(), out);
        EXPECT_EQ(durationProblem(*item.outputURL, fileNamed(name)), "");
      } else {
        ASSERT_TRUE(item.status.is(ItemStatus::Kind::failed)) << ItemListModel::statusKey(item.status).toStdString();
        EXPECT_FALSE(must) << item.status.message();
        EXPECT_TRUE(hasChinese(item.status.message())) << item.status.message();
      }
    }
  }
  // Only the outputs of compressed files are in the folder.
  for (const std::string& name : namesIn(out)) {
    EXPECT_EQ(outputProblem(out / name), "") << name;
  }
}

TEST_F(Corpus, CliCompressesOrFailsInChineseEveryCaseWithoutCrashOrHang) {
  for (const CorpusFile& file : files_) {
    SCOPED_TRACE(file.name);
    fixtures::ScratchDir tmp;
    const fs::path out = tmp / "out";
    const Finished run = runCli({"compress", "--resolution", "720P", "--bitrate", "800", "--output-dir", q(out),
                                 q(file.path)},
                                tmp.path());
    ASSERT_FALSE(run.hung);
    ASSERT_FALSE(run.crashed) << run.err;
    const std::set<std::string> outputs = namesIn(out);
    EXPECT_FALSE(file.mustFail && run.exitCode == 0) << "a cut source reported done";
    if (run.exitCode == 0) {
      ASSERT_EQ(outputs.size(), 1u);
      EXPECT_EQ(outputProblem(out / *outputs.begin()), "");
      EXPECT_EQ(durationProblem(out / *outputs.begin(), file), "");
    } else {
      EXPECT_EQ(run.exitCode, 1) << run.err;
      EXPECT_FALSE(file.mustCompress) << run.err;
      EXPECT_TRUE(hasChinese(run.err)) << run.err;
      EXPECT_TRUE(outputs.empty()) << "a failed file left " << *outputs.begin();
    }
  }
}

}  // namespace
}  // namespace kivotra::reliability
