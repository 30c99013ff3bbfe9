#include "ui/palette.h"

#include "models/theme.h"

namespace kivotra::ui {

namespace {

QColor fromTheme(const Theme::Colour& c) {
  return QColor::fromRgbF(static_cast<float>(c.red), static_cast<float>(c.green), static_cast<float>(c.blue));
}

}  // namespace

QColor Palette::deep() { return fromTheme(Theme::deep); }
QColor Palette::primary() { return fromTheme(Theme::primary); }
QColor Palette::light() { return fromTheme(Theme::light); }
QColor Palette::soft() { return fromTheme(Theme::soft); }
QColor Palette::portrait() { return fromTheme(Theme::portrait); }
QColor Palette::wide() { return fromTheme(Theme::wide); }

QColor Palette::alpha(const QColor& color, double opacity) {
  QColor c = color;
  c.setAlphaF(static_cast<float>(c.alphaF() * opacity));
  return c;
}

QString Palette::icon(const QString& name, const QColor& color) {
  return QStringLiteral("image://kivotra-icon/%1/%2").arg(name, color.name(QColor::HexArgb).mid(1));
}

QString Palette::gradientIcon(const QString& name) {
  return QStringLiteral("image://kivotra-icon/%1/gradient").arg(name);
}

}  // namespace kivotra::ui
