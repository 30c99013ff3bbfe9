#pragma once

#include <QQuickItem>
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

}  // namespace kivotra::testing
