// The window application's shell, offscreen: the main window and its menus, the About
// window, the hand-over of files between launches.
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalSocket>
#include <QQmlApplicationEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <future>

#include "../state/state_fixture.h"
#include "shell/app_delegate.h"
#include "shell/single_instance.h"
#include "state/app_state.h"
#include "state/compression_settings.h"
#include "ui/ui_engine.h"
#include "ui/window_view_model.h"

using namespace kivotra;

class ShellTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;
  std::unique_ptr<AppState> state_;
  std::unique_ptr<CompressionSettings> settings_;
  std::unique_ptr<ui::WindowViewModel> viewModel_;
  std::unique_ptr<QQmlApplicationEngine> engine_;
  std::unique_ptr<shell::AppDelegate> delegate_;

  QString touch(const QString& name) const {
    QFile f(dir_.filePath(name));
    f.open(QIODevice::WriteOnly);
    return f.fileName();
  }

 private slots:
  void init() {
    QVERIFY(dir_.isValid());
    state_ = std::make_unique<AppState>(std::make_unique<QSettings>(dir_.filePath("s.ini"), QSettings::IniFormat));
    settings_ = std::make_unique<CompressionSettings>();
    viewModel_ = std::make_unique<ui::WindowViewModel>(*state_, *settings_);
    engine_ = std::make_unique<QQmlApplicationEngine>();
    ui::installUi(*engine_, *state_);
    delegate_ = std::make_unique<shell::AppDelegate>(*engine_, *state_);
  }

  void cleanup() {
    test::quiesce(*state_);
    delegate_.reset();
    engine_.reset();
    viewModel_.reset();
    settings_.reset();
    state_.reset();
  }

  void mainWindowMenusAboutAndCtrlW() {
    engine_->setInitialProperties({{"viewModel", QVariant::fromValue(viewModel_.get())},
                                   {"delegate", QVariant::fromValue(delegate_.get())}});
    engine_->load(QUrl("qrc:/qt/qml/Kivotra/Shell/qml/MainWindow.qml"));
    QCOMPARE(engine_->rootObjects().size(), 1);
    auto* window = qobject_cast<QQuickWindow*>(engine_->rootObjects().constFirst());
    QVERIFY(window);
    delegate_->setMainWindow(window);
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QCOMPARE(window->findChild<QQuickItem*>("contentView")->width(), 980.0);
    QCOMPARE(window->minimumSize(), window->maximumSize());

    // The About window: one at a time, reused while open, built anew after it was closed.
    QMetaObject::invokeMethod(window->findChild<QObject*>("aboutAction"), "trigger");
    QPointer<QQuickWindow> about = delegate_->aboutWindow();
    QVERIFY(about && about->isVisible());
    QVERIFY(about->findChild<QQuickItem*>("websiteLink"));
    delegate_->showAbout();
    QCOMPARE(delegate_->aboutWindow(), about.data());
    about->close();
    delegate_->showAbout();
    QVERIFY(delegate_->aboutWindow() != about.data() && delegate_->aboutWindow()->isVisible());
    QTRY_VERIFY(!about);  // the closed one is let go
    delegate_->aboutWindow()->close();

    window->requestActivate();
    QVERIFY(QTest::qWaitForWindowActive(window));
    QSignalSpy quit(engine_.get(), &QQmlEngine::quit);
    QTest::keyClick(window, Qt::Key_W, Qt::ControlModifier);
    QTRY_VERIFY(!window->isVisible());
    QCOMPARE(quit.size(), 1);
  }

  void filesOpenedThroughTheSystemGoToTheList() {
    delegate_->openFiles({touch("a.mp4"), touch("b.txt"), touch("c.MOV")});
    QCOMPARE(state_->itemCount(), 2);
    test::quiesce(*state_, true);
  }

  void secondLaunchHandsItsFilesToTheFirstAndHearsTheList() {
    const QString name = dir_.filePath("instance.sock");
    QVERIFY(!shell::SingleInstance(name).handOver({"/videos/a.mp4"}, 500));  // no one there yet
    QFile(name).open(QIODevice::WriteOnly);  // a crashed window leaves its socket file behind
    shell::SingleInstance running(name);
    QVERIFY(running.listen());
    running.setListedFiles([] { return QStringList{"/videos/a.mp4", "/videos/b.mov"}; });
    QSignalSpy received(&running, &shell::SingleInstance::filesReceived);

    // The second launch blocks on its socket, so it runs on a thread of its own.
    auto second = std::async(std::launch::async, [name] {
      return shell::SingleInstance(name).handOver({"/videos/b.mov", "/videos/c.m4v"}, 5000);
    });
    QTRY_COMPARE(received.size(), 1);
    QCOMPARE(received.first().first().toStringList(), (QStringList{"/videos/b.mov", "/videos/c.m4v"}));
    QDeadlineTimer deadline(10000);
    while (second.wait_for(std::chrono::milliseconds(10)) != std::future_status::ready && !deadline.hasExpired())
      QCoreApplication::processEvents();
    QVERIFY(!deadline.hasExpired());
    QVERIFY(second.get());

    QLocalSocket client;
    client.connectToServer(name);
    QVERIFY(client.waitForConnected(2000));
    client.write("{\"open\":[]}\n");
    QTRY_VERIFY(client.canReadLine());
    const QJsonObject reply = QJsonDocument::fromJson(client.readLine()).object();
    QCOMPARE(reply.value("files").toArray().toVariantList(), (QVariantList{"/videos/a.mp4", "/videos/b.mov"}));
  }
};

QTEST_MAIN(ShellTest)
#include "shell_uitest.moc"
