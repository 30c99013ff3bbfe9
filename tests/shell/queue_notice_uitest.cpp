// The queue's notification and dock progress, on a private session bus (the test
// runs under dbus-run-session) where a stand-in desktop on a connection of its own
// records what reaches it and clicks the notification's action, as a user would.
#include <QDBusConnection>
#include <QDBusMessage>
#include <QSignalSpy>
#include <QtTest>

#include "shell/queue_notifier.h"
#include "state/path_text.h"
#include "support/media_fixtures.h"
#include "ui/ui_fixture.h"

using namespace kivotra;

class Desktop : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
 public:
  struct Notice {
    QString summary, body;
    QStringList actions;
    QString desktopEntry;
  };
  QList<Notice> notices;
  QMap<QString, QList<double>> shownProgress;  // by the dock's application, while shown
  QStringList hiddenDocks;
  QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "desktop");

 public slots:
  uint Notify(const QString&, uint, const QString&, const QString& summary, const QString& body,
              const QStringList& actions, const QVariantMap& hints, int) {
    notices << Notice{summary, body, actions, hints.value("desktop-entry").toString()};
    QDBusMessage clicked = QDBusMessage::createSignal("/org/freedesktop/Notifications",
                                                      "org.freedesktop.Notifications", "ActionInvoked");
    clicked << uint(notices.size()) << QStringLiteral("open-folder");
    QTimer::singleShot(0, this, [this, clicked] { bus.send(clicked); });
    return notices.size();
  }
  void Update(const QString& uri, const QVariantMap& properties) {
    if (properties.value("progress-visible").toBool())
      shownProgress[uri] << properties.value("progress").toDouble();
    else
      hiddenDocks << uri;
  }
};

class QueueNoticeTest : public QObject {
  Q_OBJECT

 private slots:
  // One run heard by two windows: one in the background, which notifies and whose
  // action reveals the output, and the active one, which does not; both show the dock's progress.
  void onlyAnInactiveWindowNotifiesAndItsActionRevealsTheOutput() {
    Desktop desktop;
    QVERIFY(desktop.bus.registerObject("/org/freedesktop/Notifications", &desktop, QDBusConnection::ExportAllSlots));
    QVERIFY(desktop.bus.connect({}, {}, "com.canonical.Unity.LauncherEntry", "Update", &desktop,
                                SLOT(Update(QString, QVariantMap))));
    QVERIFY(desktop.bus.registerService("org.freedesktop.Notifications"));

    // One real clip that compresses and one empty file that fails.
    test::Scope scope;
    AppState state(scope.settings());
    test::bounded([&] { fixtures::writeMedia(scope.path("clip.mov"), {}); return 0; });
    state.add(std::vector<std::filesystem::path>{scope.path("clip.mov")});
    test::quiesce(state, true);
    state.setItems({state.items().front(), test::probedItem(scope.writeFile("broken.mov", ""), 160, 120)});
    shell::QueueNotifier background(state, "com.example.background", [] { return false; });
    shell::QueueNotifier active(state, "com.example.active", [] { return true; });
    QSignalSpy open(&background, &shell::QueueNotifier::openFolderRequested);
    QSignalSpy finished(&state, &AppState::runFinished);
    state.startCompressing(ItemSettings{.shortSide = 720, .bitrateKbps = 200});
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 30000);
    QTRY_COMPARE_WITH_TIMEOUT(open.count(), 1, 10000);
    const VideoItem& clip = state.items().front();
    QCOMPARE(open.first().first().toString(), pathText(*clip.outputURL));
    QTRY_COMPARE(desktop.hiddenDocks.size(), 2);  // both docks hidden at the end
    QTest::qWait(300);  // room for a notification that must not come

    for (const char* id : {"background", "active"}) {
      // Shown from 0 and rising.
      const QList<double> shown = desktop.shownProgress.value(QStringLiteral("application://com.example.%1.desktop").arg(id));
      QVERIFY2(!shown.isEmpty() && shown.first() == 0, id);
      QVERIFY(std::is_sorted(shown.begin(), shown.end()) && shown.last() <= 1);
    }
    QCOMPARE(desktop.notices.size(), 1);
    const Desktop::Notice& notice = desktop.notices.first();
    QCOMPARE(notice.desktopEntry, QStringLiteral("com.example.background"));
    QCOMPARE(notice.summary, QStringLiteral("压缩完成"));
    QVERIFY2(notice.body.startsWith(QStringLiteral("1 个完成，1 个失败")), qPrintable(notice.body));
    QCOMPARE(notice.body.contains(QStringLiteral("共节省")), *clip.actualSize < clip.fileSize);
    QCOMPARE(notice.actions, (QStringList{"open-folder", "打开文件夹"}));
    test::quiesce(state);
  }
};

QTEST_GUILESS_MAIN(QueueNoticeTest)
#include "queue_notice_uitest.moc"
