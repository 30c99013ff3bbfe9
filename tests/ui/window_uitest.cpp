// The main window's views, offscreen, over a real AppState and CompressionSettings.
#include <QFile>
#include <QMimeData>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickView>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtQuickTest/quicktest.h>
#include <QtTest>

#include "support/qt/quick_find.h"
#include "ui_fixture.h"
#include "state/app_state.h"
#include "state/compression_settings.h"
#include "ui/palette.h"
#include "ui/ui_engine.h"
#include "ui/window_view_model.h"

using namespace kivotra;

namespace {

RgbaBitmap sampleCover(int w, int h) {
  RgbaBitmap bitmap{w, h, std::vector<std::uint8_t>(static_cast<std::size_t>(w) * h * 4)};
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      std::uint8_t* p = &bitmap.pixels[(static_cast<std::size_t>(y) * w + x) * 4];
      p[0] = static_cast<std::uint8_t>(40 + 180 * x / w);
      p[1] = static_cast<std::uint8_t>(90 + 100 * y / h);
      p[2] = static_cast<std::uint8_t>(200 - 120 * x / w);
      p[3] = 255;
    }
  }
  return bitmap;
}

VideoItem sampleItem(const QString& path, int w, int h, double duration, std::int64_t bytes, double fps,
                     ItemStatus status) {
  VideoItem item = test::probedItem(path.toStdString(), w, h, duration, bytes, std::move(status), fps);
  if (w > 0) item.thumbnail = sampleCover(w >= h ? 320 : 180 * w / h * 16 / 9, w >= h ? 320 * h / w : 320);
  return item;
}

}  // namespace

class WindowTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;
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
  QString text(QQuickItem* item) const { return item ? item->property("text").toString() : QString(); }

  // A real (empty) file, so AppState takes it in by its name.
  QUrl file(const QString& name) const {
    const QString path = dir_.filePath(name);
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    return QUrl::fromLocalFile(path);
  }

  // Lays the window out anew, so positions read afterwards are those on screen.
  void settle() { QVERIFY(QQuickTest::qWaitForPolish(view_.get())); }

  void setItems(std::vector<VideoItem> items) {
    state_->setItems(std::move(items));
    settle();
  }

  void fill(int count) {
    std::vector<VideoItem> items;
    for (int i = 0; i < count; ++i) {
      items.push_back(sampleItem(dir_.filePath(QStringLiteral("clip%1.mp4").arg(i)), 1920, 1080, 60 + i, 80000000,
                                 30, ItemStatus::ready()));
    }
    setItems(std::move(items));
  }

  // Drags urls onto the drop zone and drops them; whether the drop was accepted.
  bool drop(const QList<QUrl>& urls) {
    QMimeData mime;
    mime.setUrls(urls);
    const QPoint at = testing::centreOf(find("dropZone"));
    QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(view_.get(), &enter);
    QDragMoveEvent move(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(view_.get(), &move);
    QDropEvent dropped(QPointF(at), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(view_.get(), &dropped);
    return dropped.isAccepted();
  }

  void screenshot(const QString& name) { QVERIFY(testing::saveScreenshot(*view_, name)); }

 private slots:
  void initTestCase() { ui::useWindowFont(); }

  void init() {
    QVERIFY(dir_.isValid());
    state_ = std::make_unique<AppState>(
        std::make_unique<QSettings>(dir_.filePath("settings.ini"), QSettings::IniFormat));
    settings_ = std::make_unique<CompressionSettings>();
    viewModel_ = std::make_unique<ui::WindowViewModel>(*state_, *settings_);
    engine_ = std::make_unique<QQmlEngine>();
    ui::installUi(*engine_, *state_);
    view_ = std::make_unique<QQuickView>(engine_.get(), nullptr);
    view_->setInitialProperties({{"viewModel", QVariant::fromValue(viewModel_.get())}});
    view_->setSource(QUrl("qrc:/qt/qml/Kivotra/Ui/qml/ContentView.qml"));
    QVERIFY2(view_->status() == QQuickView::Ready, qPrintable(view_->errors().isEmpty() ? QString() : view_->errors().first().toString()));
    view_->resize(980, 680);
    view_->show();
    QVERIFY(QTest::qWaitForWindowExposed(view_.get()));
  }

  void cleanup() {
    view_.reset();
    engine_.reset();
    viewModel_.reset();
    settings_.reset();
    state_.reset();
  }

  void emptyListShowsHintAndZeroCount() {
    QCOMPARE(text(find("countText")), QStringLiteral("0 / 5"));
    QCOMPARE(find("countText")->property("color").value<QColor>().rgba(), ui::Palette::tertiaryLabel().rgba());
    QVERIFY(find("emptyHint")->isVisible());
    QVERIFY(!find("fileList")->isVisible());
    QVERIFY(find("pickButton")->isVisible());
    QCOMPARE(text(find("dropHint")), QStringLiteral("横屏 / 竖屏 / 宽银幕均可"));
    QCOMPARE(find("dropZone")->opacity(), 1.0);
    screenshot("window-empty");
  }

  void layoutHasFixedPanes() {
    QCOMPARE(find("rightPaneFrame")->width(), 318.0);
    QCOMPARE(find("separator")->width(), 1.0);
    QCOMPARE(find("leftPane")->width(), 980.0 - 318 - 1);
    QCOMPARE(find("dropZone")->height(), 164.0);
    QCOMPARE(find("dropZone")->width(), 980.0 - 318 - 1 - 36);
  }

  void dropOnFourItemsHandsOverEveryUrl() {
    fill(4);
    QCOMPARE(text(find("countText")), QStringLiteral("4 / 5"));
    // Only the last of the three is a movie: it can only arrive if all three were handed over.
    QVERIFY(drop({file("notes.txt"), file("cover.png"), file("holiday.mov")}));
    QCOMPARE(state_->itemCount(), 5);
    QCOMPARE(QString::fromStdString(state_->items().back().url.filename().string()), QStringLiteral("holiday.mov"));
    QCOMPARE(text(find("countText")), QStringLiteral("5 / 5"));
  }

  void dropOfThreeIntoRoomForThreeAddsAll() {
    fill(2);
    QVERIFY(drop({file("a.mp4"), file("b.MOV"), file("c.m4v")}));
    QCOMPARE(state_->itemCount(), 5);
  }

  void fullListRefusesDropAndHidesPicker() {
    fill(5);
    QCOMPARE(text(find("countText")), QStringLiteral("5 / 5"));
    QCOMPARE(find("countText")->property("color").value<QColor>().rgba(), ui::Palette::portrait().rgba());
    QCOMPARE(find("dropZone")->opacity(), 0.55);
    QCOMPARE(text(find("dropHint")), QStringLiteral("已达 5 个上限，先移除再添加"));
    QVERIFY(!find("pickButton")->isVisible());

    QVERIFY(!drop({file("late.mp4")}));
    QCOMPARE(state_->itemCount(), 5);

    QTest::mouseClick(view_.get(), Qt::LeftButton, {}, testing::centreOf(find("dropZone")));
    QObject* picker = view_->rootObject()->findChild<QObject*>("filePicker");
    QVERIFY(picker);
    QVERIFY(!picker->property("visible").toBool());
  }

  void zoneClickOpensTheOnePicker() {
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

  void cardsShowEveryStatus() {
    VideoItem loading(dir_.filePath("loading.mp4").toStdString());
    VideoItem ready = sampleItem(dir_.filePath("ready.mov"), 1920, 1080, 90, 45000000, 29.97, ItemStatus::ready());
    VideoItem compressing =
        sampleItem(dir_.filePath("portrait.mp4"), 1080, 1920, 42, 30000000, 60, ItemStatus::compressing());
    compressing.progress = 0.0734;
    compressing.etaSeconds = 38;
    VideoItem done = sampleItem(dir_.filePath("wide.m4v"), 2560, 1080, 75, 120000000, 24, ItemStatus::done());
    done.actualSize = 20000000;
    done.outputURL = dir_.filePath("wide_压缩_1080P.mp4").toStdString();
    done.customSettings = ItemSettings{.shortSide = 720, .bitrateKbps = 3000};
    VideoItem failed = sampleItem(dir_.filePath("broken.mov"), 0, 0, 0, 0, 0, ItemStatus::failed("读取失败：文件已损坏或格式不受支持"));
    setItems({loading, ready, compressing, done, failed});

    QCOMPARE(text(inCard(0, "metaText")), QStringLiteral("读取中…"));
    QCOMPARE(text(inCard(0, "dimsText")), QStringLiteral("—"));
    QCOMPARE(text(inCard(0, "sizeValue")), QStringLiteral("—"));
    QCOMPARE(text(inCard(0, "sizeCaption")), QStringLiteral("读取中"));

    const QString sep = QStringLiteral("\u2009\u00B7\u2009");
    QCOMPARE(text(inCard(1, "metaText")), "01:30" + sep + "1920×1080" + sep + "42.9 MB" + sep + "30 FPS" + sep + "4.0 Mbps");
    QCOMPARE(text(inCard(1, "dimsText")), QStringLiteral("1920×1080"));
    QVERIFY(text(inCard(1, "sizeValue")).startsWith(QStringLiteral("≈ ")));
    QCOMPARE(text(inCard(1, "sizeCaption")), QStringLiteral("预估"));
    QCOMPARE(inCard(1, "thumbnail")->width(), 84.0);
    QVERIFY(!inCard(1, "progressBar")->isVisible());

    QCOMPARE(text(inCard(2, "sizeValue")), QStringLiteral("7.3%"));
    QVERIFY(inCard(2, "stopButton")->isVisible());
    QVERIFY(!inCard(2, "sizeCaption")->isVisible());
    QVERIFY(inCard(2, "progressBar")->isVisible());
    QCOMPARE(inCard(2, "thumbnail")->width(), 29.25);
    QCOMPARE(inCard(2, "removeButton")->opacity(), 0.25);
    QVERIFY(!inCard(2, "removeButton")->isEnabled());

    QCOMPARE(text(inCard(3, "sizeValue")), QStringLiteral("19.1 MB"));
    QVERIFY(inCard(3, "revealButton")->isVisible());
    QVERIFY(!inCard(3, "stopButton")->isVisible());
    QCOMPARE(text(inCard(3, "dimsText")), QStringLiteral("1708×720"));
    QCOMPARE(inCard(3, "progressFill")->width(), inCard(3, "progressBar")->width());

    QCOMPARE(text(inCard(4, "sizeValue")), QStringLiteral("失败"));
    QCOMPARE(text(inCard(4, "sizeCaption")), QStringLiteral("读取失败：文件已损坏或格式不受支持"));

    QStringList tagTexts;
    for (QQuickItem* tag : inCard(2, "tags")->childItems()) {
      if (tag->property("text").isValid()) tagTexts << tag->property("text").toString();
    }
    QCOMPARE(tagTexts, (QStringList{"9:16 竖屏", "60 FPS", "剩 00:38"}));
    screenshot("window-statuses");
  }

  void waitingCardsAreLockedWhileTheQueueRuns() {
    std::vector<VideoItem> items;
    for (const char* name : {"first.mp4", "second.mov"}) {
      items.push_back(sampleItem(file(name).toLocalFile(), 1280, 720, 5, 2000000, 30, ItemStatus::ready()));
    }
    setItems(std::move(items));
    QVERIFY(inCard(1, "editButton")->isEnabled());
    QCOMPARE(inCard(1, "editButton")->opacity(), 1.0);

    QSignalSpy finished(state_.get(), &AppState::runFinished);
    state_->startCompressing(settings_->snapshot());
    QVERIFY(state_->isRunning());
    // Checked before the event loop turns: the run's own updates are still queued.
    for (int row : {0, 1}) {
      QVERIFY(!inCard(row, "editButton")->isEnabled());
      QCOMPARE(inCard(row, "editButton")->opacity(), 0.3);
      QVERIFY(!inCard(row, "removeButton")->isEnabled());
      QCOMPARE(inCard(row, "removeButton")->opacity(), 0.85);
    }
    QTest::mouseClick(view_.get(), Qt::LeftButton, {}, testing::centreOf(inCard(1, "fileName")));
    QTest::mouseClick(view_.get(), Qt::LeftButton, {}, testing::centreOf(inCard(1, "removeButton")));
    QVERIFY(!state_->editingID());
    QCOMPARE(state_->itemCount(), 2);

    // These files are empty, so each fails at once and the run ends by itself,
    // possibly already while the clicks above turned the event loop.
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 20000);
    settle();
    QVERIFY(inCard(1, "editButton")->isEnabled());
    QVERIFY(inCard(1, "removeButton")->isEnabled());
  }

  void revealAsksForTheOutputFile() {
    VideoItem done = sampleItem(dir_.filePath("x.mp4"), 1280, 720, 10, 1000000, 30, ItemStatus::done());
    done.outputURL = dir_.filePath("x_压缩_1080P.mp4").toStdString();
    setItems({done});
    QSignalSpy reveal(viewModel_.get(), &ui::WindowViewModel::revealRequested);
    QTest::mouseClick(view_.get(), Qt::LeftButton, {}, testing::centreOf(inCard(0, "revealButton")));
    QCOMPARE(reveal.size(), 1);
    QCOMPARE(reveal.first().first().toString(), dir_.filePath("x_压缩_1080P.mp4"));
    QVERIFY(!state_->editingID());  // the button's click is not also the card's
  }

  void cardClickTogglesEditingAndRemoveRemoves() {
    fill(2);
    const Uuid first = state_->items()[0].id;
    settings_->setBitrateKbps(7000);
    QTest::mouseClick(view_.get(), Qt::LeftButton, {}, testing::centreOf(inCard(0, "fileName")));
    QCOMPARE(state_->editingID(), std::optional<Uuid>(first));
    QCOMPARE(inCard(0, "editButton")->property("iconColor").value<QColor>().rgba(), ui::Palette::primary().rgba());
    screenshot("window-editing");
    QTest::mouseClick(view_.get(), Qt::LeftButton, {}, testing::centreOf(inCard(0, "editButton")));
    QVERIFY(!state_->editingID());
    QCOMPARE(settings_->bitrateKbps(), 7000);

    QTest::mouseClick(view_.get(), Qt::LeftButton, {}, testing::centreOf(inCard(1, "removeButton")));
    QCOMPARE(state_->itemCount(), 1);
    QCOMPARE(state_->items()[0].id, first);
  }
};

QTEST_MAIN(WindowTest)
#include "window_uitest.moc"
