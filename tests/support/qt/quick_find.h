#pragma once

#include <QDir>
#include <QQuickItem>
#include <QQuickWindow>
#include <QString>

namespace kivotra::testing {

// The first item below root with this objectName. List delegates are visual
// children only, so the search follows childItems, not the object tree.
inline QQuickItem* findQuickItem(QQuickItem* root, const QString& name) {
  if (!root) return nullptr;
  for (QQuickItem* child : root->childItems()) {
    if (child->objectName() == name) return child;
    if (QQuickItem* found = findQuickItem(child, name)) return found;
  }
  return nullptr;
}

// The same, warning when it is missing so a failing check names the item.
inline QQuickItem* findNamedItem(QQuickItem* root, const QString& name) {
  QQuickItem* item = findQuickItem(root, name);
  if (!item) qWarning("no item %s", qPrintable(name));
  return item;
}

inline QPoint centreOf(QQuickItem* item) {
  return item->mapToScene(QPointF(item->width() / 2, item->height() / 2)).toPoint();
}

#ifdef KIVOTRA_SCREENSHOT_DIR
inline bool saveScreenshot(QQuickWindow& window, const QString& name) {
  QDir().mkpath(QStringLiteral(KIVOTRA_SCREENSHOT_DIR));
  return window.grabWindow().save(QStringLiteral(KIVOTRA_SCREENSHOT_DIR "/%1.png").arg(name));
}
#endif

}  // namespace kivotra::testing
