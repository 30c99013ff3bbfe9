#include <gtest/gtest.h>

#include <QSignalSpy>

#include "state/compression_settings.h"

namespace kivotra {
namespace {

TEST(CompressionSettings, StartsFromTheDefaults) {
  CompressionSettings settings;
  EXPECT_EQ(settings.snapshot(), (ItemSettings{1080, 0, 5000, FitMode::keep, true}));
  EXPECT_EQ(settings.fitLabel(), QStringLiteral("保持原始"));
  EXPECT_FALSE(settings.onChange());
}

TEST(CompressionSettings, OnChangeFiresOncePerAssignmentEvenWhenUnchanged) {
  CompressionSettings settings;
  int calls = 0;
  settings.setOnChange([&] { ++calls; });
  settings.setShortSide(1080);  // the value it already has
  EXPECT_EQ(calls, 1);
  settings.setFps(30);
  settings.setBitrateKbps(5000);
  settings.setFit(FitMode::crop);
  settings.setNoUpscale(true);
  EXPECT_EQ(calls, 5);
}

TEST(CompressionSettings, ApplyDoesNotFireOnChangeAndKeepsItInstalled) {
  CompressionSettings settings;
  int calls = 0;
  settings.setOnChange([&] { ++calls; });
  QSignalSpy shortSide(&settings, &CompressionSettings::shortSideChanged);
  QSignalSpy fit(&settings, &CompressionSettings::fitChanged);
  QSignalSpy noUpscale(&settings, &CompressionSettings::noUpscaleChanged);

  settings.apply({720, 0, 5000, FitMode::crop, true});
  EXPECT_EQ(calls, 0);
  // Views still hear about the values that changed.
  EXPECT_EQ(shortSide.count(), 1);
  EXPECT_EQ(fit.count(), 1);
  EXPECT_EQ(noUpscale.count(), 0);

  settings.setBitrateKbps(3000);
  EXPECT_EQ(calls, 1);
}

TEST(CompressionSettings, NotifiesViewsOnlyOfRealChanges) {
  CompressionSettings settings;
  QSignalSpy bitrate(&settings, &CompressionSettings::bitrateKbpsChanged);
  settings.setBitrateKbps(5000);
  EXPECT_EQ(bitrate.count(), 0);
  settings.setBitrateKbps(6000);
  EXPECT_EQ(bitrate.count(), 1);
}

TEST(CompressionSettings, FitTakesOnlyAnExactLabel) {
  CompressionSettings settings;
  int calls = 0;
  settings.setOnChange([&] { ++calls; });
  settings.setFitLabel(QStringLiteral("裁切16:9"));
  settings.setFitLabel(QStringLiteral("crop"));
  EXPECT_EQ(settings.fit(), FitMode::keep);
  EXPECT_EQ(calls, 0);

  settings.setFitLabel(QStringLiteral("裁切 16:9"));
  EXPECT_EQ(settings.fit(), FitMode::crop);
  EXPECT_EQ(settings.fitLabel(), QStringLiteral("裁切 16:9"));
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(CompressionSettings::fitLabels(),
            (QStringList{QStringLiteral("保持原始"), QStringLiteral("裁切 16:9"), QStringLiteral("加黑边 16:9")}));
}

TEST(CompressionSettings, PropertiesAreReachableByName) {
  // The window binds to these names.
  CompressionSettings settings;
  EXPECT_TRUE(settings.setProperty("shortSide", 2160));
  EXPECT_TRUE(settings.setProperty("fit", QStringLiteral("加黑边 16:9")));
  EXPECT_EQ(settings.snapshot().shortSide, 2160);
  EXPECT_EQ(settings.snapshot().fit, FitMode::pad);
  EXPECT_EQ(settings.property("bitrateKbps").toInt(), 5000);
  EXPECT_EQ(settings.property("noUpscale").toBool(), true);
}

}  // namespace
}  // namespace kivotra
