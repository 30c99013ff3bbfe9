#include "shell/queue_notifier.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QStringList>
#include <QVariantMap>
#include <cmath>

#include "models/format.h"
#include "state/path_text.h"

namespace kivotra::shell {

namespace {

const QString kNotifications = QStringLiteral("org.freedesktop.Notifications");
const QString kNotificationsPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kLauncherEntry = QStringLiteral("com.canonical.Unity.LauncherEntry");
const QString kOpenFolderAction = QStringLiteral("open-folder");

// An object path of the application's own, made of the desktop id's words.
QString launcherPath(const QString& desktopFileId) {
  QString path = QStringLiteral("/");
  for (const QChar c : desktopFileId) {
    if (c == QLatin1Char('.')) {
      path += QLatin1Char('/');
    } else {
      path += (c.isLetterOrNumber() && c.unicode() < 128) ? c : QLatin1Char('_');
    }
  }
  return path + QStringLiteral("/LauncherEntry");
}

}  // namespace

QueueNotifier::QueueNotifier(AppState& state, QString desktopFileId, ActiveFn windowActive, QDBusConnection bus,
                             QObject* parent)
    : QObject(parent),
      state_(&state),
      desktopFileId_(std::move(desktopFileId)),
      windowActive_(std::move(windowActive)),
      bus_(std::move(bus)) {
  connect(&state, &AppState::isRunningChanged, this, &QueueNotifier::onRunningChanged);
  connect(&state, &AppState::itemsChanged, this, &QueueNotifier::onItemsChanged);
  connect(&state, &AppState::runFinished, this, [this] {
    if (!state_ || !run_) return;
    const QueueRun::Outcome outcome = run_->outcome(state_->items());
    if ((outcome.done > 0 || outcome.failed > 0) && !(windowActive_ && windowActive_())) notify(outcome);
  });
  bus_.connect(kNotifications, kNotificationsPath, kNotifications, QStringLiteral("ActionInvoked"), this,
               SLOT(onActionInvoked(uint, QString)));
  bus_.connect(kNotifications, kNotificationsPath, kNotifications, QStringLiteral("NotificationClosed"), this,
               SLOT(onNotificationClosed(uint, uint)));
}

QString QueueNotifier::titleText(const QueueRun::Outcome& outcome) {
  return outcome.done > 0 ? QCoreApplication::translate("Notifier", "压缩完成") : QCoreApplication::translate("Notifier", "压缩失败");
}

QString QueueNotifier::bodyText(const QueueRun::Outcome& outcome) {
  QStringList parts{QCoreApplication::translate("Notifier", "%1 个完成").arg(outcome.done)};
  if (outcome.failed > 0) parts << QCoreApplication::translate("Notifier", "%1 个失败").arg(outcome.failed);
  if (outcome.savedBytes > 0) parts << QCoreApplication::translate("Notifier", "共节省 %1").arg(QString::fromStdString(fmtBytes(outcome.savedBytes)));
  return parts.join(QCoreApplication::translate("Notifier", "，"));
}

void QueueNotifier::onRunningChanged() {
  if (!state_) return;
  if (state_->isRunning()) {
    // The run took the files that are ready now.
    run_.emplace(state_->items(), SteadyTime{});
    sendProgress(true, 0);
  } else {
    sendProgress(false, 0);
  }
}

void QueueNotifier::onItemsChanged() {
  if (!state_ || !state_->isRunning() || !run_) return;
  sendProgress(true, run_->fraction(state_->items()));
}

void QueueNotifier::sendProgress(bool visible, double fraction) {
  const int percent = static_cast<int>(std::floor(fraction * 100));
  if (visible == shownVisible_ && (!visible || percent == shownPercent_)) return;
  shownVisible_ = visible;
  shownPercent_ = percent;
  QDBusMessage update = QDBusMessage::createSignal(launcherPath(desktopFileId_), kLauncherEntry, QStringLiteral("Update"));
  update << QStringLiteral("application://%1.desktop").arg(desktopFileId_)
         << QVariantMap{{QStringLiteral("progress"), percent / 100.0}, {QStringLiteral("progress-visible"), visible}};
  bus_.send(update);
}

void QueueNotifier::notify(const QueueRun::Outcome& outcome) {
  QStringList actions;
  revealPath_.clear();
  if (!outcome.outputs.empty()) {
    revealPath_ = pathText(outcome.outputs.front());
    actions << kOpenFolderAction << QCoreApplication::translate("Notifier", "打开文件夹");
  }
  const QVariantMap hints{{QStringLiteral("desktop-entry"), desktopFileId_},
                          {QStringLiteral("urgency"), QVariant::fromValue(uchar(1))}};
  QDBusMessage call =
      QDBusMessage::createMethodCall(kNotifications, kNotificationsPath, kNotifications, QStringLiteral("Notify"));
  // A notification still on screen from an earlier run is replaced, not stacked.
  call << QStringLiteral("KivotraMP4") << notificationId_.value_or(0u) << desktopFileId_ << titleText(outcome)
       << bodyText(outcome) << actions << hints << -1;
  auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call), this);
  connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
    const QDBusPendingReply<uint> reply = *w;
    // No notification service: the run's result is in the window all the same.
    if (reply.isValid()) notificationId_ = reply.value();
    w->deleteLater();
  });
}

void QueueNotifier::onActionInvoked(uint id, const QString& action) {
  if (notificationId_ != id || action != kOpenFolderAction || revealPath_.isEmpty()) return;
  emit openFolderRequested(revealPath_);
}

void QueueNotifier::onNotificationClosed(uint id, uint /*reason*/) {
  if (notificationId_ == id) notificationId_.reset();
}

}  // namespace kivotra::shell
