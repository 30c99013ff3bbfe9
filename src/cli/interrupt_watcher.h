#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <memory>

namespace kivotra::cli {

// Turns SIGINT into a Qt signal on the main thread (self-pipe): the handler
// only writes a byte, the event loop does the rest. One instance at a time;
// the previous handler comes back with its destruction.
class InterruptWatcher : public QObject {
  Q_OBJECT

 public:
  explicit InterruptWatcher(QObject* parent = nullptr);
  ~InterruptWatcher() override;

  // True once SIGINT arrived, even before the loop delivered interrupted().
  static bool seen();

 signals:
  void interrupted();

 private:
  std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace kivotra::cli
