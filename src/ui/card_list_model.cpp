#include "ui/card_list_model.h"

#include <QCoreApplication>
#include <QVariantMap>

#include "state/app_state.h"
#include "state/compression_settings.h"
#include "ui/card_rules.h"
#include "ui/panel_rules.h"
#include "ui/palette.h"
#include "ui/thumbnail_provider.h"

namespace kivotra::ui {

namespace {

QString text(const std::string& s) { return QString::fromStdString(s); }

QColor colour(Tone tone, double opacity = 1) { return Palette::alpha(Palette::colour(tone), opacity); }

QString sizeKindKey(SizeColumn::Kind kind) {
  switch (kind) {
    case SizeColumn::Kind::loading: return QStringLiteral("loading");
    case SizeColumn::Kind::estimate: return QStringLiteral("estimate");
    case SizeColumn::Kind::progress: return QStringLiteral("progress");
    case SizeColumn::Kind::result: return QStringLiteral("result");
    case SizeColumn::Kind::failed: return QStringLiteral("failed");
  }
  return {};
}

QList<int> cardRoles() {
  QList<int> roles;
  for (int r = CardListModel::ItemIdRole; r <= CardListModel::LastRole; ++r) roles.append(r);
  return roles;
}

}  // namespace

CardListModel::CardListModel(AppState& state, CompressionSettings& settings, QObject* parent)
    : QIdentityProxyModel(parent), state_(&state), settings_(&settings) {
  setSourceModel(state.itemsModel());
  // The source announces only its own roles; every card role may follow from any of them.
  connect(state.itemsModel(), &QAbstractItemModel::dataChanged, this,
          [this](const QModelIndex& topLeft, const QModelIndex& bottomRight) {
            emit dataChanged(mapFromSource(topLeft), mapFromSource(bottomRight), cardRoles());
          });
  for (auto signal : {&CompressionSettings::shortSideChanged, &CompressionSettings::fpsChanged,
                      &CompressionSettings::bitrateKbpsChanged, &CompressionSettings::fitChanged,
                      &CompressionSettings::noUpscaleChanged, &CompressionSettings::bySizeChanged,
                      &CompressionSettings::sizeLimitBytesChanged}) {
    connect(&settings, signal, this, &CardListModel::refreshAll);
  }
  connect(Palette::schemeSignals(), &SchemeNotifier::changed, this, &CardListModel::refreshAll);
  connect(&state, &AppState::editingIDChanged, this, &CardListModel::refreshAll);
  connect(&state, &AppState::isRunningChanged, this, &CardListModel::refreshAll);
}

void CardListModel::refreshAll() {
  if (rowCount() == 0) return;
  emit dataChanged(index(0, 0), index(rowCount() - 1, 0), cardRoles());
}

const VideoItem* CardListModel::itemAt(int row) const {
  if (!state_ || row < 0 || row >= static_cast<int>(state_->items().size())) return nullptr;
  return &state_->items()[static_cast<std::size_t>(row)];
}

QHash<int, QByteArray> CardListModel::roleNames() const {
  QHash<int, QByteArray> names = QIdentityProxyModel::roleNames();
  names.insert({
      {ItemIdRole, "itemId"},
      {ThumbWidthRole, "thumbWidth"},
      {ThumbSourceRole, "thumbSource"},
      {MetaTextRole, "metaText"},
      {TagsRole, "tags"},
      {DimsTextRole, "dimsText"},
      {IsLoadingRole, "isLoading"},
      {SizeKindRole, "sizeKind"},
      {SizeValueRole, "sizeValue"},
      {SizeCaptionRole, "sizeCaption"},
      {SizeColorRole, "sizeColor"},
      {SizeNoteRole, "sizeNote"},
      {IsEditingRole, "isEditing"},
      {ClickableRole, "clickable"},
      {EditEnabledRole, "editEnabled"},
      {EditOpacityRole, "editOpacity"},
      {RemoveEnabledRole, "removeEnabled"},
      {RemoveOpacityRole, "removeOpacity"},
      {ShowStopRole, "showStop"},
      {ShowRevealRole, "showReveal"},
      {ShowProgressBarRole, "showProgressBar"},
      {ProgressFractionRole, "progressFraction"},
      {BorderColorRole, "borderColor"},
      {BorderWidthRole, "borderWidth"},
      {CardColorRole, "cardColor"},
      {EditIconColorRole, "editIconColor"},
      {SpokenTextRole, "spokenText"},
  });
  return names;
}

QVariant CardListModel::data(const QModelIndex& index, int role) const {
  if (role < ItemIdRole) return QIdentityProxyModel::data(index, role);
  const VideoItem* item = itemAt(index.row());
  if (!item || !settings_) return {};

  const bool running = state_->isRunning();
  const bool editing = state_->editingID() == item->id;
  const ItemSettings effective = effectiveParameters(*item, state_->editingBackup(), settings_->snapshot());

  switch (role) {
    case ItemIdRole: return text(item->id.toString());
    case ThumbWidthRole: return thumbnailWidth(item->srcWidth, item->srcHeight);
    case ThumbSourceRole: return item->thumbnail ? ThumbnailProvider::source(*item) : QString();
    case MetaTextRole: return text(metaText(*item));
    case TagsRole: {
      QVariantList list;
      for (const Tag& tag : tags(*item)) {
        list.append(QVariantMap{{QStringLiteral("text"), text(tag.text)}, {QStringLiteral("color"), colour(tag.tone)}});
      }
      return list;
    }
    case DimsTextRole: return text(dimsText(*item, effective));
    case IsLoadingRole: return item->status.is(ItemStatus::Kind::loading);
    case SizeKindRole: return sizeKindKey(sizeColumn(*item, effective).kind);
    case SizeValueRole: return text(sizeColumn(*item, effective).value);
    case SizeCaptionRole: return text(sizeColumn(*item, effective).caption);
    case SizeColorRole: return colour(sizeColumn(*item, effective).valueTone);
    case SizeNoteRole: return text(sizeColumn(*item, effective).note);
    case IsEditingRole: return editing;
    case ClickableRole: return cardControls(item->status, running).clickable;
    case EditEnabledRole: return cardControls(item->status, running).editEnabled;
    case EditOpacityRole: return cardControls(item->status, running).editOpacity;
    case RemoveEnabledRole: return cardControls(item->status, running).removeEnabled;
    case RemoveOpacityRole: return cardControls(item->status, running).removeOpacity;
    case ShowStopRole: return cardControls(item->status, running).showStop;
    case ShowRevealRole: return cardControls(item->status, running).showReveal;
    case ShowProgressBarRole: return cardControls(item->status, running).showProgressBar;
    case ProgressFractionRole: return progressFraction(item->status, item->progress);
    case BorderColorRole: {
      const Stroke stroke = cardBorder(editing, item->status);
      return colour(stroke.tone, stroke.opacity);
    }
    case BorderWidthRole: return cardBorder(editing, item->status).width;
    case CardColorRole: {
      const Fill fill = cardBackground(editing);
      return colour(fill.tone, fill.opacity);
    }
    case EditIconColorRole: return colour(editIconTone(editing, item->customSettings.has_value()));
    case SpokenTextRole:
      return spokenText(QString::fromStdString(item->url.filename().string()), sizeColumn(*item, effective));
    default: return {};
  }
}

QString CardListModel::spokenText(const QString& fileName, const SizeColumn& column) {
  const QString value = text(column.value);
  switch (column.kind) {
    case SizeColumn::Kind::loading: return QCoreApplication::translate("Card", "%1，读取中").arg(fileName);
    case SizeColumn::Kind::estimate: return QCoreApplication::translate("Card", "%1，待压缩，预估 %2").arg(fileName, value);
    case SizeColumn::Kind::progress: return QCoreApplication::translate("Card", "%1，压缩中 %2").arg(fileName, value);
    case SizeColumn::Kind::result: return QCoreApplication::translate("Card", "%1，已完成，%2").arg(fileName, value);
    case SizeColumn::Kind::failed: return QCoreApplication::translate("Card", "%1，失败：%2").arg(fileName, text(column.caption));
  }
  return fileName;
}

QVariant CardListModel::value(int row, const QString& roleName) const {
  const int role = roleNames().key(roleName.toUtf8(), -1);
  if (role < 0) return {};
  return data(index(row, 0), role);
}

}  // namespace kivotra::ui
