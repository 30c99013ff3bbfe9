#pragma once

#include <QObject>
#include <QPointer>

#include "models/uuid.h"
#include "models/video_item.h"
#include "state/app_state.h"
#include "state/compression_settings.h"

namespace kivotra::ui {

// Switches the panel's CompressionSettings between the global parameters and
// one file's own. While a file is edited the global values are parked in
// AppState::editingBackup and every change is written through to the file.
class ItemEditor : public QObject {
  Q_OBJECT
 public:
  ItemEditor(AppState& state, CompressionSettings& settings, QObject* parent = nullptr);

  void beginEditing(const VideoItem& item);
  void endEditing();
  // Puts the parked global parameters back and stops the write-through.
  void restoreGlobal();
  // A card's click or edit button: close the editor on the edited file, else open it on this one.
  void toggle(const Uuid& id);

 private:
  QPointer<AppState> state_;
  QPointer<CompressionSettings> settings_;
};

}  // namespace kivotra::ui
