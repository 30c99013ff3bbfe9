// The window on an English desktop (LANG=en_US.UTF-8, set by the test's environment):
// the main window with a file in every status, its menus, dialogs and the About
// window show no Chinese outside file names.
#include <QQmlApplicationEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QRegularExpression>
#include <QtQuickTest/quicktest.h>
#include <QtTest>

#include "models/errors.h"
#include "shell/app_delegate.h"
#include "state/language.h"
#include "support/qt/quick_find.h"
#include "ui/ui_engine.h"
#include "ui/ui_fixture.h"
#include "ui/window_view_model.h"

using namespace kivotra;

namespace {

// Every object below root, through both the object tree (menus, actions, dialogs)
// and the visual tree (list delegates are visual children only).
void collect(QObject* root, QSet<QObject*>& seen) {
  if (!root || seen.contains(root)) return;
  seen.insert(root);
  for (QObject* child : root->children()) collect(child, seen);
  if (auto* item = qobject_cast<QQuickItem*>(root)) {
    for (QQuickItem* child : item->childItems()) collect(child, seen);
  }
  if (auto* window = qobject_cast<QQuickWindow*>(root)) collect(window->contentItem(), seen);
}

// "Class.property: text" for each shown text with Chinese left once file names are taken out.
QStringList chineseTexts(QObject* root, const QStringList& fileNames) {
  static const QRegularExpression cjk(QStringLiteral("[\\x{3000}-\\x{303f}\\x{3400}-\\x{9fff}\\x{ff00}-\\x{ffef}]"));
  QSet<QObject*> objects;
  collect(root, objects);
  QStringList found;
  for (QObject* object : objects) {
    const QMetaObject* meta = object->metaObject();
    for (int i = 0; i < meta->propertyCount(); ++i) {
      const QMetaProperty property = meta->property(i);
      if (qstrcmp(property.name(), "objectName") == 0 || property.metaType().id() != QMetaType::QString) continue;
      QString text = property.read(object).toString();
      for (const QString& name : fileNames) text.remove(name);
      if (text.contains(cjk)) found << QStringLiteral("%1.%2: %3").arg(meta->className(), property.name(), text);
    }
  }
  return found;
}

}  // namespace

class EnglishWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { QCOMPARE(installTranslation(*qApp), UiLanguage::english); }

  void windowMenusDialogsAndAboutSpeakEnglish() {
    test::Scope scope;
    QVERIFY(scope.valid());
    AppState state(scope.settings());
    CompressionSettings settings;
    ui::WindowViewModel viewModel(state, settings);
    QQmlApplicationEngine engine;
    ui::installUi(engine, state);
    shell::AppDelegate delegate(engine, viewModel);

    // Chinese file names stay as they are; so does the output name's "_压缩_".
    VideoItem loading("/videos/读取.mp4");
    VideoItem ready = test::probedItem("假期.mov", 1920, 1080, 90, 45000000);
    VideoItem compressing = test::probedItem("portrait.mp4", 1080, 1920, 42, 30000000, ItemStatus::compressing(), 60);
    compressing.progress = 0.42;
    compressing.etaSeconds = 38;
    VideoItem done = test::probedItem("wide.m4v", 2560, 1080, 75, 120000000, ItemStatus::done(), 24);
    done.actualSize = 20000000;
    done.outputURL = "/videos/wide_压缩_720P.mp4";
    done.customSettings = ItemSettings{.shortSide = 720, .bitrateKbps = 3000};
    VideoItem failed("/videos/broken.mov");
    failed.status = ItemStatus::failed(PlatformError(PlatformError::Cause::damaged, "").description());
    state.setItems({loading, ready, compressing, done, failed});
    const QStringList fileNames{"读取.mp4", "假期.mov", "wide_压缩_720P.mp4"};

    engine.setInitialProperties({{"viewModel", QVariant::fromValue(&viewModel)},
                                 {"delegate", QVariant::fromValue(&delegate)}});
    engine.load(QUrl("qrc:/qt/qml/Kivotra/Shell/qml/MainWindow.qml"));
    QCOMPARE(engine.rootObjects().size(), 1);
    auto* window = qobject_cast<QQuickWindow*>(engine.rootObjects().constFirst());
    QVERIFY(window);
    delegate.setMainWindow(window);
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QVERIFY(QQuickTest::qWaitForPolish(window));
    QVERIFY(testing::saveScreenshot(*window, QStringLiteral("window-english")));
    // The texts are really there, in English, and the longer English texts do not push the
    // right pane out of the window.
    QCOMPARE(testing::findNamedItem(window->contentItem(), "startTitle")->property("text").toString(),
             QStringLiteral("Compress"));
    QQuickItem* start = testing::findNamedItem(window->contentItem(), "startButton");
    QVERIFY(start->mapToScene(QPointF(start->width(), 0)).x() <= window->width());

    QStringList found = chineseTexts(window, fileNames);
    QMetaObject::invokeMethod(window->findChild<QObject*>("aboutAction"), "trigger");
    QVERIFY(delegate.aboutWindow());
    found << chineseTexts(delegate.aboutWindow(), {});
    QVERIFY2(found.isEmpty(), qPrintable(found.join('\n')));
    delegate.aboutWindow()->close();
    test::quiesce(state);
  }
};

QTEST_MAIN(EnglishWindowTest)
#include "english_uitest.moc"
