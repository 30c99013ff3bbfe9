#include "ui/palette.h"

#include <atomic>

namespace kivotra::ui {

QColor toQColor(const Theme::Colour& c, double opacity) {
  return QColor::fromRgbF(static_cast<float>(c.red), static_cast<float>(c.green), static_cast<float>(c.blue),
                          static_cast<float>(opacity));
}

namespace {

QColor black(double alpha) { return QColor::fromRgbF(0, 0, 0, static_cast<float>(alpha)); }
QColor white(double alpha) { return QColor::fromRgbF(1, 1, 1, static_cast<float>(alpha)); }

std::atomic<Scheme> currentScheme{Scheme::light};

SchemeNotifier& schemeSource() {
  static SchemeNotifier source;
  return source;
}

}  // namespace

Palette::Palette(QObject* parent) : QObject(parent) {
  connect(&schemeSource(), &SchemeNotifier::changed, this, &Palette::schemeChanged);
}

Scheme Palette::scheme() { return currentScheme.load(); }

void Palette::setScheme(Scheme scheme) {
  if (currentScheme.exchange(scheme) != scheme) emit schemeSource().changed();
}

SchemeNotifier* Palette::schemeSignals() { return &schemeSource(); }

QColor Palette::colour(Tone tone, Scheme scheme) {
  const bool dark = scheme == Scheme::dark;
  const auto ink = dark ? white : black;
  switch (tone) {
    case Tone::label: return ink(0.85);
    case Tone::secondaryLabel: return ink(dark ? 0.55 : 0.5);
    case Tone::tertiaryLabel: return ink(dark ? 0.35 : 0.26);
    case Tone::quaternaryLabel: return ink(0.1);
    case Tone::separator: return ink(dark ? 0.14 : 0.1);
    case Tone::controlBackground: return dark ? QColor(0x2C, 0x2A, 0x30) : QColor(Qt::white);
    case Tone::primary: return toQColor(Theme::primary);
    // The pale tint turns into a deep one that light labels stay readable on.
    case Tone::soft: return dark ? QColor(0x3A, 0x2A, 0x48) : toQColor(Theme::soft);
    case Tone::portrait: return toQColor(Theme::portrait);
    case Tone::wide: return toQColor(Theme::wide);
    case Tone::danger: return dark ? QColor(0xFF, 0x45, 0x3A) : QColor(0xFF, 0x3B, 0x30);
  }
  return ink(0.85);
}

QColor Palette::windowBackground(Scheme scheme) {
  return scheme == Scheme::dark ? QColor(0x1E, 0x1D, 0x21) : QColor(0xEC, 0xEC, 0xEC);
}
QColor Palette::textBackground(Scheme scheme) {
  return scheme == Scheme::dark ? QColor(0x17, 0x16, 0x1A) : QColor(Qt::white);
}
QColor Palette::raisedBackground(Scheme scheme) {
  return scheme == Scheme::dark ? QColor(0x55, 0x52, 0x5C) : QColor(Qt::white);
}

QColor Palette::deep() { return toQColor(Theme::deep); }
QColor Palette::primary() { return toQColor(Theme::primary); }
QColor Palette::light() { return toQColor(Theme::light); }
QColor Palette::portrait() { return toQColor(Theme::portrait); }
QColor Palette::wide() { return toQColor(Theme::wide); }

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
