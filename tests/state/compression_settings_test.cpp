#include <gtest/gtest.h>

#include <QSignalSpy>

#include "state/compression_settings.h"

namespace kivotra {
namespace {

TEST(CompressionSettings, HookHearsEveryAssignmentViewsOnlyRealChangesApplyNeitherHook) {
  CompressionSettings settings;
  int calls = 0;
  settings.setOnChange([&] { ++calls; });
  QSignalSpy shortSide(&settings, &CompressionSettings::shortSideChanged), fps(&settings, &CompressionSettings::fpsChanged),
      bitrate(&settings, &CompressionSettings::bitrateKbpsChanged), fit(&settings, &CompressionSettings::fitChanged),
      noUpscale(&settings, &CompressionSettings::noUpscaleChanged);
  const QSignalSpy* spies[] = {&shortSide, &fps, &bitrate, &fit, &noUpscale};
  settings.setShortSide(1080);  // the values it already has
  settings.setFps(0);
  settings.setBitrateKbps(5000);
  settings.setFit(FitMode::keep);
  settings.setNoUpscale(true);
  EXPECT_EQ(calls, 5);
  for (const QSignalSpy* spy : spies) EXPECT_EQ(spy->count(), 0);

  // Loading an item's values changes every field, tells the views, and keeps the hook installed.
  const ItemSettings other{720, 25, 3000, FitMode::crop, false, true, 8 << 20};
  settings.apply(other);
  EXPECT_EQ(settings.snapshot(), other);
  EXPECT_EQ(calls, 5);
  for (const QSignalSpy* spy : spies) EXPECT_EQ(spy->count(), 1);
  settings.setBitrateKbps(3100);
  EXPECT_EQ(calls, 6);
}

}  // namespace
}  // namespace kivotra
