// What the views bind to: the parameter panel's values and the list of items.
#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QSignalSpy>

#include "state/compression_settings.h"
#include "state/item_list_model.h"

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

TEST(ItemListModel, AnnouncesOnlyTheRolesAChangeTouched) {
  ItemListModel model;
  // Every change below is also checked against the item-model contract.
  QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
  VideoItem a("/v/a.mov"), b("/v/b.mov");
  model.append(a);
  model.append(b);
  model.append(VideoItem("/v/c.mov"));
  QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
  auto rolesOf = [&](int call) { return changed.at(call).at(2).value<QList<int>>(); };

  ASSERT_TRUE(model.update(b.id, [](VideoItem& it) {
    it.progress = 0.5;
    it.etaSeconds = 12;
  }));
  ASSERT_EQ(changed.count(), 1);
  EXPECT_EQ(changed.at(0).at(0).toModelIndex().row(), 1);
  EXPECT_EQ(rolesOf(0), (QList<int>{ItemListModel::ProgressRole, ItemListModel::EtaSecondsRole}));
  model.update(b.id, [](VideoItem& it) { it.progress = 0.5; });
  EXPECT_EQ(changed.count(), 1);  // nothing really changed
  model.update(b.id, [](VideoItem& it) { it.status = ItemStatus::failed("坏了"); });
  ASSERT_EQ(changed.count(), 2);
  EXPECT_EQ(rolesOf(1), (QList<int>{ItemListModel::StatusRole, ItemListModel::StatusMessageRole}));
  EXPECT_FALSE(model.update(Uuid::random(), [](VideoItem& it) { it.progress = 1; }));

  // Fields by role name, for QML; an absent value is no value.
  model.update(a.id, [](VideoItem& it) { it.customSettings = ItemSettings{1440, 30, 8000, FitMode::crop, false}; });
  EXPECT_FALSE(model.get(0).value("etaSeconds").isValid());
  EXPECT_EQ(model.get(0).value("customSettings").toMap().value("fit").toString(), QStringLiteral("裁切 16:9"));
  EXPECT_TRUE(model.get(3).isEmpty());

  // The id read from the list itself: the removal must not read it from the row it frees.
  model.removeId(model.items()[0].id);
  ASSERT_EQ(model.count(), 2);
  EXPECT_EQ(model.items()[0].id, b.id);
  EXPECT_EQ(model.indexOf(a.id), -1);
}

}  // namespace
}  // namespace kivotra
