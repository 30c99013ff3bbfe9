// The window application's shell, offscreen: closing during a run, the keyboard, the
// desktop's colour scheme and dialogs, the hand-over of files between launches (what the
// running window answers, its menus and its launch with files are checked with the real
// program, in tests/app). Run on an English desktop, only the English window.
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QQmlApplicationEngine>
#include <QQmlContext>
#include <QQmlExpression>
#include <QQuickItem>
#include <QQuickWindow>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QtQuickTest/quicktest.h>
#include <QtTest>
#include <future>

#include "models/errors.h"
#include "shell/app_delegate.h"
#include "shell/color_scheme.h"
#include "shell/native_dialogs.h"
#include "shell/single_instance.h"
#include "state/language.h"
#include "support/media_fixtures.h"
#include "support/qt/quick_find.h"
#include "ui/ui_engine.h"
#include "ui/ui_fixture.h"
#include "ui/window_view_model.h"

using namespace kivotra;

// The desktop's side of the portal's settings: the colour scheme it answers.
class DesktopSettings : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Settings")
 public:
  uint colorScheme = 0;
 public slots:
  QDBusVariant Read(const QString& nameSpace, const QString& key) {
    if (nameSpace != "org.freedesktop.appearance" || key != "color-scheme") return QDBusVariant(QVariant());
    return QDBusVariant(QVariant::fromValue(QDBusVariant(colorScheme)));  // wrapped twice, as the portal does
  }
};

// Each shown text (a string property below root, through the object tree and the visual
// tree) with Chinese left once the file names are taken out.
QStringList chineseTexts(QObject* root, const QStringList& fileNames) {
  static const QRegularExpression cjk(QStringLiteral("[\\x{3000}-\\x{303f}\\x{3400}-\\x{9fff}\\x{ff00}-\\x{ffef}]"));
  QSet<QObject*> objects;
  const std::function<void(QObject*)> collect = [&](QObject* object) {
    if (!object || objects.contains(object)) return;
    objects.insert(object);
    for (QObject* child : object->children()) collect(child);
    if (auto* item = qobject_cast<QQuickItem*>(object))
      for (QQuickItem* child : item->childItems()) collect(child);
    if (auto* window = qobject_cast<QQuickWindow*>(object)) collect(window->contentItem());
  };
  collect(root);
  QStringList found;
  for (QObject* object : objects) {
    for (int i = 0; i < object->metaObject()->propertyCount(); ++i) {
      const QMetaProperty property = object->metaObject()->property(i);
      if (qstrcmp(property.name(), "objectName") == 0 || property.metaType().id() != QMetaType::QString) continue;
      QString text = property.read(object).toString();
      for (const QString& name : fileNames) text.remove(name);
      if (text.contains(cjk)) found << QStringLiteral("%1.%2: %3").arg(object->metaObject()->className(), property.name(), text);
    }
  }
  return found;
}

class ShellTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<test::Scope> scope_;
  std::unique_ptr<AppState> state_;
  std::unique_ptr<CompressionSettings> settings_;
  std::unique_ptr<ui::WindowViewModel> viewModel_;
  std::unique_ptr<QQmlApplicationEngine> engine_;
  std::unique_ptr<shell::AppDelegate> delegate_;
  bool english_ = false;

  QString path(const std::string& name) const { return QString::fromStdString(scope_->path(name).string()); }
  QQuickWindow* loadMainWindow() {
    engine_->setInitialProperties({{"viewModel", QVariant::fromValue(viewModel_.get())},
                                   {"delegate", QVariant::fromValue(delegate_.get())}});
    engine_->load(QUrl("qrc:/qt/qml/Kivotra/Shell/qml/MainWindow.qml"));
    auto* window = engine_->rootObjects().size() == 1 ? qobject_cast<QQuickWindow*>(engine_->rootObjects()[0]) : nullptr;
    if (window) delegate_->setMainWindow(window);
    return window;
  }
  static void click(QQuickWindow* window, const char* name) {
    auto* button = window->findChild<QQuickItem*>(name);
    QVERIFY(button);
    QTest::mouseClick(window, Qt::LeftButton, {}, testing::centreOf(button));
  }
  // A movie of that many seconds, written with a time limit.
  void writeClip(const char* name, int width, int height, double seconds) {
    fixtures::MediaOptions options;
    options.width = width;
    options.height = height;
    options.seconds = seconds;
    test::bounded([&] { fixtures::writeMedia(scope_->path(name), options); return 0; });
  }

 private slots:
  void initTestCase() { english_ = installTranslation(*qApp) == UiLanguage::english; }

  void init() {
    if (english_ != (QString(QTest::currentTestFunction()) == "windowMenusAndAboutSpeakEnglish"))
      QSKIP("run on the other desktop language");
    scope_ = std::make_unique<test::Scope>();
    QVERIFY(scope_->valid());
    state_ = std::make_unique<AppState>(scope_->settings());
    settings_ = std::make_unique<CompressionSettings>();
    viewModel_ = std::make_unique<ui::WindowViewModel>(*state_, *settings_);
    engine_ = std::make_unique<QQmlApplicationEngine>();
    ui::installUi(*engine_, *state_);
    delegate_ = std::make_unique<shell::AppDelegate>(*engine_, *viewModel_);
  }

  void cleanup() {
    if (state_) test::quiesce(*state_, true);
    delegate_.reset();
    engine_.reset();
    viewModel_.reset();
    settings_.reset();
    state_.reset();
    scope_.reset();
  }

  // Closing during a run asks; 继续压缩 changes nothing, 停止并退出 stops the run,
  // leaves no output and ends the program.
  void closingDuringARunAsksThenStopsAndQuitsWithoutOutput() {
    writeClip("clip.mov", 640, 360, 10);
    const QDir out(QString::fromStdString(scope_->makeFolder("out").string()));
    QQuickWindow* window = loadMainWindow();
    QVERIFY(window);

    QVERIFY(state_->chooseOutputFolder(out.path()));
    state_->addPaths({path("clip.mov")});
    test::quiesce(*state_, true);
    state_->startCompressing(settings_->snapshot());
    QTRY_VERIFY_WITH_TIMEOUT(!out.entryList(QDir::Files | QDir::Hidden).isEmpty(), 20000);

    QSignalSpy quit(engine_.get(), &QQmlEngine::quit);
    auto* question = window->findChild<QObject*>("closeQuestion");
    QVERIFY(question);
    window->close();
    QTRY_VERIFY(question->property("opened").toBool());
    click(window, "keepCompressingButton");
    QTRY_VERIFY(!question->property("visible").toBool());
    QVERIFY(state_->isRunning() && !state_->cancelRequested());
    QCOMPARE(quit.size(), 0);

    QMetaObject::invokeMethod(window->findChild<QObject*>("quitAction"), "trigger");  // 退出 asks the same
    QTRY_VERIFY(question->property("opened").toBool());
    QCOMPARE(window->findChild<QObject*>("closeQuestionText")->property("text").toString(),
             QStringLiteral("正在压缩，确定要停止并退出吗？"));
    click(window, "stopAndQuitButton");
    window->close();  // closing again while the run stops asks nothing more
    QVERIFY(!viewModel_->closeQuestionShown());

    QTRY_COMPARE_WITH_TIMEOUT(quit.size(), 1, 20000);
    QVERIFY(!state_->isRunning());
    QCOMPARE(out.entryList(QDir::Files | QDir::Hidden), QStringList());
    QVERIFY(state_->items().at(0).status.is(ItemStatus::Kind::ready));
  }

  void secondLaunchHandsItsFilesToTheFirstEvenOverACrashedOnesSocket() {
    const QString name = path("instance.sock");
    QFile(name).open(QIODevice::WriteOnly);  // a crashed window leaves its socket file behind
    shell::SingleInstance running(name);
    QVERIFY(running.listen());
    QSignalSpy received(&running, &shell::SingleInstance::filesReceived);

    // The second launch blocks on its socket, so it runs on a thread of its own.
    auto second = std::async(std::launch::async, [name] {
      return shell::SingleInstance(name).handOver({"/videos/b.mov", "/videos/c.m4v"}, 5000);
    });
    QTRY_COMPARE(received.size(), 1);
    QCOMPARE(received.first().first().toStringList(), (QStringList{"/videos/b.mov", "/videos/c.m4v"}));
    QVERIFY(test::waitUntil([&] { return second.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }, 10000));
    QVERIFY(second.get());
  }

  // At the smallest size the window takes, with the keyboard alone: Ctrl+O opens the
  // picker (its answer handed in as its accept does), Tab walks the controls in reading
  // order to the start control, which scrolls into view; Space starts, Ctrl+Return stops.
  void keyboardAloneAtTheSmallestSize() {
    writeClip("clip.mov", 320, 240, 10);
    QQuickWindow* window = loadMainWindow();
    QVERIFY(window);
    // What a 1366 × 768 screen at 125 % leaves: 1093 × 614, less a panel and the title bar.
    QVERIFY(window->minimumWidth() <= 1000 && window->minimumHeight() <= 540);
    window->resize(window->minimumSize());
    window->requestActivate();
    QVERIFY(QTest::qWaitForWindowActive(window));

    QTest::keyClick(window, Qt::Key_O, Qt::ControlModifier);
    QObject* picker = window->findChild<QObject*>("filePicker");
    QTRY_VERIFY(picker->property("visible").toBool());
    QMetaObject::invokeMethod(picker, "close");
    QMetaObject::invokeMethod(window->findChild<QObject*>("leftPane"), "filesChosen",
                              Q_ARG(QVariant, QVariant::fromValue(QList<QUrl>{QUrl::fromLocalFile(path("clip.mov"))})));
    test::quiesce(*state_, true);
    QCOMPARE(state_->itemCount(), 1);

    QStringList seen;
    const QStringList expected{"pickButton", "card0", "editButton", "removeButton", "tierPicker", "fpsPicker",
                               "bitrateSlider", "bitrateField", "fitPicker", "noUpscaleCheck", "pickFolderButton",
                               "startButton"};
    QStringList unnamed;  // what a screen reader would have nothing to say of
    for (int i = 0; i < 40 && !seen.contains("startButton"); ++i) {
      QTest::keyClick(window, Qt::Key_Tab);
      QQuickItem* item = window->activeFocusItem();
      const QString name = item ? item->objectName() : QString();
      if (!expected.contains(name) || seen.contains(name)) continue;
      seen << name;
      if (QQmlExpression(qmlContext(item), item, "Accessible.name").evaluate().toString().isEmpty()) unnamed << name;
    }
    QCOMPARE(seen, expected);
    QCOMPARE(unnamed, QStringList());
    QQuickItem* start = window->activeFocusItem();
    QTRY_VERIFY(start->mapToScene(QPointF(0, start->height())).y() <= window->contentItem()->height());

    QSignalSpy finished(state_.get(), &AppState::runFinished);
    QTest::keyClick(window, Qt::Key_Space);
    QTRY_VERIFY(state_->isRunning());
    QTest::keyClick(window, Qt::Key_Return, Qt::ControlModifier);
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 20000);
    QVERIFY(state_->items().front().status.is(ItemStatus::Kind::ready));  // stopped, not done
  }

  // On a private session bus: the scheme the desktop answers at start, then its live changes.
  void paletteFollowsTheDesktopColourScheme() {
    QProcess daemon;
    daemon.start("dbus-daemon", {"--session", "--nofork", "--print-address"});
    QVERIFY(daemon.waitForStarted());
    QTRY_VERIFY(daemon.canReadLine());
    const QString address = QString::fromUtf8(daemon.readLine()).trimmed();
    {
      QDBusConnection desktop = QDBusConnection::connectToBus(address, "desktop");
      QDBusConnection window = QDBusConnection::connectToBus(address, "window");
      QVERIFY(desktop.isConnected() && window.isConnected());
      const QString service = "org.freedesktop.portal.Desktop";
      DesktopSettings settings;
      settings.colorScheme = 1;
      QVERIFY(desktop.registerObject("/org/freedesktop/portal/desktop", &settings, QDBusConnection::ExportAllSlots));
      QVERIFY(desktop.registerService(service));

      shell::ColorSchemeWatcher watcher(window, service);
      watcher.start();
      QCOMPARE(ui::Palette::scheme(), ui::Scheme::dark);
      for (const auto [value, scheme] : {std::pair{2u, ui::Scheme::light}, std::pair{1u, ui::Scheme::dark}}) {
        QDBusMessage signal = QDBusMessage::createSignal("/org/freedesktop/portal/desktop",
                                                         "org.freedesktop.portal.Settings", "SettingChanged");
        signal << "org.freedesktop.appearance" << "color-scheme" << QVariant::fromValue(QDBusVariant(value));
        QVERIFY(desktop.send(signal));
        QTRY_COMPARE(ui::Palette::scheme(), scheme);
      }
      ui::Palette::setScheme(ui::Scheme::light);
    }
    QDBusConnection::disconnectFromBus("desktop");
    QDBusConnection::disconnectFromBus("window");
    daemon.terminate();
    QVERIFY(daemon.waitForFinished());
  }

  void desktopDialogsThemeIsChosenOnlyWhereQtWouldNot() {
    const struct {
      const char *chosen, *desktop, *theme;
    } rows[] = {{nullptr, nullptr, "xdgdesktopportal"}, {nullptr, "sway", "xdgdesktopportal"},
                {nullptr, "ubuntu:GNOME", ""},          {nullptr, "KDE", ""},
                {nullptr, "xfce", ""},                  {"gtk3", "sway", ""}};
    for (const auto& row : rows) {
      const auto env = [&](const char* name) -> const char* {
        return qstrcmp(name, "QT_QPA_PLATFORMTHEME") == 0 ? row.chosen
               : qstrcmp(name, "XDG_CURRENT_DESKTOP") == 0 ? row.desktop
                                                           : nullptr;
      };
      QCOMPARE(shell::platformThemeFor(env), QString::fromLatin1(row.theme));
    }
  }

  // On an English desktop (the test's own run sets LANG): a file in every status, the menus,
  // dialogs and the About window show no Chinese outside file names, and the longer texts
  // do not push the right pane out of the window.
  void windowMenusAndAboutSpeakEnglish() {
    VideoItem compressing = test::probedItem("portrait.mp4", 1080, 1920, 42, 30000000, ItemStatus::compressing(), 60);
    compressing.etaSeconds = 38;
    VideoItem done = test::probedItem("wide.m4v", 2560, 1080, 75, 120000000, ItemStatus::done(), 24);
    done.actualSize = 20000000;
    done.outputURL = "/videos/wide_压缩_720P.mp4";  // the output name's "_压缩_" stays as it is
    done.customSettings = ItemSettings{.shortSide = 720, .bitrateKbps = 3000};
    VideoItem failed("/videos/broken.mov");
    failed.status = ItemStatus::failed(PlatformError(PlatformError::Cause::damaged, "").description());
    state_->setItems({VideoItem("/videos/读取.mp4"), test::probedItem("假期.mov", 1920, 1080), compressing, done, failed});

    QQuickWindow* window = loadMainWindow();
    QVERIFY(window);
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QVERIFY(QQuickTest::qWaitForPolish(window));
    QVERIFY(testing::saveScreenshot(*window, QStringLiteral("window-english")));
    QCOMPARE(testing::findNamedItem(window->contentItem(), "startTitle")->property("text").toString(), "Compress");
    QQuickItem* start = testing::findNamedItem(window->contentItem(), "startButton");
    QVERIFY(start->mapToScene(QPointF(start->width(), 0)).x() <= window->width());

    QStringList found = chineseTexts(window, {"读取.mp4", "假期.mov", "wide_压缩_720P.mp4"});
    QMetaObject::invokeMethod(window->findChild<QObject*>("aboutAction"), "trigger");
    QVERIFY(delegate_->aboutWindow());
    found << chineseTexts(delegate_->aboutWindow(), {});
    QVERIFY2(found.isEmpty(), qPrintable(found.join('\n')));
    delegate_->aboutWindow()->close();
    state_->setItems({});  // the loading card has no probe to wait for
  }
};

QTEST_MAIN(ShellTest)
#include "shell_uitest.moc"
