// The window's views, offscreen, over a real AppState and CompressionSettings: what only
// QML can break (bindings to the view-models, clicks reaching AppState, layout).
#include <QMimeData>
#include <QQmlContext>
#include <QQmlEngine>
#include <QQmlExpression>
#include <QQuickItem>
#include <QQuickView>
#include <QSignalSpy>
#include <QtQuickTest/quicktest.h>
#include <QtTest>

#include "support/media_fixtures.h"
#include "support/qt/quick_find.h"
#include "ui/palette.h"
#include "ui/ui_engine.h"
#include "ui/window_view_model.h"
#include "ui_fixture.h"

using namespace kivotra;

class WindowTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<test::Scope> scope_;
  std::unique_ptr<AppState> state_;
  std::unique_ptr<CompressionSettings> settings_;
  std::unique_ptr<ui::WindowViewModel> viewModel_;
  std::unique_ptr<QQmlEngine> engine_;
  std::unique_ptr<QQuickView> view_;

  AppState& state() const { return *state_; }
  const VideoItem& item(int row) const { return state_->items()[static_cast<std::size_t>(row)]; }
  QQuickItem* find(const QString& name) const { return testing::findNamedItem(view_->rootObject(), name); }
  QQuickItem* inCard(int row, const QString& name) const {
    QQuickItem* card = find(QStringLiteral("card%1").arg(row));
    return card ? testing::findQuickItem(card, name) : nullptr;
  }
  static QString text(QQuickItem* item) { return item ? item->property("text").toString() : QString(); }
  QString text(const QString& name) const { return text(find(name)); }
  bool shown(const QString& name) const { return find(name) && find(name)->isVisible(); }
  QRgb colourOf(QQuickItem* item) const { return item->property("color").value<QColor>().rgba(); }
  void settle() { QVERIFY(QQuickTest::qWaitForPolish(view_.get())); }
  void click(QQuickItem* target) {
    QVERIFY(target);
    QTest::mouseClick(view_.get(), Qt::LeftButton, Qt::NoModifier, testing::centreOf(target));
    settle();
  }
  void click(const QString& name) { click(find(name)); }
  void screenshot(const QString& name) { QVERIFY(testing::saveScreenshot(*view_, name)); }
  bool pickerShown() const {
    return view_->rootObject()->findChild<QObject*>("filePicker")->property("visible").toBool();
  }

  // An empty file of that name, which AppState takes in by its name.
  QUrl file(const QString& name) const {
    return QUrl::fromLocalFile(QString::fromStdString(scope_->writeFile(name.toStdString(), "").string()));
  }
  // Drags urls onto the drop zone and drops them; whether the drop was accepted.
  bool drop(const QList<QUrl>& urls) {
    QMimeData mime;
    mime.setUrls(urls);
    const QPoint at = testing::centreOf(find("dropZone"));
    QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(view_.get(), &enter);
    QDropEvent dropped(QPointF(at), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(view_.get(), &dropped);
    return dropped.isAccepted();
  }
  // Types into a field what a user would: select all, type, Enter (or not).
  void type(const QString& field, const QString& text, bool enter = true) {
    click(field);
    QTest::keyClick(view_.get(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(view_.get(), Qt::Key_Backspace);
    for (QChar c : text) QTest::keyClick(view_.get(), c.toLatin1());
    if (enter) QTest::keyClick(view_.get(), Qt::Key_Return);
    settle();
  }

 private slots:
  void initTestCase() { ui::useWindowFont(); }

  void init() {
    scope_ = std::make_unique<test::Scope>();
    QVERIFY(scope_->valid());
    state_ = std::make_unique<AppState>(scope_->settings());
    settings_ = std::make_unique<CompressionSettings>();
    viewModel_ = std::make_unique<ui::WindowViewModel>(*state_, *settings_);
    engine_ = std::make_unique<QQmlEngine>();
    ui::installUi(*engine_, state());
    view_ = std::make_unique<QQuickView>(engine_.get(), nullptr);
    view_->setInitialProperties({{"viewModel", QVariant::fromValue(viewModel_.get())}});
    view_->setSource(QUrl("qrc:/qt/qml/Kivotra/Ui/qml/ContentView.qml"));
    QVERIFY2(view_->status() == QQuickView::Ready,
             qPrintable(view_->errors().isEmpty() ? QString() : view_->errors().first().toString()));
    view_->resize(980, 680);
    view_->show();
    QVERIFY(QTest::qWaitForWindowExposed(view_.get()));
  }

  void cleanup() {
    test::quiesce(state());
    view_.reset();
    engine_.reset();
    viewModel_.reset();
    settings_.reset();
    state_.reset();
    scope_.reset();
  }

  void dropsGoToTheListUntilItIsFullAndANoticeNamesTheRest() {
    click("dropZone");  // the zone opens the picker while there is room
    QTRY_VERIFY(pickerShown());
    QMetaObject::invokeMethod(view_->rootObject()->findChild<QObject*>("filePicker"), "close");
    state().setItems({test::probedItem("1.mp4", 1920, 1080), test::probedItem("2.mp4", 1920, 1080),
                      test::probedItem("3.mp4", 1920, 1080), test::probedItem("4.mp4", 1920, 1080)});
    // Only the last of the three is a movie: it can only arrive if all three were handed over.
    QVERIFY(drop({file("notes.txt"), file("cover.png"), file("holiday.mov")}));
    QCOMPARE(state().itemCount(), 5);
    settle();
    QCOMPARE(text("countText"), QStringLiteral("5 / 5"));
    QCOMPARE(text("dropHint"), QStringLiteral("已达 5 个上限，先移除再添加"));
    QVERIFY2(text("noticeText").contains("notes.txt、cover.png"), qPrintable(text("noticeText")));
    QVERIFY(!drop({file("late.mp4")}));
    QVERIFY2(text("noticeText").contains("上限：late.mp4"), qPrintable(text("noticeText")));
    screenshot("window-skipped-notice");
    click("closeNoticeButton");
    QVERIFY(!shown("notice"));
    click("dropZone");
    QVERIFY(!pickerShown());
  }

  // Cards in every status follow the desktop's scheme live; a failure's whole message shows on hover
  // and opens selectable on a click.
  void cardsFollowTheColourSchemeAndShowAFailureWhole() {
    VideoItem compressing = test::probedItem("portrait.mp4", 1080, 1920, 42, 30000000, ItemStatus::compressing(), 60);
    compressing.etaSeconds = 38;
    VideoItem done = test::probedItem("wide.m4v", 2560, 1080, 75, 120000000, ItemStatus::done(), 24);
    done.customSettings = ItemSettings{.shortSide = 720, .bitrateKbps = 3000};
    VideoItem failed("/videos/broken.mov");
    const QString message = QStringLiteral("读取失败：文件已损坏或不是视频（Invalid data found when processing input）");
    failed.status = ItemStatus::failed(message.toStdString());
    state().setItems({test::probedItem("ready.mov", 1920, 1080, 90, 45000000), compressing, done, failed});
    settle();
    screenshot("window-statuses");
    QCOMPARE(text(inCard(0, "sizeValue")), QStringLiteral("≈ 55.0 MB"));
    QVERIFY(inCard(1, "stopButton")->isVisible() && !inCard(1, "removeButton")->isEnabled());
    QStringList tagTexts;
    for (QQuickItem* tag : inCard(1, "tags")->childItems())
      if (tag->property("text").isValid()) tagTexts << tag->property("text").toString();
    QCOMPARE(tagTexts, (QStringList{"9:16 竖屏", "60 FPS", "剩 00:38"}));
    QVERIFY(inCard(2, "revealButton")->isVisible());
    QCOMPARE(text(inCard(2, "dimsText")), QStringLiteral("1708×720"));  // its own parameters
    settings_->setShortSide(720);  // a global parameter reaches the cards that follow it
    QCOMPARE(text(inCard(0, "dimsText")), QStringLiteral("1280×720"));

    ui::Palette::setScheme(ui::Scheme::dark);
    settle();
    QCOMPARE(colourOf(view_->rootObject()), ui::Palette::windowBackground(ui::Scheme::dark).rgba());
    QCOMPARE(colourOf(find("card0")), ui::Palette::colour(ui::Tone::controlBackground, ui::Scheme::dark).rgba());
    screenshot("window-dark");

    QQuickItem* caption = inCard(3, "sizeCaption");
    QTest::mouseMove(view_.get(), testing::centreOf(caption));
    const auto toolTip = [&](const char* property) {
      return QQmlExpression(qmlContext(caption), caption, QStringLiteral("ToolTip.") + property).evaluate();
    };
    QTRY_VERIFY(toolTip("visible").toBool());
    QCOMPARE(toolTip("text").toString(), message);
    screenshot("window-failure-tooltip");
    click(caption);
    QQuickItem* whole = testing::findNamedItem(view_->contentItem(), "failureText");  // popups live in the overlay
    QTRY_VERIFY(whole && whole->isVisible() && whole->hasActiveFocus());
    QTest::keyClick(view_.get(), Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(whole->property("selectedText").toString(), message);

    ui::Palette::setScheme(ui::Scheme::light);
    settle();
    QCOMPARE(colourOf(view_->rootObject()), ui::Palette::windowBackground(ui::Scheme::light).rgba());
  }

  void cardButtonsFieldSliderAndFolderRowReachTheState() {
    VideoItem done = test::probedItem("x.mp4", 1280, 720, 10, 1000000, ItemStatus::done());
    done.outputURL = "/videos/x_压缩_1080P.mp4";
    state().setItems({test::probedItem("clip0.mp4", 1920, 1080), test::probedItem("clip1.mp4", 1920, 1080), done});
    settle();
    const Uuid first = item(0).id;
    click(inCard(0, "fileName"));
    QCOMPARE(state().editingID(), std::optional<Uuid>(first));
    QCOMPARE(text("editingFileName"), QStringLiteral("clip0.mp4"));
    click("segment_720P");
    QCOMPARE(item(0).customSettings->shortSide, 720);
    click("followGlobalButton");
    QVERIFY(!item(0).customSettings && shown("normalHeader"));
    QSignalSpy reveal(viewModel_.get(), &ui::WindowViewModel::revealRequested);
    click(inCard(2, "revealButton"));
    QCOMPARE(reveal.value(0).value(0).toString(), QStringLiteral("/videos/x_压缩_1080P.mp4"));
    QVERIFY(!state().editingID());  // the button's click is not also the card's
    click(inCard(1, "removeButton"));
    QCOMPARE(state().itemCount(), 2);
    QCOMPARE(item(0).id, first);

    // Typed and not confirmed: already stored, and the summary says so; a refused text shows the stored value again.
    type("bitrateField", "2500", false);
    QCOMPARE(settings_->bitrateKbps(), 2500);
    QVERIFY2(text("countLine").contains("2500"), qPrintable(text("countLine")));
    type("bitrateField", "4500");
    type("bitrateField", "3k");
    QCOMPARE(text("bitrateField"), QStringLiteral("4500"));
    QQuickItem* slider = find("bitrateSlider");
    QVERIFY(slider->height() >= 16);  // the handle's height, so a pointer can press it
    slider->setProperty("value", 7000);
    QMetaObject::invokeMethod(slider, "moved");
    QCOMPARE(text("bitrateField"), QStringLiteral("7000"));

    QVERIFY(state().chooseOutputFolder(QString::fromStdString(scope_->makeFolder("Exports").string())));
    settle();
    QCOMPARE(text("outputFolderName"), QStringLiteral("Exports"));
    click("clearFolderButton");
    QVERIFY(shown("pickFolderButton") && !state().hasOutputFolder());
  }

  // The whole window over the real queue, in size mode: the first file is fitted under the typed
  // limit; the second gets a limit of its own out of its reach through the editor, which is still
  // open when the start control is pressed; the third is stopped with its card's button. Waiting
  // cards are locked while the queue runs, and a file dropped then waits for the run's end.
  void sizeModeSessionWithAnOwnLimitAndAStop() {
    for (const char* name : {"fit.mov", "tiny.mov", "slow.mov"}) {
      fixtures::MediaOptions options;
      options.width = 480;
      options.height = 360;
      options.seconds = name[0] == 's' ? 4 : 1;
      options.audioChannels = 2;
      test::bounded([&] { fixtures::writeMedia(scope_->path(name), options); return 0; });
      state().add(std::vector<std::filesystem::path>{scope_->path(name)});
    }
    test::quiesce(state(), true);
    settle();
    QCOMPARE(inCard(0, "thumbnail")->childItems().value(0)->property("status").toInt(), 1);  // the cover is drawn
    click("segment_按大小");
    QVERIFY(shown("sizeLimitField") && !shown("bitrateSlider"));
    type("sizeLimitField", "0.3");
    constexpr std::int64_t limit = 314572;  // 0.3 MB
    QCOMPARE(text(inCard(0, "sizeValue")), QStringLiteral("≈ 295 KB"));  // about 96 % of it
    click(inCard(1, "fileName"));
    type("sizeLimitField", "0.01");
    QCOMPARE(text(inCard(1, "sizeCaption")), QStringLiteral("超过上限"));
    screenshot("window-size-mode");

    const Uuid slow = item(2).id;
    bool locked = false, stopped = false;
    QObject watching;  // the watchers below end with this test
    connect(state().itemsModel(), &QAbstractItemModel::dataChanged, &watching, [&] {
      if (!locked && item(0).status.is(ItemStatus::Kind::compressing)) {
        locked = true;  // bindings follow at once; no frame is needed to read them
        QCOMPARE(text("startTitle"), QStringLiteral("取消压缩"));
        QVERIFY(!inCard(2, "editButton")->isEnabled() && !inCard(2, "removeButton")->isEnabled());
        QTest::mouseClick(view_.get(), Qt::LeftButton, {}, testing::centreOf(inCard(2, "fileName")));
        QVERIFY(!state().editingID());
        QVERIFY(drop({file("late.mov")}));
        QVERIFY(shown("notice"));
      } else if (!stopped && state().find(slow)->status.is(ItemStatus::Kind::compressing)) {
        stopped = true;
        click(inCard(2, "stopButton"));
      }
    });
    QSignalSpy finished(&state(), &AppState::runFinished);
    click("startButton");
    QVERIFY(!state().editingID());  // the editor closed and the panel shows the global values again
    QCOMPARE(settings_->snapshot().sizeLimitBytes, limit);
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 60000);
    settle();

    QVERIFY(locked && stopped);
    QVERIFY2(item(0).status.is(ItemStatus::Kind::done), item(0).status.message().c_str());
    QVERIFY(*item(0).actualSize <= limit);
    QVERIFY2(item(1).status.message().starts_with("无法压缩到 10 KB 以内"), item(1).status.message().c_str());
    QCOMPARE(ItemListModel::statusKey(state().find(slow)->status), QStringLiteral("ready"));
    QCOMPARE(text("startTitle"), QStringLiteral("开始压缩"));
    QCOMPARE(state().itemCount(), 4);  // the late file, added once the run ended
    QVERIFY(!shown("notice"));
  }
};

QTEST_MAIN(WindowTest)
#include "window_uitest.moc"
