#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <QString>

#include "ui/palette.h"

namespace kivotra::shell {

// The desktop's colour preference from the XDG desktop portal's settings
// (org.freedesktop.appearance color-scheme: 0 none, 1 prefer dark, 2 prefer
// light), read at start and followed while the window is open. Without a
// portal the palette stays light.
class ColorSchemeWatcher : public QObject {
  Q_OBJECT
 public:
  explicit ColorSchemeWatcher(QDBusConnection bus = QDBusConnection::sessionBus(),
                              QString service = QStringLiteral("org.freedesktop.portal.Desktop"),
                              QObject* parent = nullptr);

  // Asks the portal once (waiting at most a second, before the window is made)
  // and sets the palette's scheme.
  void start();

  static ui::Scheme schemeFor(uint colorScheme) { return colorScheme == 1 ? ui::Scheme::dark : ui::Scheme::light; }

 private slots:
  void settingChanged(const QDBusMessage& message);

 private:
  QDBusConnection bus_;
  QString service_;
};

}  // namespace kivotra::shell
