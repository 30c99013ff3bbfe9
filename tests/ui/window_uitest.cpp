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

  QQuickItem* find(const QString& name) const { return testing::findNamedItem(view_->rootObject(), name); }
  QQuickItem* inCard(int row, const QString& name) const {
    QQuickItem* card = find(QStringLiteral("card%1").arg(row));
    return card ? testing::findQuickItem(card, name) : nullptr;
  }
  static QString text(QQuickItem* item) { return item ? item->property("text").toString() : QString(); }
  QString text(const QString& name) const { return text(find(name)); }
  bool shown(const QString& name) const { return find(name) && find(name)->isVisible(); }
  QRgb colourOf(QQuickItem* item, const char* property = "color") const {
    return item->property(property).value<QColor>().rgba();
  }
  const VideoItem& item(int row) const { return state_->items()[static_cast<std::size_t>(row)]; }
  void settle() { QVERIFY(QQuickTest::qWaitForPolish(view_.get())); }
  void click(QQuickItem* target) {
    QVERIFY(target);
    QTest::mouseClick(view_.get(), Qt::LeftButton, Qt::NoModifier, testing::centreOf(target));
    settle();
  }
  void click(const QString& name) { click(find(name)); }
  void screenshot(const QString& name) { QVERIFY(testing::saveScreenshot(*view_, name)); }

  // An empty file of that name, which AppState takes in by its name.
  QUrl file(const QString& name) const {
    return QUrl::fromLocalFile(QString::fromStdString(scope_->writeFile(name.toStdString(), "").string()));
  }
  void fill(int count) {
    std::vector<VideoItem> items;
    for (int i = 0; i < count; ++i) items.push_back(test::probedItem(QStringLiteral("clip%1.mp4").arg(i).toStdString(), 1920, 1080));
    state_->setItems(std::move(items));
    settle();
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
  // Types into the bitrate field what a user would: select all, type, Enter (or not).
  void typeBitrate(const QString& text, bool enter = true) {
    click("bitrateField");
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
    ui::installUi(*engine_, *state_);
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
    test::quiesce(*state_);
    view_.reset();
    engine_.reset();
    viewModel_.reset();
    settings_.reset();
    state_.reset();
    scope_.reset();
  }

  void emptyWindowFitsItsPanesAndBothPlacesOpenTheOnePicker() {
    QCOMPARE(text("countText"), QStringLiteral("0 / 5"));
    QVERIFY(shown("emptyHint") && !shown("fileList") && shown("pickButton"));
    QCOMPARE(text("dropHint"), QStringLiteral("横屏 / 竖屏 / 宽银幕均可"));
    QCOMPARE(find("dropZone")->opacity(), 1.0);
    QVERIFY(shown("normalHeader") && !shown("editHeader") && !shown("savingText") && !shown("chosenFolder"));
    QCOMPARE(text("tipText"), viewModel_->summary()->tipText());
    QCOMPARE(text("countLine"), viewModel_->summary()->countLine());
    QQuickItem* start = find("startButton");
    QVERIFY(!start->isEnabled() && start->opacity() < 1);
    QCOMPARE(find("leftPane")->width(), 980.0 - 318 - 1);
    // Everything in the right pane fits above its bottom padding: the start control ends there.
    QCOMPARE(start->mapToScene(QPointF(0, start->height())).y(), 680.0 - 16);
    // The zone and the button open the one picker.
    QObject* picker = view_->rootObject()->findChild<QObject*>("filePicker");
    QVERIFY(picker);
    QTest::mouseClick(view_.get(), Qt::LeftButton, {}, testing::centreOf(find("dropIcon")));
    QTRY_VERIFY(picker->property("visible").toBool());
    QMetaObject::invokeMethod(picker, "close");
    QTRY_VERIFY(!picker->property("visible").toBool());
    QTest::mouseClick(view_.get(), Qt::LeftButton, {}, testing::centreOf(find("pickButton")));
    QTRY_VERIFY(picker->property("visible").toBool());
    QCOMPARE(view_->rootObject()->findChildren<QObject*>("filePicker").size(), 1);
  }

  void dropsGoToTheListUntilItIsFull() {
    fill(4);
    // Only the last of the three is a movie: it can only arrive if all three were handed over.
    QVERIFY(drop({file("notes.txt"), file("cover.png"), file("holiday.mov")}));
    QCOMPARE(state_->itemCount(), 5);
    QCOMPARE(QString::fromStdString(state_->items().back().url.filename().string()), QStringLiteral("holiday.mov"));
    settle();
    QCOMPARE(text("countText"), QStringLiteral("5 / 5"));
    QCOMPARE(colourOf(find("countText")), ui::Palette::portrait().rgba());
    QCOMPARE(find("dropZone")->opacity(), 0.55);
    QCOMPARE(text("dropHint"), QStringLiteral("已达 5 个上限，先移除再添加"));
    QVERIFY(!shown("pickButton"));
    QVERIFY(shown("notice"));
    QVERIFY2(text("noticeText").contains("notes.txt、cover.png"), qPrintable(text("noticeText")));
    QVERIFY(!drop({file("late.mp4")}));
    QVERIFY2(text("noticeText").contains("上限：late.mp4"), qPrintable(text("noticeText")));
    screenshot("window-skipped-notice");
    click("closeNoticeButton");
    QVERIFY(!shown("notice"));
    QObject* picker = view_->rootObject()->findChild<QObject*>("filePicker");
    QTest::mouseClick(view_.get(), Qt::LeftButton, {}, testing::centreOf(find("dropZone")));
    QVERIFY(!picker->property("visible").toBool());
  }

  void cardsShowEveryStatus() {
    VideoItem loading("/videos/loading.mp4");
    VideoItem ready = test::probedItem("ready.mov", 1920, 1080, 90, 45000000, ItemStatus::ready(), 29.97);
    VideoItem compressing = test::probedItem("portrait.mp4", 1080, 1920, 42, 30000000, ItemStatus::compressing(), 60);
    compressing.progress = 0.0734;
    compressing.etaSeconds = 38;
    VideoItem done = test::probedItem("wide.m4v", 2560, 1080, 75, 120000000, ItemStatus::done(), 24);
    done.actualSize = 20000000;
    done.customSettings = ItemSettings{.shortSide = 720, .bitrateKbps = 3000};
    VideoItem failed("/videos/broken.mov");
    failed.status = ItemStatus::failed("读取失败：文件已损坏");
    state_->setItems({loading, ready, compressing, done, failed});
    settle();
    screenshot("window-statuses");

    QCOMPARE(text(inCard(0, "sizeCaption")), QStringLiteral("读取中"));
    const QString sep = QStringLiteral("\u2009\u00B7\u2009");
    QCOMPARE(text(inCard(1, "metaText")), "01:30" + sep + "1920×1080" + sep + "42.9 MB" + sep + "30 FPS" + sep + "4.0 Mbps");
    QCOMPARE(text(inCard(1, "sizeValue")), QStringLiteral("≈ 55.0 MB"));
    QVERIFY(!inCard(1, "progressBar")->isVisible());
    QVERIFY(inCard(2, "stopButton")->isVisible() && !inCard(2, "sizeCaption")->isVisible());
    QCOMPARE(inCard(2, "thumbnail")->width(), 29.25);
    QVERIFY(!inCard(2, "removeButton")->isEnabled() && inCard(2, "removeButton")->opacity() < 0.5);
    QStringList tagTexts;
    for (QQuickItem* tag : inCard(2, "tags")->childItems())
      if (tag->property("text").isValid()) tagTexts << tag->property("text").toString();
    QCOMPARE(tagTexts, (QStringList{"9:16 竖屏", "60 FPS", "剩 00:38"}));
    QVERIFY(inCard(3, "revealButton")->isVisible() && !inCard(3, "stopButton")->isVisible());
    QCOMPARE(text(inCard(3, "dimsText")), QStringLiteral("1708×720"));  // its own parameters
    QCOMPARE(inCard(3, "progressFill")->width(), inCard(3, "progressBar")->width());

    // A global parameter reaches the cards that follow it.
    settings_->setShortSide(720);
    QCOMPARE(text(inCard(1, "dimsText")), QStringLiteral("1280×720"));
  }

  // The desktop turns dark while the window is open, and light again: what is drawn follows.
  void followsTheColourSchemeLiveAndShowsAFailureWhole() {
    VideoItem failed("/videos/broken.mov");
    const QString message = QStringLiteral("读取失败：文件已损坏或不是视频（Invalid data found when processing input）");
    failed.status = ItemStatus::failed(message.toStdString());
    state_->setItems({test::probedItem("ready.mov", 1920, 1080), failed});
    settle();
    ui::Palette::setScheme(ui::Scheme::dark);
    settle();
    QCOMPARE(colourOf(view_->rootObject()), ui::Palette::windowBackground(ui::Scheme::dark).rgba());
    QCOMPARE(colourOf(inCard(0, "fileName")), ui::Palette::colour(ui::Tone::label, ui::Scheme::dark).rgba());
    QCOMPARE(colourOf(find("card0")), ui::Palette::colour(ui::Tone::controlBackground, ui::Scheme::dark).rgba());
    screenshot("window-dark");

    // The cut caption's whole text on hover; a click opens it selectable.
    QTest::mouseMove(view_.get(), testing::centreOf(inCard(1, "sizeCaption")));
    QQuickItem* caption = inCard(1, "sizeCaption");
    const auto toolTip = [&](const char* property) {
      return QQmlExpression(qmlContext(caption), caption, QStringLiteral("ToolTip.") + property).evaluate();
    };
    QTRY_VERIFY(toolTip("visible").toBool());
    QCOMPARE(toolTip("text").toString(), message);
    screenshot("window-failure-tooltip");
    click(caption);
    QQuickItem* whole = testing::findNamedItem(view_->contentItem(), "failureText");  // popups live in the overlay
    QTRY_VERIFY(whole && whole->isVisible() && whole->hasActiveFocus());
    QCOMPARE(text(whole), message);
    QTest::keyClick(view_.get(), Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(whole->property("selectedText").toString(), message);

    ui::Palette::setScheme(ui::Scheme::light);
    settle();
    QCOMPARE(colourOf(view_->rootObject()), ui::Palette::windowBackground(ui::Scheme::light).rgba());
  }

  void cardButtonsEditRemoveAndReveal() {
    fill(2);
    VideoItem done = test::probedItem("x.mp4", 1280, 720, 10, 1000000, ItemStatus::done());
    done.outputURL = "/videos/x_压缩_1080P.mp4";
    state_->setItems({item(0), item(1), done});
    settle();
    const Uuid first = item(0).id;
    settings_->setBitrateKbps(7000);
    click(inCard(0, "fileName"));
    QCOMPARE(state_->editingID(), std::optional<Uuid>(first));
    QCOMPARE(colourOf(inCard(0, "editButton"), "iconColor"), ui::Palette::primary().rgba());
    QVERIFY(shown("editHeader"));
    QCOMPARE(text("editingFileName"), QStringLiteral("clip0.mp4"));
    click(inCard(0, "editButton"));
    QVERIFY(!state_->editingID());
    QCOMPARE(settings_->bitrateKbps(), 7000);

    QSignalSpy reveal(viewModel_.get(), &ui::WindowViewModel::revealRequested);
    click(inCard(2, "revealButton"));
    QCOMPARE(reveal.size(), 1);
    QCOMPARE(reveal.first().first().toString(), QStringLiteral("/videos/x_压缩_1080P.mp4"));
    QVERIFY(!state_->editingID());  // the button's click is not also the card's
    click(inCard(1, "removeButton"));
    QCOMPARE(state_->itemCount(), 2);
    QCOMPARE(item(0).id, first);
  }

  void fieldSliderFolderRowAndFollowGlobalReachTheSettings() {
    // Typed and not confirmed: already stored, and the summary says so.
    typeBitrate(QStringLiteral("2500"), false);
    QCOMPARE(settings_->bitrateKbps(), 2500);
    QVERIFY2(text("countLine").contains(QStringLiteral("2500")), qPrintable(text("countLine")));
    QVERIFY(find("bitrateField")->hasActiveFocus());
    // The slider has the handle's height, so a pointer can press it.
    QVERIFY(find("bitrateSlider")->height() >= 16);
    typeBitrate(QStringLiteral("4500"));
    QCOMPARE(settings_->bitrateKbps(), 4500);
    QCOMPARE(find("bitrateSlider")->property("value").toDouble(), 4500.0);
    typeBitrate(QString());
    QCOMPARE(settings_->bitrateKbps(), 0);
    typeBitrate(QStringLiteral("12000"));
    typeBitrate(QStringLiteral("3k"));  // refused: the field shows the stored value again
    QCOMPARE(settings_->bitrateKbps(), 12000);
    QCOMPARE(text("bitrateField"), QStringLiteral("12000"));
    // A slider move reaches the settings, and the field still follows after typing.
    QQuickItem* slider = find("bitrateSlider");
    slider->setProperty("value", 7000);
    QMetaObject::invokeMethod(slider, "moved");
    QCOMPARE(settings_->bitrateKbps(), 7000);
    QCOMPARE(text("bitrateField"), QStringLiteral("7000"));

    const std::filesystem::path exports = scope_->makeFolder("Exports");
    QCOMPARE(viewModel_->panel()->outputNote(), QStringLiteral("保存到视频所在文件夹"));
    QVERIFY(state_->chooseOutputFolder(QString::fromStdString(exports.string())));
    settle();
    QVERIFY(viewModel_->panel()->outputNote().isEmpty());
    QVERIFY(shown("chosenFolder") && !shown("pickFolderButton"));
    QCOMPARE(text("outputFolderName"), QStringLiteral("Exports"));
    click("clearFolderButton");
    QVERIFY(shown("pickFolderButton"));
    QVERIFY(!state_->hasOutputFolder());

    fill(1);
    viewModel_->panel()->beginEditing(item(0));
    settle();
    QVERIFY(!shown("followGlobalButton"));
    click("segment_720P");
    QCOMPARE(item(0).customSettings->shortSide, 720);
    QVERIFY(shown("followGlobalButton"));
    click("followGlobalButton");
    QVERIFY(!item(0).customSettings && shown("normalHeader"));
  }

  void startControlGrowsUnderThePointer() {
    fill(1);
    QQuickItem* start = find("startButton");
    QTest::mouseMove(view_.get(), testing::centreOf(start));
    QTRY_COMPARE_WITH_TIMEOUT(start->scale(), 1.015, 2000);
    QCOMPARE(find("startShadow")->property("blur").toDouble(), 14.0);
    QTest::mouseMove(view_.get(), QPoint(5, 5));
    QTRY_COMPARE_WITH_TIMEOUT(start->scale(), 1.0, 2000);
  }

  // Size mode through the panel and the real queue: a file fitted under the typed limit,
  // and one whose own limit is out of its reach failing with the smallest size it can reach.
  void sizeModeReachesTheQueue() {
    for (const char* name : {"fit.mov", "tiny.mov"}) {
      fixtures::MediaOptions options;
      options.width = 480;
      options.height = 360;
      options.seconds = 2;
      options.audioChannels = 2;
      test::bounded([&] { fixtures::writeMedia(scope_->path(name), options); return 0; });
      state_->add(std::vector<std::filesystem::path>{scope_->path(name)});
    }
    test::quiesce(*state_, true);
    state_->setCustom(item(1).id, ItemSettings{.bySize = true, .sizeLimitBytes = 20000});
    settle();
    click("segment_按大小");
    QVERIFY(shown("sizeLimitField") && !shown("bitrateSlider"));
    click("sizeLimitField");
    QTest::keyClick(view_.get(), Qt::Key_A, Qt::ControlModifier);
    for (QChar c : QStringLiteral("0.3")) QTest::keyClick(view_.get(), c.toLatin1());
    QTest::keyClick(view_.get(), Qt::Key_Return);
    settle();
    constexpr std::int64_t limit = 314572;  // 0.3 MB
    QCOMPARE(settings_->snapshot().sizeLimitBytes, limit);
    QCOMPARE(text(inCard(0, "sizeValue")), QStringLiteral("≈ 295 KB"));  // about 96 % of it
    QCOMPARE(text(inCard(1, "sizeCaption")), QStringLiteral("超过上限"));
    screenshot("window-size-mode");

    QSignalSpy finished(state_.get(), &AppState::runFinished);
    click("startButton");
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 60000);
    QVERIFY2(item(0).status.is(ItemStatus::Kind::done), item(0).status.message().c_str());
    QCOMPARE(item(0).sizeLimit, std::optional<std::int64_t>(limit));
    QVERIFY(*item(0).actualSize <= limit);
    QCOMPARE(std::filesystem::file_size(*item(0).outputURL), static_cast<std::uintmax_t>(*item(0).actualSize));
    QVERIFY(item(1).status.is(ItemStatus::Kind::failed));
    QVERIFY2(item(1).status.message().starts_with("无法压缩到 20 KB 以内"), item(1).status.message().c_str());
  }

  // The whole window over the real queue: one file gets its own parameters through the
  // panel, the start control is pressed with the editor still open, the second file is
  // stopped with its card's button, the third with the start control. Waiting cards are
  // locked while the queue runs.
  void queueSessionWithOwnParametersAndStops() {
    for (const char* name : {"a.mov", "b.mov", "c.mov"}) {
      fixtures::MediaOptions options;
      options.width = 480;
      options.height = 360;
      options.seconds = name[0] == 'a' ? 0.5 : 4;
      test::bounded([&] { fixtures::writeMedia(scope_->path(name), options); return 0; });
      state_->add(std::vector<std::filesystem::path>{scope_->path(name)});
    }
    test::quiesce(*state_, true);
    settle();
    QVERIFY(find("startButton")->isEnabled());
    const Uuid a = item(0).id, b = item(1).id, c = item(2).id;
    click(inCard(0, "fileName"));
    click("segment_2K");
    click(QStringLiteral("segment_加黑边 16:9"));

    bool editorClosedAtStart = false, stoppedB = false, stoppedAll = false;
    QString detailWhileRunning;
    QObject watching;  // the watchers below end with this test
    connect(state_.get(), &AppState::isRunningChanged, &watching, [&] {
      if (state_->isRunning()) editorClosedAtStart = !state_->editingID() && settings_->snapshot() == ItemSettings{};
    });
    connect(state_->itemsModel(), &QAbstractItemModel::dataChanged, &watching, [&] {
      if (!stoppedB && state_->find(b)->status.is(ItemStatus::Kind::compressing)) {
        stoppedB = true;  // bindings follow at once; no frame is needed to read them
        detailWhileRunning = text("countLine");
        QVERIFY(shown("startRedFill"));
        QCOMPARE(text("startTitle"), QStringLiteral("取消压缩"));
        QVERIFY(!inCard(2, "editButton")->isEnabled() && !inCard(2, "removeButton")->isEnabled());
        QCOMPARE(inCard(2, "editButton")->opacity(), 0.3);
        QTest::mouseClick(view_.get(), Qt::LeftButton, {}, testing::centreOf(inCard(2, "fileName")));
        QTest::mouseClick(view_.get(), Qt::LeftButton, {}, testing::centreOf(inCard(2, "removeButton")));
        QVERIFY(!state_->editingID() && state_->itemCount() == 3);
        // A file dropped now waits for the run's end, and the notice says so.
        QVERIFY(drop({file("late.mov")}));
        QVERIFY(shown("notice"));
        click(inCard(1, "stopButton"));
      } else if (!stoppedAll && state_->find(c)->status.is(ItemStatus::Kind::compressing)) {
        stoppedAll = true;
        click("startButton");
      }
    });
    QSignalSpy finished(state_.get(), &AppState::runFinished);
    click("startButton");
    QVERIFY(editorClosedAtStart);
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 60000);
    settle();

    QCOMPARE(detailWhileRunning, QStringLiteral("共 3 个文件 · 已完成 1/3  ·  含单独设置的条目"));
    QVERIFY(state_->find(a)->status.is(ItemStatus::Kind::done));
    QCOMPARE(ItemListModel::statusKey(state_->find(b)->status), QStringLiteral("ready"));
    QCOMPARE(ItemListModel::statusKey(state_->find(c)->status), QStringLiteral("ready"));
    QCOMPARE(text("startTitle"), QStringLiteral("开始压缩"));
    QVERIFY(inCard(2, "editButton")->isEnabled() && inCard(2, "removeButton")->isEnabled());
    QCOMPARE(state_->itemCount(), 4);  // the late file, added once the run ended
    QVERIFY(!shown("notice"));
    // a's own parameters put it on a 16:9 canvas held at its 360 lines.
    const std::filesystem::path outA = *state_->find(a)->outputURL;
    QCOMPARE(QString::fromStdString(outA.filename().string()), QStringLiteral("a_压缩_2K.mp4"));
    const auto facts = fixtures::readFacts(outA);
    QVERIFY(facts.video);
    QCOMPARE(facts.video->width, 640);
    QCOMPARE(facts.video->height, 360);
    QCOMPARE(settings_->snapshot(), ItemSettings{});
  }
};

QTEST_MAIN(WindowTest)
#include "window_uitest.moc"
