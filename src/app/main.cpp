#include <QCoreApplication>
#include <QStringList>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <system_error>
#include <vector>

extern "C" {
#include <libavutil/log.h>
}

#include "app/run_mode.h"
#include "models/errors.h"
#include "models/temp_dir.h"
#include "selftest/media/test_video.h"
#include "selftest/self_test.h"
#include "shell/window_application.h"
#include "state/language.h"
#include "state/path_text.h"
#include "transcoder/transcoder.h"

namespace {

namespace fs = std::filesystem;

// Without a private temporary directory there is no marker to find.
fs::path markerPath() {
  try {
    return kivotra::privateTempDir() / "run_selftest";
  } catch (const kivotra::Error&) {
    return {};
  }
}

bool markerExists() {
  const fs::path marker = markerPath();
  std::error_code ec;
  return !marker.empty() && fs::exists(marker, ec);
}

// Every argument may be a file handed over by the file manager (Exec=kivotra %F);
// the intake keeps only the movies among them. Their bytes are kept as they are.
int runWindow(int argc, char** argv) {
  // Qt would abort in its platform plugin; say what is missing instead.
  const std::string problem = kivotra::missingDisplayMessage([](const char* name) { return std::getenv(name); });
  if (!problem.empty()) {
    QCoreApplication app(argc, argv);
    kivotra::installTranslation(app);
    std::cerr << kivotra::missingDisplayMessage([](const char* name) { return std::getenv(name); });
    return 1;
  }
  QStringList files;
  for (int i = 1; i < argc; ++i) files.append(kivotra::textFromBytes(QByteArray(argv[i])));
  return kivotra::runWindowApplication(argc, argv, files);
}

}  // namespace

int main(int argc, char** argv) {
  kivotra::Transcoder::limitAllocatorArenas();
  const std::vector<std::string> args(argv, argv + argc);
  const kivotra::RunChoice choice = kivotra::chooseRunMode(args, markerExists);
  // No mode writes a log: the window shows failures on the cards, the reports are
  // the other modes' whole output. Also keeps x264's statistics (logged through
  // FFmpeg) off the terminal.
  av_log_set_level(AV_LOG_QUIET);
  if (choice.mode == kivotra::RunMode::window) return runWindow(argc, argv);
  if (choice.mode == kivotra::RunMode::help) {
    QCoreApplication app(argc, argv);
    kivotra::installTranslation(app);
    std::cout << kivotra::usageText();
    return 0;
  }
  if (choice.mode == kivotra::RunMode::version) {
    std::cout << kivotra::versionText();
    return 0;
  }

  // The reports stay in Chinese whatever the desktop's language: scripts compare them.
  QCoreApplication app(argc, argv);
  namespace SelfTest = kivotra::SelfTest;
  switch (choice.mode) {
    case kivotra::RunMode::selfTest: SelfTest::run(); break;
    case kivotra::RunMode::queueTest: SelfTest::runQueueTest(); break;
    case kivotra::RunMode::configTest: SelfTest::runPerItemConfigTest(); break;
    case kivotra::RunMode::demoGenerate: {
      std::error_code ec;
      const fs::path absolute = fs::absolute(choice.demoFolder, ec);
      SelfTest::demoGenerate(ec ? fs::path(choice.demoFolder) : absolute);
      break;
    }
    case kivotra::RunMode::markerSelfTest: {
      std::error_code ignored;  // a marker that will not go does not stop the run
      fs::remove(markerPath(), ignored);
      SelfTest::run();
      break;
    }
    case kivotra::RunMode::help:
    case kivotra::RunMode::version:
    case kivotra::RunMode::window: break;
  }
  return 0;
}
