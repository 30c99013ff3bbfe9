// The window program's main window, offscreen, over a real AppState and CompressionSettings:
// what only QML and the shell can break (bindings to the view-models, clicks and keys reaching
// AppState, layout, closing during a run), the desktop's colour scheme, the hand-over of files
// between launches, and the queue's notification and dock progress. Run on an English desktop,
// only the English window.
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDir>
#include <QFile>
#include <QMimeData>
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

#include "shell/app_delegate.h"
#include "shell/color_scheme.h"
#include "shell/queue_notifier.h"
#include "shell/single_instance.h"
#include "state/language.h"
#include "state/path_text.h"
#include "state/state_fixture.h"
#include "support/qt/quick_find.h"
#include "ui/palette.h"
#include "ui/ui_engine.h"
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

// The desktop's side of notifications and of the dock's progress, on a connection of its own:
// it records what reaches it and clicks the notification's action, as a user would.
class NotificationDesktop : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
 public:
  struct Notice {
    QString summary, body;
    QStringList actions;
    QString desktopEntry;
  };
  QList<Notice> notices;
  QList<double> shownProgress;  // while the dock shows it
  QStringList hiddenDocks;
  QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "notifications");

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
      shownProgress << properties.value("progress").toDouble();
    else
      hiddenDocks << uri;
  }
};

class WindowTest : public QObject {
  Q_OBJECT

 private:
  // What one test works on, made afresh for each and taken down in reverse order at its end.
  struct Parts {
    Parts() { ui::installUi(engine, state); }
    test::Scope scope;
    AppState state{scope.settings()};
    CompressionSettings settings;
    ui::WindowViewModel viewModel{state, settings};
    QQmlApplicationEngine engine;
    shell::AppDelegate delegate{engine, viewModel};
  };
  std::optional<Parts> p_;
  QQuickWindow* window_ = nullptr;
  bool english_ = false;

  bool open() {
    p_->engine.setInitialProperties({{"viewModel", QVariant::fromValue(&p_->viewModel)},
                                     {"delegate", QVariant::fromValue(&p_->delegate)}});
    p_->engine.load(QUrl("qrc:/qt/qml/Kivotra/Shell/qml/MainWindow.qml"));
    window_ = p_->engine.rootObjects().size() == 1 ? qobject_cast<QQuickWindow*>(p_->engine.rootObjects()[0]) : nullptr;
    if (!window_) return false;
    p_->delegate.setMainWindow(window_);
    return QTest::qWaitForWindowExposed(window_) && QQuickTest::qWaitForPolish(window_);
  }
  QString path(const std::string& name) const { return test::q(p_->scope / name); }
  const VideoItem& item(int row) const { return p_->state.items()[static_cast<std::size_t>(row)]; }
  QQuickItem* find(const QString& name) const { return testing::findNamedItem(window_->contentItem(), name); }
  QQuickItem* inCard(int row, const QString& name) const {
    QQuickItem* card = find(QStringLiteral("card%1").arg(row));
    return card ? testing::findQuickItem(card, name) : nullptr;
  }
  static QString text(QQuickItem* item) { return item ? item->property("text").toString() : QString(); }
  QString text(const QString& name) const { return text(find(name)); }
  bool shown(const QString& name) const { return find(name) && find(name)->isVisible(); }
  QRgb colourOf(QQuickItem* item) const { return item->property("color").value<QColor>().rgba(); }
  void settle() { QVERIFY(QQuickTest::qWaitForPolish(window_)); }
  void click(QQuickItem* target) {
    QVERIFY(target);
    QTest::mouseClick(window_, Qt::LeftButton, Qt::NoModifier, testing::centreOf(target));
    settle();
  }
  void click(const QString& name) { click(find(name)); }
  bool pickerShown() const { return window_->findChild<QObject*>("filePicker")->property("visible").toBool(); }

  // An empty file of that name, which AppState takes in by its name.
  QUrl file(const QString& name) const {
    return QUrl::fromLocalFile(test::q(p_->scope.writeFile(name.toStdString(), "")));
  }
  // Drags urls onto the drop zone and drops them; whether the drop was accepted.
  bool drop(const QList<QUrl>& urls) {
    QMimeData mime;
    mime.setUrls(urls);
    const QPoint at = testing::centreOf(find("dropZone"));
    QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window_, &enter);
    QDropEvent dropped(QPointF(at), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window_, &dropped);
    return dropped.isAccepted();
  }
  // Types into a field what a user would: select all, type, Enter (or not).
  void type(const QString& field, const QString& text, bool enter = true) {
    click(field);
    QTest::keyClick(window_, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(window_, Qt::Key_Backspace);
    for (QChar c : text) QTest::keyClick(window_, c.toLatin1());
    if (enter) QTest::keyClick(window_, Qt::Key_Return);
    settle();
  }

 private slots:
  void initTestCase() {
    ui::useWindowFont();
    english_ = installTranslation(*qApp) == UiLanguage::english;
  }

  void init() {
    if (english_ != (QString(QTest::currentTestFunction()) == "windowSpeaksEnglish"))
      QSKIP("run on the other desktop language");
    p_.emplace();
  }

  void cleanup() {
    if (p_) test::quiesce(p_->state, true);
    window_ = nullptr;
    p_.reset();
  }

  void dropsGoToTheListUntilItIsFullAndANoticeNamesTheRest() {
    QVERIFY(open());
    click("dropZone");  // the zone opens the picker while there is room
    QTRY_VERIFY(pickerShown());
    QMetaObject::invokeMethod(window_->findChild<QObject*>("filePicker"), "close");
    p_->state.setItems({test::probedItem("1.mp4", 1920, 1080), test::probedItem("2.mp4", 1920, 1080),
                      test::probedItem("3.mp4", 1920, 1080), test::probedItem("4.mp4", 1920, 1080)});
    // Only the last of the three is a movie: it can only arrive if all three were handed over.
    QVERIFY(drop({file("notes.txt"), file("cover.png"), file("holiday.mov")}));
    QCOMPARE(p_->state.itemCount(), 5);
    settle();
    QCOMPARE(text("countText"), QStringLiteral("5 / 5"));
    QCOMPARE(text("dropHint"), QStringLiteral("已达 5 个上限，先移除再添加"));
    QVERIFY2(text("noticeText").contains("notes.txt、cover.png"), qPrintable(text("noticeText")));
    QVERIFY(!drop({file("late.mp4")}));
    QVERIFY2(text("noticeText").contains("上限：late.mp4"), qPrintable(text("noticeText")));
    click("closeNoticeButton");
    QVERIFY(!shown("notice"));
    click("dropZone");
    QVERIFY(!pickerShown());
  }

  // Cards in every status follow the desktop's scheme at start and live; a failure's whole message
  // shows on hover and opens selectable on a click.
  void cardsFollowTheColourSchemeShowAFailureWholeAndTheirButtonsWork() {
    QVERIFY(open());
    VideoItem done = test::probedItem("wide.m4v", 2560, 1080, 75, 120000000, ItemStatus::done(), 24);
    done.customSettings = ItemSettings{.shortSide = 720, .bitrateKbps = 3000};
    done.outputURL = "/videos/wide_压缩_720P.mp4";
    VideoItem failed("/videos/broken.mov");
    const QString message = QStringLiteral("读取失败：文件已损坏或不是视频（Invalid data found when processing input）");
    failed.status = ItemStatus::failed(message.toStdString());
    p_->state.setItems({test::probedItem("clip0.mp4", 1920, 1080), test::probedItem("portrait.mp4", 1080, 1920, 42, 30000000, ItemStatus::compressing()), done, failed});
    settle();
    QVERIFY(testing::saveScreenshot(*window_, "window-statuses"));
    p_->settings.setShortSide(720);  // a global parameter reaches the cards that follow it
    QCOMPARE(text(inCard(0, "dimsText")), QStringLiteral("1280×720"));

    // The desktop answers dark at start, then turns light (on the private session bus).
    QDBusConnection desktop = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "desktop");
    DesktopSettings portal;
    portal.colorScheme = 1;
    QVERIFY(desktop.registerObject("/org/freedesktop/portal/desktop", &portal, QDBusConnection::ExportAllSlots));
    QVERIFY(desktop.registerService("org.freedesktop.portal.Desktop"));
    shell::ColorSchemeWatcher watcher(QDBusConnection::sessionBus(), "org.freedesktop.portal.Desktop");
    watcher.start();
    settle();
    QCOMPARE(colourOf(find("contentView")), ui::Palette::windowBackground(ui::Scheme::dark).rgba());

    QQuickItem* caption = inCard(3, "sizeCaption");
    QTest::mouseMove(window_, testing::centreOf(caption));
    const auto toolTip = [&](const char* property) {
      return QQmlExpression(qmlContext(caption), caption, QStringLiteral("ToolTip.") + property).evaluate();
    };
    QTRY_VERIFY(toolTip("visible").toBool());
    QCOMPARE(toolTip("text").toString(), message);
    click(caption);
    QQuickItem* whole = find("failureText");  // popups live in the overlay
    QTRY_VERIFY(whole && whole->isVisible() && whole->hasActiveFocus());
    QTest::keyClick(window_, Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(whole->property("selectedText").toString(), message);

    QTest::keyClick(window_, Qt::Key_Escape);
    QDBusMessage light = QDBusMessage::createSignal("/org/freedesktop/portal/desktop", "org.freedesktop.portal.Settings",
                                                    "SettingChanged");
    light << "org.freedesktop.appearance" << "color-scheme" << QVariant::fromValue(QDBusVariant(2u));
    QVERIFY(desktop.send(light));
    QTRY_COMPARE(colourOf(find("contentView")), ui::Palette::windowBackground(ui::Scheme::light).rgba());

    // The card's buttons and the field reach the state.
    const Uuid first = item(0).id;
    click(inCard(0, "fileName"));
    QCOMPARE(p_->state.editingID(), std::optional<Uuid>(first));
    QCOMPARE(text("editingFileName"), QStringLiteral("clip0.mp4"));
    click("segment_1080P");
    QCOMPARE(item(0).customSettings.value_or(ItemSettings{}).shortSide, 1080);
    click("followGlobalButton");
    QVERIFY(!item(0).customSettings && shown("normalHeader"));
    QSignalSpy reveal(&p_->viewModel, &ui::WindowViewModel::revealRequested);
    click(inCard(2, "revealButton"));
    QCOMPARE(reveal.value(0).value(0).toString(), QStringLiteral("/videos/wide_压缩_720P.mp4"));
    QVERIFY(!p_->state.editingID());  // the button's click is not also the card's
    click(inCard(3, "removeButton"));
    QCOMPARE(p_->state.itemCount(), 3);
    QCOMPARE(item(0).id, first);

    // Typed and not confirmed: already stored, and the summary says so; a refused text shows the stored value again.
    const QString total = text("totalText");
    type("bitrateField", "2500", false);
    QCOMPARE(p_->settings.bitrateKbps(), 2500);
    QVERIFY(text("totalText") != total);
    type("bitrateField", "4500");
    type("bitrateField", "3k");
    QCOMPARE(text("bitrateField"), QStringLiteral("4500"));
  }

  // The whole window over the real queue, in size mode: the first file is fitted under the typed
  // limit; the second gets a limit of its own out of its reach through the editor, which is still
  // open when the start control is pressed; the third is stopped with its card's button. Waiting
  // cards are locked while the queue runs, and a file dropped then waits for the run's end. A window
  // in the background notifies of the run, its action reveals the output, and its dock shows the progress.
  void sizeModeSessionWithAnOwnLimitAStopAndTheNotification() {
    NotificationDesktop desktop;
    QVERIFY(desktop.bus.registerObject("/org/freedesktop/Notifications", &desktop, QDBusConnection::ExportAllSlots));
    QVERIFY(desktop.bus.connect({}, {}, "com.canonical.Unity.LauncherEntry", "Update", &desktop,
                                SLOT(Update(QString, QVariantMap))));
    QVERIFY(desktop.bus.registerService("org.freedesktop.Notifications"));
    for (const char* name : {"fit.mov", "tiny.mov", "slow.mov"})
      p_->state.add(std::vector{test::movie(p_->scope / name, name[0] == 's' ? 4 : 1, 2, 480, 360)});
    QVERIFY(open());
    test::quiesce(p_->state, true);
    settle();
    QCOMPARE(inCard(0, "thumbnail")->childItems().value(0)->property("status").toInt(), 1);  // the cover is drawn
    click("segment_按大小");
    type("sizeLimitField", "0.3");
    constexpr std::int64_t limit = 314572;  // 0.3 MB
    QCOMPARE(text(inCard(0, "sizeValue")), QStringLiteral("≈ 295 KB"));  // about 96 % of it
    click(inCard(1, "fileName"));
    type("sizeLimitField", "0.01");
    QCOMPARE(text(inCard(1, "sizeCaption")), QStringLiteral("超过上限"));
    QVERIFY(testing::saveScreenshot(*window_, "window-size-mode"));

    const Uuid slow = item(2).id;
    bool locked = false, stopped = false;
    QObject watching;  // the watchers below end with this test
    connect(p_->state.itemsModel(), &QAbstractItemModel::dataChanged, &watching, [&] {
      if (!locked && item(0).status.is(ItemStatus::Kind::compressing)) {
        locked = true;  // bindings follow at once; no frame is needed to read them
        QCOMPARE(text("startTitle"), QStringLiteral("取消压缩"));
        QVERIFY(!inCard(2, "editButton")->isEnabled() && !inCard(2, "removeButton")->isEnabled());
        QTest::mouseClick(window_, Qt::LeftButton, {}, testing::centreOf(inCard(2, "fileName")));
        QVERIFY(!p_->state.editingID());
        QVERIFY(drop({file("late.mov")}));
        QVERIFY(shown("notice"));
      } else if (!stopped && p_->state.find(slow)->status.is(ItemStatus::Kind::compressing)) {
        stopped = true;
        click(inCard(2, "stopButton"));
      }
    });
    shell::QueueNotifier background(p_->state, "com.example.background", [] { return false; });
    QSignalSpy reveal(&background, &shell::QueueNotifier::openFolderRequested);
    QSignalSpy finished(&p_->state, &AppState::runFinished);
    click("startButton");
    QVERIFY(!p_->state.editingID());  // the editor closed and the panel shows the global values again
    QCOMPARE(p_->settings.snapshot().sizeLimitBytes, limit);
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 60000);
    settle();

    QVERIFY(locked && stopped);
    QVERIFY2(item(0).status.is(ItemStatus::Kind::done), item(0).status.message().c_str());
    QVERIFY(*item(0).actualSize <= limit);
    QVERIFY2(item(1).status.message().starts_with("无法压缩到 10 KB 以内"), item(1).status.message().c_str());
    QCOMPARE(ItemListModel::statusKey(p_->state.find(slow)->status), QStringLiteral("ready"));
    QCOMPARE(text("startTitle"), QStringLiteral("开始压缩"));
    QCOMPARE(p_->state.itemCount(), 4);  // the late file, added once the run ended
    QVERIFY(!shown("notice"));

    QTRY_COMPARE_WITH_TIMEOUT(reveal.count(), 1, 10000);
    QCOMPARE(reveal.first().first().toString(), pathText(*item(0).outputURL));
    QTRY_COMPARE(desktop.hiddenDocks, QStringList{"application://com.example.background.desktop"});
    const QList<double>& shown = desktop.shownProgress;  // from 0 and rising
    QVERIFY(!shown.isEmpty() && shown.first() == 0 && std::is_sorted(shown.begin(), shown.end()) && shown.last() <= 1);
    QCOMPARE(desktop.notices.size(), 1);
    const NotificationDesktop::Notice& notice = desktop.notices.first();
    QCOMPARE(notice.desktopEntry, QStringLiteral("com.example.background"));
    QCOMPARE(notice.summary, QStringLiteral("压缩完成"));
    QVERIFY2(notice.body.startsWith(QStringLiteral("1 个完成，1 个失败")), qPrintable(notice.body));
    QCOMPARE(notice.body.contains(QStringLiteral("共节省")), *item(0).actualSize < item(0).fileSize);
    QCOMPARE(notice.actions, (QStringList{"open-folder", "打开文件夹"}));
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
  // Then closing during a run asks; 继续压缩 changes nothing, 停止并退出 stops the run,
  // leaves no output and ends the program.
  void keyboardAloneAtTheSmallestSizeAndClosingDuringARun() {
    test::movie(p_->scope / "clip.mov", 10, 2, 640, 360);
    QVERIFY(open());
    // What a 1366 × 768 screen at 125 % leaves: 1093 × 614, less a panel and the title bar.
    QVERIFY(window_->minimumWidth() <= 1000 && window_->minimumHeight() <= 540);
    window_->resize(window_->minimumSize());
    window_->requestActivate();
    QVERIFY(QTest::qWaitForWindowActive(window_));

    QTest::keyClick(window_, Qt::Key_O, Qt::ControlModifier);
    QTRY_VERIFY(pickerShown());
    QMetaObject::invokeMethod(window_->findChild<QObject*>("filePicker"), "close");
    QMetaObject::invokeMethod(window_->findChild<QObject*>("leftPane"), "filesChosen",
                              Q_ARG(QVariant, QVariant::fromValue(QList<QUrl>{QUrl::fromLocalFile(path("clip.mov"))})));
    test::quiesce(p_->state, true);
    QCOMPARE(p_->state.itemCount(), 1);

    QStringList seen;
    const QStringList expected{"pickButton", "card0", "editButton", "removeButton", "tierPicker", "fpsPicker",
                               "bitrateSlider", "bitrateField", "fitPicker", "noUpscaleCheck", "pickFolderButton",
                               "startButton"};
    QStringList unnamed;  // what a screen reader would have nothing to say of
    for (int i = 0; i < 40 && !seen.contains("startButton"); ++i) {
      QTest::keyClick(window_, Qt::Key_Tab);
      QQuickItem* item = window_->activeFocusItem();
      const QString name = item ? item->objectName() : QString();
      if (!expected.contains(name) || seen.contains(name)) continue;
      seen << name;
      if (QQmlExpression(qmlContext(item), item, "Accessible.name").evaluate().toString().isEmpty()) unnamed << name;
    }
    QCOMPARE(seen, expected);
    QCOMPARE(unnamed, QStringList());
    QQuickItem* start = window_->activeFocusItem();
    QTRY_VERIFY(start->mapToScene(QPointF(0, start->height())).y() <= window_->contentItem()->height());

    QSignalSpy finished(&p_->state, &AppState::runFinished);
    QTest::keyClick(window_, Qt::Key_Space);
    QTRY_VERIFY(p_->state.isRunning());
    QTest::keyClick(window_, Qt::Key_Return, Qt::ControlModifier);
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 20000);
    QVERIFY(p_->state.items().front().status.is(ItemStatus::Kind::ready));  // stopped, not done

    const QDir out(QString::fromStdString(p_->scope.makeFolder("out").string()));
    QVERIFY(p_->state.chooseOutputFolder(out.path()));
    p_->state.startCompressing(p_->settings.snapshot());
    QTRY_VERIFY_WITH_TIMEOUT(!out.entryList(QDir::Files | QDir::Hidden).isEmpty(), 20000);
    QSignalSpy quit(&p_->engine, &QQmlEngine::quit);
    auto* question = window_->findChild<QObject*>("closeQuestion");
    QVERIFY(question);
    window_->close();
    QTRY_VERIFY(question->property("opened").toBool());
    click("keepCompressingButton");
    QTRY_VERIFY(!question->property("visible").toBool());
    QVERIFY(p_->state.isRunning() && !p_->state.cancelRequested());
    QCOMPARE(quit.size(), 0);

    QMetaObject::invokeMethod(window_->findChild<QObject*>("quitAction"), "trigger");  // 退出 asks the same
    QTRY_VERIFY(question->property("opened").toBool());
    click("stopAndQuitButton");
    window_->close();  // closing again while the run stops asks nothing more
    QVERIFY(!p_->viewModel.closeQuestionShown());

    QTRY_COMPARE_WITH_TIMEOUT(quit.size(), 1, 20000);
    QVERIFY(!p_->state.isRunning());
    QCOMPARE(out.entryList(QDir::Files | QDir::Hidden), QStringList());
    QVERIFY(p_->state.items().at(0).status.is(ItemStatus::Kind::ready));
  }

  // On an English desktop (the test's own run sets LANG): the window, a card and a notice come up
  // in English, and the longer texts do not push the right pane out of the window.
  void windowSpeaksEnglish() {
    p_->state.setItems({test::probedItem("假期.mov", 1920, 1080)});
    QVERIFY(open());
    drop({file("notes.txt")});
    settle();
    QCOMPARE(text("startTitle"), "Compress");
    QCOMPARE(text(inCard(0, "sizeCaption")), "Estimate");
    QVERIFY2(text("noticeText").startsWith("1 file(s) not added\nunsupported type"), qPrintable(text("noticeText")));
    QQuickItem* start = find("startButton");
    QVERIFY(start->mapToScene(QPointF(start->width(), 0)).x() <= window_->width());
    // Nothing shown in the window is left in Chinese but the file's own name: a text that
    // skips translation shows up here, whichever control it sits in.
    const QStringList chinese = chineseTexts(window_, "假期.mov");
    QVERIFY2(chinese.isEmpty(), qPrintable(chinese.join('\n')));
  }

  // Every string property below root, through the object tree and the visual tree, that
  // holds Chinese once the file name is taken out.
  static QStringList chineseTexts(QObject* root, const QString& fileName) {
    static const QRegularExpression cjk(QStringLiteral("[\\x{3000}-\\x{303f}\\x{3400}-\\x{9fff}\\x{ff00}-\\x{ffef}]"));
    std::set<QObject*> seen;
    QStringList found;
    const std::function<void(QObject*)> walk = [&](QObject* object) {
      if (!object || !seen.insert(object).second) return;
      const QMetaObject* meta = object->metaObject();
      for (int i = 0; i < meta->propertyCount(); ++i) {
        const QMetaProperty property = meta->property(i);
        if (property.metaType().id() != QMetaType::QString || qstrcmp(property.name(), "objectName") == 0) continue;
        const QString text = property.read(object).toString().remove(fileName);
        if (text.contains(cjk)) found << QStringLiteral("%1.%2: %3").arg(meta->className(), property.name(), text);
      }
      for (QObject* child : object->children()) walk(child);
      if (auto* item = qobject_cast<QQuickItem*>(object))
        for (QQuickItem* child : item->childItems()) walk(child);
      if (auto* window = qobject_cast<QQuickWindow*>(object)) walk(window->contentItem());
    };
    walk(root);
    return found;
  }
};

QTEST_MAIN(WindowTest)
#include "window_uitest.moc"
