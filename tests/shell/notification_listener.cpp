// A stand-in desktop on the session bus, in a process of its own: it owns
// org.freedesktop.Notifications, prints every Notify call and every
// com.canonical.Unity.LauncherEntry Update signal as a JSON line, and with
// --invoke ACTION answers each notification with that action, as a user's
// click would. Prints "ready" once it owns the name.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>
#include <QTimer>
#include <QVariantMap>
#include <cstdio>

namespace {

void printLine(const QJsonObject& object) {
  std::fputs(QJsonDocument(object).toJson(QJsonDocument::Compact).append('\n').constData(), stdout);
  std::fflush(stdout);
}

}  // namespace

class Notifications : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

 public:
  explicit Notifications(QString invoke) : invoke_(std::move(invoke)) {}

 public slots:
  uint Notify(const QString& app, uint replaces, const QString& icon, const QString& summary, const QString& body,
              const QStringList& actions, const QVariantMap& hints, int timeout) {
    const uint id = replaces ? replaces : ++lastId_;
    printLine({{"call", "Notify"}, {"app", app}, {"id", static_cast<int>(id)}, {"icon", icon}, {"summary", summary},
               {"body", body}, {"actions", QJsonValue::fromVariant(actions)},
               {"desktopEntry", hints.value("desktop-entry").toString()}, {"timeout", timeout}});
    if (!invoke_.isEmpty() && actions.contains(invoke_)) {
      QTimer::singleShot(0, this, [id, action = invoke_] {
        QDBusMessage signal = QDBusMessage::createSignal("/org/freedesktop/Notifications",
                                                         "org.freedesktop.Notifications", "ActionInvoked");
        signal << id << action;
        QDBusConnection::sessionBus().send(signal);
      });
    }
    return id;
  }
  QStringList GetCapabilities() { return {"actions", "body"}; }
  void CloseNotification(uint) {}

  void Update(const QString& uri, const QVariantMap& properties) {
    printLine({{"signal", "Update"},
               {"uri", uri},
               {"progress", properties.value("progress").toDouble()},
               {"visible", properties.value("progress-visible").toBool()}});
  }

 private:
  QString invoke_;
  uint lastId_ = 0;
};

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const QStringList args = app.arguments();
  const qsizetype at = args.indexOf("--invoke");
  Notifications server(at >= 0 && at + 1 < args.size() ? args.at(at + 1) : QString());
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.registerObject("/org/freedesktop/Notifications", &server, QDBusConnection::ExportAllSlots) ||
      !bus.connect(QString(), QString(), "com.canonical.Unity.LauncherEntry", "Update", &server,
                   SLOT(Update(QString, QVariantMap))) ||
      !bus.registerService("org.freedesktop.Notifications")) {
    std::fputs("listener: the session bus refused\n", stderr);
    return 1;
  }
  printLine({{"ready", true}});
  return app.exec();
}

#include "notification_listener.moc"
