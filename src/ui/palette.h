#pragma once

#include <QColor>
#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

namespace kivotra::ui {

// The window's colours ("Colors" in QML; QtQuick already has a Palette type):
// the product's accents and a light desktop palette for labels, separators
// and backgrounds.
class Palette : public QObject {
  Q_OBJECT
  QML_NAMED_ELEMENT(Colors)
  QML_SINGLETON
  Q_PROPERTY(QColor deep READ deep CONSTANT)
  Q_PROPERTY(QColor primary READ primary CONSTANT)
  Q_PROPERTY(QColor light READ light CONSTANT)
  Q_PROPERTY(QColor soft READ soft CONSTANT)
  Q_PROPERTY(QColor portrait READ portrait CONSTANT)
  Q_PROPERTY(QColor wide READ wide CONSTANT)
  Q_PROPERTY(QColor label READ label CONSTANT)
  Q_PROPERTY(QColor secondaryLabel READ secondaryLabel CONSTANT)
  Q_PROPERTY(QColor tertiaryLabel READ tertiaryLabel CONSTANT)
  Q_PROPERTY(QColor quaternaryLabel READ quaternaryLabel CONSTANT)
  Q_PROPERTY(QColor separator READ separator CONSTANT)
  Q_PROPERTY(QColor windowBackground READ windowBackground CONSTANT)
  Q_PROPERTY(QColor controlBackground READ controlBackground CONSTANT)
  Q_PROPERTY(QColor textBackground READ textBackground CONSTANT)
  Q_PROPERTY(QColor danger READ danger CONSTANT)
  Q_PROPERTY(QColor stopRed READ stopRed CONSTANT)

 public:
  using QObject::QObject;

  static QColor deep();
  static QColor primary();
  static QColor light();
  static QColor soft();
  static QColor portrait();
  static QColor wide();
  static QColor label() { return QColor::fromRgbF(0, 0, 0, 0.85f); }
  static QColor secondaryLabel() { return QColor::fromRgbF(0, 0, 0, 0.5f); }
  static QColor tertiaryLabel() { return QColor::fromRgbF(0, 0, 0, 0.26f); }
  static QColor quaternaryLabel() { return QColor::fromRgbF(0, 0, 0, 0.1f); }
  static QColor separator() { return QColor::fromRgbF(0, 0, 0, 0.1f); }
  static QColor windowBackground() { return QColor(0xEC, 0xEC, 0xEC); }
  static QColor controlBackground() { return Qt::white; }
  static QColor textBackground() { return Qt::white; }
  static QColor danger() { return QColor(0xFF, 0x3B, 0x30); }
  // The running start control's fill.
  static QColor stopRed() { return QColor::fromRgbF(0.85f, 0.25f, 0.3f); }

  // color with its alpha multiplied by opacity.
  Q_INVOKABLE static QColor alpha(const QColor& color, double opacity);
  // Image source of one of our icons drawn in color, or in the accent gradient.
  Q_INVOKABLE static QString icon(const QString& name, const QColor& color);
  Q_INVOKABLE static QString gradientIcon(const QString& name);
};

}  // namespace kivotra::ui
