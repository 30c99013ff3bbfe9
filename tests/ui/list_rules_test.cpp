#include <gtest/gtest.h>

#include "ui/list_rules.h"

using namespace kivotra::ui;

TEST(ListRules, CountToneAndDropZoneFollowTheFiveFileLimit) {
  const struct {
    int count;
    const char* text;
    Tone tone;
    bool full;
    const char* hint;
    double opacity;
  } rows[] = {
      {0, "0 / 5", Tone::tertiaryLabel, false, "横屏 / 竖屏 / 宽银幕均可", 1},
      {4, "4 / 5", Tone::tertiaryLabel, false, "横屏 / 竖屏 / 宽银幕均可", 1},
      {5, "5 / 5", Tone::portrait, true, "已达 5 个上限，先移除再添加", 0.55},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.count);
    EXPECT_EQ(countText(row.count), row.text);
    EXPECT_EQ(countTone(row.count), row.tone);
    EXPECT_EQ(listFull(row.count), row.full);
    EXPECT_EQ(dropHintText(row.count), row.hint);
    EXPECT_DOUBLE_EQ(dropZoneOpacity(row.count), row.opacity);
  }
}
