#pragma once

#include <QQuickImageProvider>

namespace kivotra::ui {

// Draws our SVG icons in any colour: "image://kivotra-icon/<name>/<aarrggbb>"
// or "image://kivotra-icon/<name>/gradient" for the accent gradient. The SVGs
// paint with currentColor, which is replaced before rendering.
class IconProvider : public QQuickImageProvider {
 public:
  static constexpr const char* kId = "kivotra-icon";
  IconProvider() : QQuickImageProvider(QQuickImageProvider::Image) {}
  QImage requestImage(const QString& id, QSize* size, const QSize& requestedSize) override;
};

// The SVG source of a named icon, or empty when there is none.
QByteArray iconSvg(const QString& name);

}  // namespace kivotra::ui
