#pragma once

#include <QObject>
#include <QPointer>
#include <QQuickWindow>
#include <QStringList>

class QQmlEngine;

namespace kivotra::ui {
class WindowViewModel;
}

namespace kivotra::shell {

// The menus' targets and the receiver of files opened through the system.
class AppDelegate : public QObject {
  Q_OBJECT
  Q_PROPERTY(QString websiteHost READ websiteHost CONSTANT)

 public:
  AppDelegate(QQmlEngine& engine, ui::WindowViewModel& viewModel, QObject* parent = nullptr);

  QString websiteHost() const;

  // Brings the About window forward while it is open, else builds a new one.
  Q_INVOKABLE void showAbout();
  Q_INVOKABLE void openWebsite();
  // Files from the command line or a later launch: the window model takes them in
  // (or keeps them until the run ends) and the window comes to the front.
  Q_INVOKABLE void openFiles(const QStringList& paths);

  QQuickWindow* aboutWindow() const { return about_; }
  void setMainWindow(QQuickWindow* window) { main_ = window; }

 private:
  QQmlEngine& engine_;
  QPointer<ui::WindowViewModel> viewModel_;
  QPointer<QQuickWindow> about_;
  QPointer<QQuickWindow> main_;
};

}  // namespace kivotra::shell
