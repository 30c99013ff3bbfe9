#pragma once

#include <QIdentityProxyModel>
#include <QPointer>
#include <QtQml/qqmlregistration.h>

#include "state/app_state.h"
#include "state/compression_settings.h"
#include "ui/card_rules.h"

namespace kivotra::ui {

// The file list as the cards show it: AppState's items plus one role per text,
// colour and enabled state of a card, recomputed whenever the item, the panel's
// parameters, the edited file or the running state change.
class CardListModel : public QIdentityProxyModel {
  Q_OBJECT
  QML_ELEMENT
  QML_UNCREATABLE("made by the window")

 public:
  enum Role {
    ItemIdRole = Qt::UserRole + 100,  // QString UUID text
    ThumbWidthRole,                   // double, points
    ThumbSourceRole,                  // image URL, empty without a cover
    MetaTextRole,
    TagsRole,                         // list of {text, color}
    DimsTextRole,
    IsLoadingRole,
    SizeKindRole,                     // "loading", "estimate", "progress", "result", "failed"
    SizeValueRole,
    SizeCaptionRole,
    SizeColorRole,
    SizeNoteRole,                     // "大于源文件" or empty
    IsEditingRole,
    ClickableRole,
    EditEnabledRole,
    EditOpacityRole,
    RemoveEnabledRole,
    RemoveOpacityRole,
    ShowStopRole,
    ShowRevealRole,
    ShowProgressBarRole,
    ProgressFractionRole,
    BorderColorRole,
    BorderWidthRole,
    CardColorRole,
    EditIconColorRole,
    SpokenTextRole,                   // what a screen reader says of the card
    LastRole = SpokenTextRole,        // a change tells every role up to here
  };
  Q_ENUM(Role)

  CardListModel(AppState& state, CompressionSettings& settings, QObject* parent = nullptr);

  QVariant data(const QModelIndex& index, int role) const override;
  // The card as a screen reader says it: the file's name, its state and its number.
  static QString spokenText(const QString& fileName, const SizeColumn& column);
  QHash<int, QByteArray> roleNames() const override;

  // Value of a card role by its name, for tests and tools.
  Q_INVOKABLE QVariant value(int row, const QString& roleName) const;

 private:
  void refreshAll();
  const VideoItem* itemAt(int row) const;

  QPointer<AppState> state_;
  QPointer<CompressionSettings> settings_;
};

}  // namespace kivotra::ui
