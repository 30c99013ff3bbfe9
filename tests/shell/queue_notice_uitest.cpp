// The queue's notification and dock progress, on a private session bus (the
// test runs under dbus-run-session) with a stand-in desktop in a process of
// its own that records what reaches it and clicks the notification's action.
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSignalSpy>
#include <QtTest>

#include "shell/queue_notifier.h"
#include "state/path_text.h"
#include "support/media_fixtures.h"
#include "ui/ui_fixture.h"

using namespace kivotra;

class QueueNoticeTest : public QObject {
  Q_OBJECT

  std::unique_ptr<test::Scope> scope_;
  std::unique_ptr<AppState> state_;
  QProcess listener_;

  // What the listener printed since the last call.
  QList<QJsonObject> heard() {
    QList<QJsonObject> lines;
    while (listener_.canReadLine()) lines << QJsonDocument::fromJson(listener_.readLine()).object();
    return lines;
  }

  // One real clip that compresses and one empty file that fails, as a run takes them.
  void listClipAndBrokenFile() {
    fixtures::MediaOptions options;
    options.seconds = 1;
    fixtures::writeMedia(scope_->path("clip.mov"), options);
    state_->add(std::vector<std::filesystem::path>{scope_->path("clip.mov")});
    test::quiesce(*state_, true);
    state_->setItems({state_->items().front(),
                      test::probedItem(scope_->writeFile("broken.mov", ""), 160, 120)});
  }

  // Collects what reaches the listener until some line satisfies done.
  bool listenUntil(QList<QJsonObject>& lines, const std::function<bool(const QJsonObject&)>& done) {
    return QTest::qWaitFor([&] {
      listener_.waitForReadyRead(50);
      lines << heard();
      return std::any_of(lines.begin(), lines.end(), done);
    }, 10000);
  }

  // Runs the queue and collects what reached the listener up to the dock's last update (progress hidden).
  void runAndListen(QList<QJsonObject>& lines) {
    QSignalSpy finished(state_.get(), &AppState::runFinished);
    state_->startCompressing(ItemSettings{.shortSide = 720, .bitrateKbps = 200});
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 30000);
    QVERIFY2(listenUntil(lines, [](const QJsonObject& l) { return l.value("signal") == "Update" && !l.value("visible").toBool(); }),
             "the dock's progress was never hidden");
  }

 private slots:
  void init() {
    scope_ = std::make_unique<test::Scope>();
    state_ = std::make_unique<AppState>(scope_->settings());
    listener_.setProgram(KIVOTRA_NOTIFICATION_LISTENER);
    listener_.setArguments({"--invoke", "open-folder"});
    listener_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    listener_.start();
    QVERIFY(listener_.waitForReadyRead(10000));
    QCOMPARE(heard().value(0).value("ready"), QJsonValue(true));
  }

  void cleanup() {
    test::quiesce(*state_);
    state_.reset();
    listener_.kill();
    listener_.waitForFinished();
    scope_.reset();
  }

  void inactiveWindowGetsANotificationWhoseActionRevealsTheOutput() {
    listClipAndBrokenFile();
    shell::QueueNotifier notifier(*state_, "com.example.kivotra", [] { return false; });
    QSignalSpy open(&notifier, &shell::QueueNotifier::openFolderRequested);
    QList<QJsonObject> lines;
    runAndListen(lines);
    if (QTest::currentTestFailed()) return;

    QVERIFY(listenUntil(lines, [](const QJsonObject& l) { return l.value("call") == "Notify"; }));
    QList<double> progress;
    QJsonObject notice;
    for (const QJsonObject& line : lines) {
      if (line.value("signal") == "Update") {
        QCOMPARE(line.value("uri").toString(), QStringLiteral("application://com.example.kivotra.desktop"));
        if (line.value("visible").toBool()) progress << line.value("progress").toDouble();
      }
      if (line.value("call") == "Notify") notice = line;
    }
    // Shown from 0 and rising, then hidden at the end.
    QVERIFY(!progress.isEmpty());
    QCOMPARE(progress.first(), 0.0);
    QVERIFY(std::is_sorted(progress.begin(), progress.end()));
    QVERIFY(progress.last() > 0 && progress.last() <= 1);

    QCOMPARE(notice.value("summary").toString(), QStringLiteral("压缩完成"));
    const QString body = notice.value("body").toString();
    QVERIFY2(body.startsWith(QStringLiteral("1 个完成，1 个失败")), qPrintable(body));
    const VideoItem& clip = state_->items().front();
    QCOMPARE(body.contains(QStringLiteral("共节省")), *clip.actualSize < clip.fileSize);
    QCOMPARE(notice.value("actions").toVariant().toStringList(), (QStringList{"open-folder", "打开文件夹"}));
    QCOMPARE(notice.value("desktopEntry").toString(), QStringLiteral("com.example.kivotra"));

    QTRY_COMPARE_WITH_TIMEOUT(open.count(), 1, 5000);
    QCOMPARE(open.first().first().toString(), pathText(*clip.outputURL));
  }

  void activeWindowGetsNoNotificationButTheDockStillFollows() {
    listClipAndBrokenFile();
    shell::QueueNotifier notifier(*state_, "com.example.kivotra", [] { return true; });
    QList<QJsonObject> lines;
    runAndListen(lines);
    if (QTest::currentTestFailed()) return;
    QTest::qWait(300);  // room for a notification that must not come
    lines << heard();
    QVERIFY(std::none_of(lines.begin(), lines.end(), [](const QJsonObject& l) { return l.value("call") == "Notify"; }));
    QVERIFY(std::any_of(lines.begin(), lines.end(),
                        [](const QJsonObject& l) { return l.value("visible").toBool(); }));
  }
};

QTEST_GUILESS_MAIN(QueueNoticeTest)
#include "queue_notice_uitest.moc"
