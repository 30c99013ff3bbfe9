#include "ui/item_editor.h"

#include "state/app_state.h"
#include "state/compression_settings.h"

namespace kivotra::ui {

ItemEditor::ItemEditor(AppState& state, CompressionSettings& settings, QObject* parent)
    : QObject(parent), state_(&state), settings_(&settings) {
  // Editing can end elsewhere, e.g. when the edited file is removed: the global values must come back.
  connect(&state, &AppState::editingIDChanged, this, [this] {
    if (state_ && !state_->editingID() && state_->editingBackup()) restoreGlobal();
  });
}

void ItemEditor::beginEditing(const VideoItem& item) {
  if (!state_ || !settings_) return;
  if (!state_->editingID()) state_->setEditingBackup(settings_->snapshot());
  const ItemSettings base = state_->editingBackup().value_or(settings_->snapshot());
  settings_->apply(item.customSettings.value_or(base));
  settings_->setOnChange([state = state_, settings = settings_] {
    if (!state || !settings) return;
    if (const auto id = state->editingID()) state->setCustom(*id, settings->snapshot());
  });
  state_->setEditingID(item.id);
}

void ItemEditor::endEditing() {
  if (!state_ || !state_->editingID()) return;
  restoreGlobal();
  state_->setEditingID(std::nullopt);
}

void ItemEditor::restoreGlobal() {
  if (!state_ || !settings_) return;
  settings_->setOnChange(nullptr);
  if (const auto backup = state_->editingBackup()) settings_->apply(*backup);
  state_->setEditingBackup(std::nullopt);
}

void ItemEditor::toggle(const Uuid& id) {
  if (!state_) return;
  if (state_->editingID() == id) {
    endEditing();
    return;
  }
  if (const VideoItem* item = state_->find(id)) beginEditing(*item);
}

}  // namespace kivotra::ui
