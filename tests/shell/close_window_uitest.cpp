// Closing the main window in the middle of a run, offscreen: the question;
// 继续压缩 changes nothing, 停止并退出 stops the run, leaves no output and
// ends the program.
#include <QDir>
#include <QQmlApplicationEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include "shell/app_delegate.h"
#include "state/app_state.h"
#include "state/compression_settings.h"
#include "support/media_fixtures.h"
#include "ui/ui_engine.h"
#include "ui/window_view_model.h"

using namespace kivotra;

class CloseWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void closingDuringARunAsksThenStopsAndQuitsWithoutOutput() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    fixtures::MediaOptions o;
    o.width = 640;
    o.height = 360;
    o.seconds = 10;
    fixtures::writeMedia(dir.filePath("clip.mov").toStdString(), o);
    QDir(dir.path()).mkdir("out");

    AppState state(std::make_unique<QSettings>(dir.filePath("s.ini"), QSettings::IniFormat));
    CompressionSettings settings;
    ui::WindowViewModel viewModel(state, settings);
    QQmlApplicationEngine engine;
    ui::installUi(engine, state);
    shell::AppDelegate delegate(engine, viewModel);
    engine.setInitialProperties({{"viewModel", QVariant::fromValue(&viewModel)},
                                 {"delegate", QVariant::fromValue(&delegate)}});
    engine.load(QUrl("qrc:/qt/qml/Kivotra/Shell/qml/MainWindow.qml"));
    QVERIFY(!engine.rootObjects().isEmpty());
    auto* window = qobject_cast<QQuickWindow*>(engine.rootObjects().constFirst());

    QVERIFY(state.chooseOutputFolder(dir.filePath("out")));
    state.addPaths({dir.filePath("clip.mov")});
    QTRY_VERIFY_WITH_TIMEOUT(state.items().at(0).status.is(ItemStatus::Kind::ready), 20000);
    state.startCompressing(settings.snapshot());
    QTRY_VERIFY_WITH_TIMEOUT(!QDir(dir.filePath("out")).entryList(QDir::Files | QDir::Hidden).isEmpty(), 20000);

    const auto click = [&](const char* name) {
      auto* button = window->findChild<QQuickItem*>(name);
      QTest::mouseClick(window, Qt::LeftButton, {},
                        button->mapToScene({button->width() / 2, button->height() / 2}).toPoint());
    };
    QSignalSpy quit(&engine, &QQmlEngine::quit);
    auto* question = window->findChild<QObject*>("closeQuestion");
    QVERIFY(question);
    window->close();
    QTRY_VERIFY(question->property("opened").toBool());
    click("keepCompressingButton");  // changes nothing
    QTRY_VERIFY(!question->property("visible").toBool());
    QVERIFY(state.isRunning());
    QVERIFY(!state.cancelRequested());
    QCOMPARE(quit.size(), 0);

    QMetaObject::invokeMethod(window->findChild<QObject*>("quitAction"), "trigger");  // 退出 asks the same
    QTRY_VERIFY(question->property("opened").toBool());
    QVERIFY(window->isVisible());
    QCOMPARE(window->findChild<QObject*>("closeQuestionText")->property("text").toString(),
             QStringLiteral("正在压缩，确定要停止并退出吗？"));
    QCOMPARE(window->findChild<QObject*>("keepCompressingButton")->property("text").toString(),
             QStringLiteral("继续压缩"));
    QCOMPARE(window->findChild<QObject*>("stopAndQuitButton")->property("text").toString(),
             QStringLiteral("停止并退出"));
    click("stopAndQuitButton");
    // Closing again while the run stops asks nothing more.
    window->close();
    QVERIFY(!viewModel.closeQuestionShown());

    QTRY_COMPARE_WITH_TIMEOUT(quit.size(), 1, 20000);
    QVERIFY(!state.isRunning());
    QCOMPARE(QDir(dir.filePath("out")).entryList(QDir::Files | QDir::Hidden), QStringList());
    QVERIFY(state.items().at(0).status.is(ItemStatus::Kind::ready));
  }
};

QTEST_MAIN(CloseWindowTest)
#include "close_window_uitest.moc"
