#include "shell/app_delegate.h"

#include <QGuiApplication>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QScreen>
#include <QUrl>

#include "shell/desktop_ops.h"
#include "ui/window_view_model.h"

namespace kivotra::shell {

AppDelegate::AppDelegate(QQmlEngine& engine, ui::WindowViewModel& viewModel, QObject* parent)
    : QObject(parent), engine_(engine), viewModel_(&viewModel) {}

QString AppDelegate::websiteHost() const { return shell::websiteHost(); }

void AppDelegate::openWebsite() { shell::openWebsite(); }

void AppDelegate::showAbout() {
  if (about_ && about_->isVisible()) {
    about_->raise();
    about_->requestActivate();
    return;
  }
  if (about_) about_->deleteLater();

  QQmlComponent component(&engine_, QUrl(QStringLiteral("qrc:/qt/qml/Kivotra/Shell/qml/AboutWindow.qml")));
  QObject* object = component.createWithInitialProperties({{QStringLiteral("delegate"), QVariant::fromValue(this)}});
  auto* window = qobject_cast<QQuickWindow*>(object);
  if (!window) {
    qWarning("About window: %s", qPrintable(component.errorString()));
    delete object;
    return;
  }
  static_cast<QObject*>(window)->setParent(this);  // owned by the delegate, not a child window
  if (QScreen* screen = main_ ? main_->screen() : QGuiApplication::primaryScreen()) {
    const QRect area = screen->availableGeometry();
    window->setPosition(area.center() - QPoint(window->width() / 2, window->height() / 2));
  }
  window->show();
  window->raise();
  window->requestActivate();
  about_ = window;
}

void AppDelegate::openFiles(const QStringList& paths) {
  if (viewModel_) viewModel_->addPaths(paths);
  if (main_) {
    if (main_->visibility() == QWindow::Minimized) main_->showNormal();
    main_->raise();
    main_->requestActivate();
  }
}

}  // namespace kivotra::shell
