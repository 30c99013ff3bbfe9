// The question before the window closes during a run; the whole way to the
// end of the program is in tests/shell/close_window_uitest.cpp.
#include <gtest/gtest.h>

#include "support/media_fixtures.h"
#include "ui/window_view_model.h"
#include "ui_fixture.h"

namespace kivotra::test {
namespace {

namespace fs = std::filesystem;

struct Window {
  Window() : state(scope.settings()), viewModel(state, settings) {}
  Scope scope;
  AppState state;
  CompressionSettings settings;
  ui::WindowViewModel viewModel;

  // A file long enough to still be compressing when the window is closed.
  void startCompressing() {
    fixtures::MediaOptions o;
    o.width = 640;
    o.height = 360;
    o.seconds = 8;
    fixtures::writeMedia(scope.path("clip.mov"), o);
    state.chooseOutputFolder(QString::fromStdString(scope.makeFolder("out").string()));
    state.add(std::vector<fs::path>{scope.path("clip.mov")});
    ASSERT_TRUE(waitUntil([&] { return state.items().at(0).status.is(ItemStatus::Kind::ready); }));
    state.startCompressing(settings.snapshot());
    ASSERT_TRUE(waitUntil([&] { return fs::exists(scope.path("out")) && !fs::is_empty(scope.path("out")); }));
  }
};

TEST(CloseQuestion, DuringARunItAsksAndKeepCompressingChangesNothing) {
  Window w;
  w.startCompressing();
  EXPECT_FALSE(w.viewModel.requestQuit());
  EXPECT_TRUE(w.viewModel.closeQuestionShown());
  EXPECT_EQ(w.viewModel.closeQuestion(), QStringLiteral("正在压缩，确定要停止并退出吗？"));
  EXPECT_EQ(w.viewModel.stopAndQuitText(), QStringLiteral("停止并退出"));
  EXPECT_EQ(w.viewModel.keepCompressingText(), QStringLiteral("继续压缩"));
  w.viewModel.keepCompressing();
  EXPECT_FALSE(w.viewModel.closeQuestionShown());
  EXPECT_TRUE(w.state.isRunning());
  EXPECT_FALSE(w.state.cancelRequested());
  w.state.stopQueue();
  ASSERT_TRUE(waitUntil([&] { return !w.state.isRunning(); }));
}

}  // namespace
}  // namespace kivotra::test
