#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <optional>

#include "state/app_state.h"
#include "state/queue_time.h"

namespace kivotra::shell {

// Tells the desktop how the queue goes: the whole run's progress on the dock
// or taskbar icon (the com.canonical.Unity.LauncherEntry "Update" signal the
// Plasma and GNOME docks read) and, when a run ends while the window is not
// active, a notification (org.freedesktop.Notifications) of how many files
// were done or failed and what was saved, with an action that opens the
// outputs' folder. Main thread only.
class QueueNotifier : public QObject {
  Q_OBJECT

 public:
  using ActiveFn = std::function<bool()>;

  // desktopFileId: the desktop entry's name without ".desktop".
  QueueNotifier(AppState& state, QString desktopFileId, ActiveFn windowActive,
                QDBusConnection bus = QDBusConnection::sessionBus(), QObject* parent = nullptr);

  // The notification's title and text for a run's outcome.
  static QString titleText(const QueueRun::Outcome& outcome);
  static QString bodyText(const QueueRun::Outcome& outcome);

 signals:
  // "打开文件夹" was chosen on the notification: the first output of that run.
  void openFolderRequested(const QString& outputPath);

 private slots:
  void onActionInvoked(uint id, const QString& action);
  void onNotificationClosed(uint id, uint reason);

 private:
  void onRunningChanged();
  void onItemsChanged();
  void sendProgress(bool visible, double fraction);
  void notify(const QueueRun::Outcome& outcome);

  QPointer<AppState> state_;
  QString desktopFileId_;
  ActiveFn windowActive_;
  QDBusConnection bus_;
  std::optional<QueueRun> run_;
  // What the dock was last told: signals go out on a change of a whole percent.
  bool shownVisible_ = false;
  int shownPercent_ = -1;
  // The notification on screen and the output its action reveals.
  std::optional<uint> notificationId_;
  QString revealPath_;
};

}  // namespace kivotra::shell
