#include <gtest/gtest.h>

#include <cmath>

#include "ui/palette.h"

namespace kivotra::ui {
namespace {

// WCAG contrast of a colour (with its alpha) laid over an opaque background.
double contrast(const QColor& ink, const QColor& background) {
  const auto over = [&](double a, double b) { return a * ink.alphaF() + b * (1 - ink.alphaF()); };
  const auto luminance = [](double r, double g, double b) {
    const auto lin = [](double c) { return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4); };
    return 0.2126 * lin(r) + 0.7152 * lin(g) + 0.0722 * lin(b);
  };
  const double l1 = luminance(over(ink.redF(), background.redF()), over(ink.greenF(), background.greenF()),
                              over(ink.blueF(), background.blueF()));
  const double l2 = luminance(background.redF(), background.greenF(), background.blueF());
  return (std::max(l1, l2) + 0.05) / (std::min(l1, l2) + 0.05);
}

// Both palettes keep the words readable where they are drawn: on the window, the
// cards and the field, and on the edited card's tint.
TEST(Palette, LabelsStayReadableOnEveryBackgroundInBothSchemes) {
  const struct {
    Tone ink;
    double minimum;
  } inks[] = {{Tone::label, 7}, {Tone::secondaryLabel, 3.5}, {Tone::primary, 2.5}, {Tone::danger, 2.5}};
  for (Scheme scheme : {Scheme::light, Scheme::dark}) {
    const QColor backgrounds[] = {Palette::windowBackground(scheme), Palette::colour(Tone::controlBackground, scheme),
                                  Palette::textBackground(scheme), Palette::colour(Tone::soft, scheme)};
    for (const auto& [ink, minimum] : inks)
      for (const QColor& background : backgrounds)
        EXPECT_GE(contrast(Palette::colour(ink, scheme), background), minimum)
            << "scheme " << int(scheme) << " tone " << int(ink) << " on " << background.name().toStdString();
  }
}

}  // namespace
}  // namespace kivotra::ui
