#include <gtest/gtest.h>

#include <QSignalSpy>

#include "state/item_list_model.h"

namespace kivotra {
namespace {

QList<int> rolesOf(const QSignalSpy& spy, int call) { return spy.at(call).at(2).value<QList<int>>(); }

TEST(ItemListModel, AnnouncesOnlyTheRolesAChangeTouched) {
  ItemListModel model;
  VideoItem item("/videos/a.mov");
  const Uuid id = item.id;
  model.append(std::move(item));
  QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);

  ASSERT_TRUE(model.update(id, [](VideoItem& it) {
    it.progress = 0.5;
    it.etaSeconds = 12;
  }));
  ASSERT_EQ(changed.count(), 1);
  EXPECT_EQ(rolesOf(changed, 0), (QList<int>{ItemListModel::ProgressRole, ItemListModel::EtaSecondsRole}));

  model.update(id, [](VideoItem& it) { it.progress = 0.5; });
  EXPECT_EQ(changed.count(), 1);  // nothing really changed

  model.update(id, [](VideoItem& it) { it.status = ItemStatus::failed("坏了"); });
  ASSERT_EQ(changed.count(), 2);
  EXPECT_EQ(rolesOf(changed, 1), (QList<int>{ItemListModel::StatusRole, ItemListModel::StatusMessageRole}));

  EXPECT_FALSE(model.update(Uuid::random(), [](VideoItem& it) { it.progress = 1; }));
}

TEST(ItemListModel, ExposesFieldsByRoleName) {
  ItemListModel model;
  VideoItem item("/videos/clip.MOV");
  item.status = ItemStatus::ready();
  item.srcWidth = 1920;
  item.customSettings = ItemSettings{1440, 30, 8000, FitMode::crop, false};
  model.append(item);

  const QVariantMap row = model.get(0);
  EXPECT_EQ(row.value("id").toString().toStdString(), item.id.toString());
  EXPECT_EQ(row.value("fileName").toString(), QStringLiteral("clip.MOV"));
  EXPECT_EQ(row.value("status").toString(), QStringLiteral("ready"));
  EXPECT_EQ(row.value("srcWidth").toInt(), 1920);
  EXPECT_FALSE(row.value("etaSeconds").isValid());
  EXPECT_FALSE(row.value("actualSize").isValid());
  EXPECT_EQ(row.value("customSettings").toMap().value("fit").toString(), QStringLiteral("裁切 16:9"));
  EXPECT_TRUE(model.get(1).isEmpty());
}

TEST(ItemListModel, RemovingKeepsTheOthersInOrder) {
  ItemListModel model;
  VideoItem a("/v/a.mp4"), b("/v/b.mp4"), c("/v/c.mp4");
  model.append(a);
  model.append(b);
  model.append(c);
  QSignalSpy count(&model, &ItemListModel::countChanged);
  model.removeId(b.id);
  ASSERT_EQ(model.count(), 2);
  EXPECT_EQ(model.items()[0].id, a.id);
  EXPECT_EQ(model.items()[1].id, c.id);
  EXPECT_EQ(model.indexOf(b.id), -1);
  EXPECT_EQ(count.count(), 1);
}

}  // namespace
}  // namespace kivotra
