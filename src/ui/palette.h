#pragma once

#include <QColor>
#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

#include "ui/card_rules.h"
#include "ui/theme.h"

namespace kivotra::ui {

// The one conversion of the product's colours to Qt's.
QColor toQColor(const Theme::Colour& colour, double opacity = 1);

// Light, as designed, or dark on a desktop that prefers it: the same accents
// over dark backgrounds with light labels.
enum class Scheme { light, dark };

// Tells of a change of the scheme; models that hand out colours listen to it.
class SchemeNotifier : public QObject {
  Q_OBJECT
 signals:
  void changed();
};

// The window's colours ("Colors" in QML; QtQuick already has a Palette type): the product's accents and a desktop palette for
// labels, separators and backgrounds in the current scheme, which is process-wide and may change while the window is open.
class Palette : public QObject {
  Q_OBJECT
  QML_NAMED_ELEMENT(Colors)
  QML_SINGLETON
  Q_PROPERTY(bool dark READ dark NOTIFY schemeChanged)
  Q_PROPERTY(QColor deep READ deep CONSTANT)
  Q_PROPERTY(QColor primary READ primary CONSTANT)
  Q_PROPERTY(QColor light READ light CONSTANT)
  Q_PROPERTY(QColor soft READ soft NOTIFY schemeChanged)
  Q_PROPERTY(QColor portrait READ portrait CONSTANT)
  Q_PROPERTY(QColor wide READ wide CONSTANT)
  Q_PROPERTY(QColor label READ label NOTIFY schemeChanged)
  Q_PROPERTY(QColor secondaryLabel READ secondaryLabel NOTIFY schemeChanged)
  Q_PROPERTY(QColor tertiaryLabel READ tertiaryLabel NOTIFY schemeChanged)
  Q_PROPERTY(QColor quaternaryLabel READ quaternaryLabel NOTIFY schemeChanged)
  Q_PROPERTY(QColor separator READ separator NOTIFY schemeChanged)
  Q_PROPERTY(QColor windowBackground READ windowBackground NOTIFY schemeChanged)
  Q_PROPERTY(QColor controlBackground READ controlBackground NOTIFY schemeChanged)
  Q_PROPERTY(QColor textBackground READ textBackground NOTIFY schemeChanged)
  // A raised surface: the selected segment, an unchecked box.
  Q_PROPERTY(QColor raisedBackground READ raisedBackground NOTIFY schemeChanged)
  Q_PROPERTY(QColor danger READ danger NOTIFY schemeChanged)
  Q_PROPERTY(QColor stopRed READ stopRed CONSTANT)

 public:
  explicit Palette(QObject* parent = nullptr);

  static Scheme scheme();
  static void setScheme(Scheme scheme);
  static SchemeNotifier* schemeSignals();

  static QColor colour(Tone tone) { return colour(tone, scheme()); }
  static QColor colour(Tone tone, Scheme scheme);
  static QColor windowBackground(Scheme scheme);
  static QColor textBackground(Scheme scheme);
  static QColor raisedBackground(Scheme scheme);

  static bool dark() { return scheme() == Scheme::dark; }
  static QColor deep();
  static QColor primary();
  static QColor light();
  static QColor soft() { return colour(Tone::soft); }
  static QColor portrait();
  static QColor wide();
  static QColor label() { return colour(Tone::label); }
  static QColor secondaryLabel() { return colour(Tone::secondaryLabel); }
  static QColor tertiaryLabel() { return colour(Tone::tertiaryLabel); }
  static QColor quaternaryLabel() { return colour(Tone::quaternaryLabel); }
  static QColor separator() { return colour(Tone::separator); }
  static QColor windowBackground() { return windowBackground(scheme()); }
  static QColor controlBackground() { return colour(Tone::controlBackground); }
  static QColor textBackground() { return textBackground(scheme()); }
  static QColor raisedBackground() { return raisedBackground(scheme()); }
  static QColor danger() { return colour(Tone::danger); }
  // The running start control's fill.
  static QColor stopRed() { return toQColor(Theme::stopRed); }

  // color with its alpha multiplied by opacity.
  Q_INVOKABLE static QColor alpha(const QColor& color, double opacity);
  // Image source of one of our icons drawn in color, or in the accent gradient.
  Q_INVOKABLE static QString icon(const QString& name, const QColor& color);
  Q_INVOKABLE static QString gradientIcon(const QString& name);

 signals:
  void schemeChanged();
};

}  // namespace kivotra::ui
