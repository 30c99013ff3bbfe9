#include "state/stop_signals.h"

#include <fcntl.h>
#include <unistd.h>

#include <csignal>
#include <vector>

namespace kivotra {

namespace {

constexpr int kMaxSignal = 65;

int pipeFds[2] = {-1, -1};
volatile std::sig_atomic_t firstSignal = 0;
std::vector<std::pair<int, struct sigaction>> previous;

void onSignal(int signal) {
  if (firstSignal == 0) firstSignal = signal;
  const char byte = static_cast<char>(signal);
  // Nothing to do on failure: a full pipe already holds a wake-up.
  [[maybe_unused]] const ssize_t written = ::write(pipeFds[1], &byte, 1);
}

}  // namespace

StopSignals::StopSignals(std::initializer_list<int> stopping, QObject* parent) : QObject(parent) {
  firstSignal = 0;
  // Without the pipe the signals keep their usual effect.
  if (::pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) != 0) return;
  notifier_ = std::make_unique<QSocketNotifier>(pipeFds[0], QSocketNotifier::Read);
  connect(notifier_.get(), &QSocketNotifier::activated, this, [this] {
    char buffer[16];
    ssize_t n = 0;
    while ((n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0) {
      for (ssize_t i = 0; i < n; ++i) emit received(static_cast<unsigned char>(buffer[i]));
    }
  });
  struct sigaction action {};
  action.sa_handler = onSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (const int signal : stopping) {
    if (signal <= 0 || signal >= kMaxSignal) continue;
    struct sigaction old {};
    if (::sigaction(signal, &action, &old) == 0) previous.emplace_back(signal, old);
  }
}

StopSignals::~StopSignals() {
  if (!notifier_) return;
  for (const auto& [signal, old] : previous) ::sigaction(signal, &old, nullptr);
  previous.clear();
  notifier_.reset();
  ::close(pipeFds[0]);
  ::close(pipeFds[1]);
  pipeFds[0] = pipeFds[1] = -1;
}

int StopSignals::first() { return firstSignal; }

}  // namespace kivotra
