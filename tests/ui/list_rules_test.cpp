#include <gtest/gtest.h>

#include "ui/list_rules.h"

using namespace kivotra::ui;

TEST(ListRules, EmptyListHasRoom) {
  EXPECT_EQ(countText(0), "0 / 5");
  EXPECT_EQ(countTone(0), Tone::tertiaryLabel);
  EXPECT_FALSE(listFull(0));
  EXPECT_EQ(dropHintText(0), "横屏 / 竖屏 / 宽银幕均可");
  EXPECT_DOUBLE_EQ(dropZoneOpacity(0), 1);
}

TEST(ListRules, FourItemsStillHaveRoom) {
  EXPECT_EQ(countText(4), "4 / 5");
  EXPECT_EQ(countTone(4), Tone::tertiaryLabel);
  EXPECT_FALSE(listFull(4));
}

TEST(ListRules, FiveItemsAreFull) {
  EXPECT_EQ(countText(5), "5 / 5");
  EXPECT_EQ(countTone(5), Tone::portrait);
  EXPECT_TRUE(listFull(5));
  EXPECT_EQ(dropHintText(5), "已达 5 个上限，先移除再添加");
  EXPECT_DOUBLE_EQ(dropZoneOpacity(5), 0.55);
}
