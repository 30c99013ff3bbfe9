// The window application's shell, offscreen: menus, the About window, the
// hand-over of files between launches.
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalSocket>
#include <QQmlListReference>
#include <QQmlApplicationEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <future>

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

  QQuickWindow* loadMainWindow() {
    engine_->setInitialProperties({{"viewModel", QVariant::fromValue(viewModel_.get())},
                                   {"delegate", QVariant::fromValue(delegate_.get())}});
    engine_->load(QUrl("qrc:/qt/qml/Kivotra/Shell/qml/MainWindow.qml"));
    if (engine_->rootObjects().isEmpty()) return nullptr;
    auto* window = qobject_cast<QQuickWindow*>(engine_->rootObjects().constFirst());
    delegate_->setMainWindow(window);
    return window;
  }

  static int aboutWindowCount() {
    int count = 0;
    for (QWindow* w : QGuiApplication::topLevelWindows()) count += w->title() == QStringLiteral("关于KivotraMP4");
    return count;
  }

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
    delegate_.reset();
    engine_.reset();
    viewModel_.reset();
    settings_.reset();
    state_.reset();
  }

  void mainWindowHasTitleFixedContentAndThreeMenus() {
    QQuickWindow* window = loadMainWindow();
    QVERIFY(window);
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QCOMPARE(window->title(), QStringLiteral("KivotraMP4"));
    auto* content = window->findChild<QQuickItem*>("contentView");
    QVERIFY(content);
    QCOMPARE(content->width(), 980.0);
    QCOMPARE(content->height(), 680.0);
    QCOMPARE(window->minimumSize(), window->maximumSize());

    QObject* menuBar = window->findChild<QObject*>("menuBar");
    QVERIFY(menuBar);
    QStringList titles;
    const QQmlListReference menus(menuBar, "menus");
    for (qsizetype i = 0; i < menus.count(); ++i) titles << menus.at(i)->property("title").toString();
    QCOMPARE(titles, (QStringList{"KivotraMP4", "窗口", "帮助"}));

    const auto action = [&](const char* name) { return window->findChild<QObject*>(name); };
    QCOMPARE(action("aboutAction")->property("text").toString(), QStringLiteral("关于KivotraMP4"));
    QCOMPARE(action("quitAction")->property("text").toString(), QStringLiteral("退出"));
    QCOMPARE(action("closeAction")->property("shortcut").toString(), QStringLiteral("Ctrl+W"));
    QCOMPARE(action("minimizeAction")->property("shortcut").toString(), QStringLiteral("Ctrl+M"));
    QCOMPARE(action("zoomAction")->property("text").toString(), QStringLiteral("缩放"));
    QVERIFY(action("zoomAction")->property("shortcut").toString().isEmpty());
    QCOMPARE(action("websiteAction")->property("text").toString(), QStringLiteral("KivotraMP4 官方网站"));
  }

  void ctrlWClosesTheWindowAndEndsTheProgram() {
    QQuickWindow* window = loadMainWindow();
    QVERIFY(window);
    window->requestActivate();
    QVERIFY(QTest::qWaitForWindowActive(window));
    QSignalSpy quit(engine_.get(), &QQmlEngine::quit);
    QTest::keyClick(window, Qt::Key_W, Qt::ControlModifier);
    QTRY_VERIFY(!window->isVisible());
    QCOMPARE(quit.size(), 1);
  }

  void aboutMenuItemOpensTheAboutWindow() {
    QQuickWindow* window = loadMainWindow();
    QVERIFY(window);
    QMetaObject::invokeMethod(window->findChild<QObject*>("aboutAction"), "trigger");
    QVERIFY(delegate_->aboutWindow());
    QVERIFY(delegate_->aboutWindow()->isVisible());
  }

  void aboutWindowIsReusedWhileOpenAndRebuiltAfterClose() {
    delegate_->showAbout();
    QPointer<QQuickWindow> first = delegate_->aboutWindow();
    QVERIFY(first);
    QVERIFY(QTest::qWaitForWindowExposed(first));
    QCOMPARE(first->title(), QStringLiteral("关于KivotraMP4"));
    QCOMPARE(first->size(), QSize(280, 320));
    auto* link = first->findChild<QQuickItem*>("websiteLink");
    QVERIFY(link);
    QCOMPARE(link->property("text").toString(), QStringLiteral("官方网站：kivotra.example.com"));

    delegate_->showAbout();
    QCOMPARE(delegate_->aboutWindow(), first.data());
    QCOMPARE(aboutWindowCount(), 1);

    first->close();
    QVERIFY(!first->isVisible());
    delegate_->showAbout();
    QVERIFY(delegate_->aboutWindow() != first.data());
    QVERIFY(delegate_->aboutWindow()->isVisible());
    QTRY_VERIFY(!first);  // the closed one is let go
    QCOMPARE(aboutWindowCount(), 1);
  }

  void filesOpenedThroughTheSystemGoToTheList() {
    delegate_->openFiles({touch("a.mp4"), touch("b.txt"), touch("c.MOV")});
    QCOMPARE(state_->itemCount(), 2);
  }

  void secondLaunchHandsItsFilesToTheFirst() {
    const QString name = dir_.filePath("instance.sock");
    shell::SingleInstance running(name);
    QVERIFY(running.listen());
    running.setListedFiles([] { return QStringList{"/videos/a.mp4", "/videos/b.mov"}; });
    QSignalSpy received(&running, &shell::SingleInstance::filesReceived);

    // The second launch blocks on its socket, so it runs on a thread of its own.
    auto second = std::async(std::launch::async, [name] {
      return shell::SingleInstance(name).handOver({"/videos/b.mov", "/videos/c.m4v"});
    });
    QTRY_COMPARE(received.size(), 1);
    QCOMPARE(received.first().first().toStringList(), (QStringList{"/videos/b.mov", "/videos/c.m4v"}));
    while (second.wait_for(std::chrono::milliseconds(10)) != std::future_status::ready) QCoreApplication::processEvents();
    QVERIFY(second.get());
  }

  void runningInstanceAnswersWithTheListedFiles() {
    const QString name = dir_.filePath("instance.sock");
    shell::SingleInstance running(name);
    QVERIFY(running.listen());
    running.setListedFiles([] { return QStringList{"/videos/a.mp4"}; });
    QLocalSocket client;
    client.connectToServer(name);
    QVERIFY(client.waitForConnected(2000));
    client.write("{\"open\":[]}\n");
    QTRY_VERIFY(client.canReadLine());
    const QJsonObject reply = QJsonDocument::fromJson(client.readLine()).object();
    QCOMPARE(reply.value("files").toArray().toVariantList(), (QVariantList{"/videos/a.mp4"}));
  }

  void firstLaunchFindsNoOneAndReplacesAStaleSocket() {
    const QString name = dir_.filePath("instance.sock");
    QVERIFY(!shell::SingleInstance(name).handOver({"/videos/a.mp4"}, 500));
    {
      // A crashed window leaves its socket file behind.
      QFile stale(name);
      QVERIFY(stale.open(QIODevice::WriteOnly));
    }
    shell::SingleInstance window(name);
    QVERIFY(window.listen());
  }
};

QTEST_MAIN(ShellTest)
#include "shell_uitest.moc"
