#include "ui/palette.h"

#include "models/theme.h"

namespace kivotra::ui {

namespace {

QColor fromTheme(const Theme::Colour& c) {
  return QColor::fromRgbF(static_cast<float>(c.red), static_cast<float>(c.green), static_cast<float>(c.blue));
}

QColor black(double alpha) { return QColor::fromRgbF(0, 0, 0, static_cast<float>(alpha)); }

}  // namespace

QColor Palette::colour(Tone tone) {
  switch (tone) {
    case Tone::label: return black(0.85);
    case Tone::secondaryLabel: return black(0.5);
    case Tone::tertiaryLabel: return black(0.26);
    case Tone::quaternaryLabel: return black(0.1);
    case Tone::separator: return black(0.1);
    case Tone::controlBackground: return Qt::white;
    case Tone::primary: return fromTheme(Theme::primary);
    case Tone::soft: return fromTheme(Theme::soft);
    case Tone::portrait: return fromTheme(Theme::portrait);
    case Tone::wide: return fromTheme(Theme::wide);
    case Tone::danger: return QColor(0xFF, 0x3B, 0x30);
  }
  return black(0.85);
}

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
