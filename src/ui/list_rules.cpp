#include "ui/list_rules.h"

#include "models/text.h"

namespace kivotra::ui {

bool listFull(int itemCount) { return itemCount >= kMaxItems; }

std::string countText(int itemCount) { return std::to_string(itemCount) + " / " + std::to_string(kMaxItems); }

Tone countTone(int itemCount) { return listFull(itemCount) ? Tone::portrait : Tone::tertiaryLabel; }

std::string dropHintText(int itemCount) {
  return listFull(itemCount) ? fillIn(translate("FileList", "已达 %1 个上限，先移除再添加"), {std::to_string(kMaxItems)})
                             : translate("FileList", "横屏 / 竖屏 / 宽银幕均可");
}

double dropZoneOpacity(int itemCount) { return listFull(itemCount) ? 0.55 : 1.0; }

}  // namespace kivotra::ui
