#include "shell/window_application.h"

#include <csignal>
#include <cstdlib>

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QIcon>
#include <QPointer>
#include <QQmlApplicationEngine>
#include <QQuickStyle>
#include <QQuickWindow>

#include "shell/app_delegate.h"
#include "shell/color_scheme.h"
#include "shell/desktop_ops.h"
#include "shell/queue_notifier.h"
#include "shell/native_dialogs.h"
#include "shell/single_instance.h"
#include "state/app_state.h"
#include "state/compression_settings.h"
#include "state/language.h"
#include "state/stop_signals.h"
#include "state/path_text.h"
#include "ui/ui_engine.h"
#include "ui/window_view_model.h"

namespace kivotra {

namespace {

// Byte for byte: QFileInfo would put U+FFFD into a name that is not UTF-8.
QStringList absolutePaths(const QStringList& files) {
  QStringList paths;
  for (const QString& file : files) {
    std::error_code ec;
    const std::filesystem::path path = pathFromText(file);
    const std::filesystem::path absolute = std::filesystem::absolute(path, ec);
    paths.append(pathText(ec ? path : absolute.lexically_normal()));
  }
  return paths;
}

}  // namespace

int runWindowApplication(int argc, char** argv, const QStringList& files) {
  QGuiApplication::setOrganizationName(QStringLiteral("Kivotra"));
  QGuiApplication::setApplicationName(QStringLiteral("KivotraMP4"));
  // The installed desktop entry (and AppStream id): lets Wayland shells match the window to it.
  QGuiApplication::setDesktopFileName(QStringLiteral("com.example.kivotra"));
  // The desktop's own file and folder dialogs where Qt would not pick them by itself.
  if (const QString theme = shell::platformThemeFor(std::getenv); !theme.isEmpty())
    qputenv("QT_QPA_PLATFORMTHEME", theme.toLatin1());
  QGuiApplication app(argc, argv);
  // Qt's own texts (dialog buttons, context menus) in the language the product speaks.
  if (installTranslation(app) == UiLanguage::chinese) shell::installQtChinese(app);

  // Relative paths mean the folder this launch was started in, not the running window's.
  const QStringList paths = absolutePaths(files);
  shell::SingleInstance instance;
  if (instance.handOver(paths)) return 0;
  instance.listen();

  QGuiApplication::setWindowIcon(QIcon(QStringLiteral(":/kivotra/icons/app-icon.svg")));
  ui::useWindowFont();
  QQuickStyle::setStyle(QStringLiteral("Fusion"));

  // Light or dark as the desktop prefers, also when that changes later.
  shell::ColorSchemeWatcher colorScheme;
  colorScheme.start();

  AppState& state = AppState::shared();
  CompressionSettings settings;
  ui::WindowViewModel viewModel(state, settings);

  QQmlApplicationEngine engine;
  ui::installUi(engine, state);
  shell::AppDelegate delegate(engine, viewModel);

  // A logout (SIGHUP), a kill (SIGTERM) or Ctrl-C in the launching terminal
  // stops the run without asking, so no part file is left, and then ends.
  StopSignals stopSignals({SIGINT, SIGTERM, SIGHUP});
  QObject::connect(&stopSignals, &StopSignals::received, &viewModel, [&viewModel] { viewModel.stopAndQuit(); });
  QObject::connect(&viewModel, &ui::WindowViewModel::quitRequested, &app, [] {
    if (const int signal = StopSignals::first()) QCoreApplication::exit(StopSignals::exitStatusFor(signal));
  });

  QObject::connect(&viewModel, &ui::WindowViewModel::revealRequested, &viewModel,
                   [](const QString& path) { shell::revealFile(path); });
  QObject::connect(&instance, &shell::SingleInstance::filesReceived, &delegate, &shell::AppDelegate::openFiles);
  instance.setListedFiles([&state] {
    QStringList listed;
    for (const VideoItem& item : state.items()) listed.append(pathText(item.url));
    return listed;
  });

  engine.setInitialProperties({{QStringLiteral("viewModel"), QVariant::fromValue(&viewModel)},
                               {QStringLiteral("delegate"), QVariant::fromValue(&delegate)}});
  engine.load(QUrl(QStringLiteral("qrc:/qt/qml/Kivotra/Shell/qml/MainWindow.qml")));
  if (engine.rootObjects().isEmpty()) return 1;
  auto* window = qobject_cast<QQuickWindow*>(engine.rootObjects().constFirst());
  delegate.setMainWindow(window);

  // The dock's progress, and a notification when a run ends while the user is elsewhere.
  shell::QueueNotifier notifier(state, QGuiApplication::desktopFileName(),
                                [window = QPointer<QQuickWindow>(window)] { return window && window->isActive(); });
  QObject::connect(&notifier, &shell::QueueNotifier::openFolderRequested, &notifier,
                   [](const QString& path) { shell::revealFile(path); });

  if (!paths.isEmpty()) delegate.openFiles(paths);
  return app.exec();
}

}  // namespace kivotra
