#include "cli/progress_view.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace kivotra::cli {
namespace {

using namespace std::chrono_literals;

// A FILE* that collects what was written, and a clock that moves when told.
class Capture : public ::testing::Test {
 protected:
  void SetUp() override { stream_ = open_memstream(&buffer_, &size_); }
  void TearDown() override {
    std::fclose(stream_);
    std::free(buffer_);
  }
  std::string written() {
    std::fflush(stream_);
    return std::string(buffer_, size_);
  }
  ProgressView::Now clock() {
    return [this] { return now_; };
  }

  std::FILE* stream_ = nullptr;
  char* buffer_ = nullptr;
  std::size_t size_ = 0;
  ProgressView::Clock::time_point now_{1h};
};

ProgressState at(double fraction) { return {2, 4, QStringLiteral("校庆.mov"), fraction, 4.4, 1.94}; }

TEST(ProgressLine, ShowsPositionNamePercentRemainingTimeAndSpeed) {
  EXPECT_EQ(progressLine(at(0.31), true),
            QStringLiteral("[2/4] 校庆.mov  [######--------------]  31%  剩 00:04  1.9×"));
  EXPECT_EQ(progressLine(at(0.0734), false), QStringLiteral("[2/4] 校庆.mov  7.3%  剩 00:04  1.9×"));
  EXPECT_EQ(progressLine({1, 1, QStringLiteral("a.mov"), 0, {}, {}}, true),
            QStringLiteral("[1/1] a.mov  [--------------------]  0.0%"));
  EXPECT_EQ(progressLine({1, 1, QStringLiteral("a.mov"), 1, {}, {}}, true),
            QStringLiteral("[1/1] a.mov  [####################]  100%"));
}

using ProgressViewTest = Capture;

TEST_F(ProgressViewTest, TerminalRedrawsOneLineInPlaceAndEndsItWithTheResult) {
  ProgressView view(stream_, true, clock());
  view.update(at(0.1));
  view.update(at(0.2));
  view.finish(QStringLiteral("✓ done"));
  view.note(QStringLiteral("next"));
  EXPECT_EQ(written(),
            (progressLine(at(0.1), true) + "\r\x1b[K" + progressLine(at(0.2), true) + "\r\x1b[K✓ done\nnext\n")
                .toStdString());
}

TEST_F(ProgressViewTest, PipeGetsPlainLinesAtMostOnceASecond) {
  ProgressView view(stream_, false, clock());
  view.update(at(0.1));
  now_ += 999ms;
  view.update(at(0.2));  // too soon
  now_ += 1ms;
  view.update(at(0.3));
  view.finish(QStringLiteral("✓ done"));
  view.update(at(0.01));  // the next file's first report always shows
  EXPECT_EQ(written(), (progressLine(at(0.1), false) + "\n" + progressLine(at(0.3), false) + "\n✓ done\n" +
                        progressLine(at(0.01), false) + "\n")
                           .toStdString());
}

}  // namespace
}  // namespace kivotra::cli
