#include "selftest/suite_support.h"

#include <QEventLoop>
#include <QTimer>
#include <iostream>
#include <system_error>

#include "models/errors.h"
#include "transcoder/transcoder.h"

namespace kivotra::SelfTest {

void say(const std::string& line) { std::cout << line << '\n' << std::flush; }

void runLoopFor(std::chrono::milliseconds slice) {
  QEventLoop loop;
  QTimer::singleShot(slice, &loop, &QEventLoop::quit);
  loop.exec();
}

VideoItem probedItem(const std::filesystem::path& source) {
  const ProbeInfo info = Transcoder::probeSync(source);
  VideoItem item(source);
  item.duration = info.duration;
  item.srcWidth = info.width;
  item.srcHeight = info.height;
  item.srcFPS = info.fps;
  item.fileSize = info.fileSize;
  item.hasAudio = info.hasAudio;
  item.audioSampleRate = 44100;
  item.audioChannels = 2;
  item.status = ItemStatus::ready();
  return item;
}

void createFolder(const std::filesystem::path& folder) {
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  if (ec) throw PlatformError::fromErrno(ec.value());
}

}  // namespace kivotra::SelfTest
