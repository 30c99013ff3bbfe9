#include "cli/interrupt_watcher.h"

#include <fcntl.h>
#include <unistd.h>

#include <csignal>

namespace kivotra::cli {

namespace {

int pipeFds[2] = {-1, -1};
volatile std::sig_atomic_t sawInterrupt = 0;
struct sigaction previous {};

void onSigint(int) {
  sawInterrupt = 1;
  const char byte = 1;
  // Nothing to do on failure: a full pipe already holds a wake-up.
  [[maybe_unused]] const ssize_t written = ::write(pipeFds[1], &byte, 1);
}

}  // namespace

InterruptWatcher::InterruptWatcher(QObject* parent) : QObject(parent) {
  sawInterrupt = 0;
  if (::pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) != 0) return;  // then Ctrl-C ends the process the usual way
  notifier_ = std::make_unique<QSocketNotifier>(pipeFds[0], QSocketNotifier::Read);
  connect(notifier_.get(), &QSocketNotifier::activated, this, [this] {
    char buffer[16];
    while (::read(pipeFds[0], buffer, sizeof buffer) > 0) {
    }
    emit interrupted();
  });
  struct sigaction action {};
  action.sa_handler = onSigint;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  ::sigaction(SIGINT, &action, &previous);
}

InterruptWatcher::~InterruptWatcher() {
  if (!notifier_) return;
  ::sigaction(SIGINT, &previous, nullptr);
  notifier_.reset();
  ::close(pipeFds[0]);
  ::close(pipeFds[1]);
  pipeFds[0] = pipeFds[1] = -1;
}

bool InterruptWatcher::seen() { return sawInterrupt != 0; }

}  // namespace kivotra::cli
