#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <initializer_list>
#include <memory>

namespace kivotra {

// Turns the signals that ask a process to end (Ctrl-C, a kill, a logout, a
// closed pipe) into a Qt signal on the main thread (self-pipe): the handler
// only writes a byte, the event loop does the rest. The handlers stay for the
// object's life, so a second signal while the run cleans up ends nothing
// early. One instance at a time; the previous handlers come back with its
// destruction.
class StopSignals : public QObject {
  Q_OBJECT

 public:
  explicit StopSignals(std::initializer_list<int> stopping, QObject* parent = nullptr);
  ~StopSignals() override;

  // The first of the signals that arrived, 0 when none has; set even before
  // the loop delivered received().
  static int first();
  // The exit status a shell gives a process that signal ended: 128 + its number.
  static int exitStatusFor(int signal) { return 128 + signal; }

 signals:
  void received(int signal);

 private:
  std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace kivotra
