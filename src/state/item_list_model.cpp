#include "state/item_list_model.h"

#include <QVariantMap>
#include <algorithm>

namespace kivotra {

namespace {

QString qpath(const std::filesystem::path& path) { return QString::fromStdString(path.string()); }

QVariantMap settingsMap(const ItemSettings& s) {
  const std::string_view fit = rawValue(s.fit);
  return {{"shortSide", s.shortSide},
          {"fps", s.fps},
          {"bitrateKbps", s.bitrateKbps},
          {"fit", QString::fromUtf8(fit.data(), static_cast<qsizetype>(fit.size()))},
          {"noUpscale", s.noUpscale}};
}

template <class T>
QVariant optionalVariant(const std::optional<T>& value) {
  return value ? QVariant::fromValue(*value) : QVariant();
}

}  // namespace

ItemListModel::ItemListModel(QObject* parent) : QAbstractListModel(parent) {}

int ItemListModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : count(); }

QString ItemListModel::statusKey(const ItemStatus& status) {
  switch (status.kind()) {
    case ItemStatus::Kind::loading: return QStringLiteral("loading");
    case ItemStatus::Kind::ready: return QStringLiteral("ready");
    case ItemStatus::Kind::compressing: return QStringLiteral("compressing");
    case ItemStatus::Kind::done: return QStringLiteral("done");
    case ItemStatus::Kind::failed: return QStringLiteral("failed");
  }
  return {};
}

QVariant ItemListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() < 0 || index.row() >= count()) return {};
  const VideoItem& item = items_[static_cast<size_t>(index.row())];
  switch (role) {
    case IdRole: return QString::fromStdString(item.id.toString());
    case UrlRole: return qpath(item.url);
    case Qt::DisplayRole:
    case FileNameRole: return qpath(item.url.filename());
    case DurationRole: return item.duration;
    case SrcWidthRole: return item.srcWidth;
    case SrcHeightRole: return item.srcHeight;
    case SrcFPSRole: return item.srcFPS;
    case FileSizeRole: return QVariant::fromValue<qint64>(item.fileSize);
    case HasAudioRole: return item.hasAudio;
    case AudioSampleRateRole: return item.audioSampleRate;
    case AudioChannelsRole: return item.audioChannels;
    case StatusRole: return statusKey(item.status);
    case StatusMessageRole: return QString::fromStdString(item.status.message());
    case ProgressRole: return item.progress;
    case EtaSecondsRole: return optionalVariant(item.etaSeconds);
    case HasThumbnailRole: return item.thumbnail.has_value();
    case ThumbnailWidthRole: return item.thumbnail ? item.thumbnail->width : 0;
    case ThumbnailHeightRole: return item.thumbnail ? item.thumbnail->height : 0;
    case OutputURLRole: return item.outputURL ? qpath(*item.outputURL) : QString();
    case ActualSizeRole: return item.actualSize ? QVariant::fromValue<qint64>(*item.actualSize) : QVariant();
    case HasCustomSettingsRole: return item.customSettings.has_value();
    case CustomSettingsRole: return item.customSettings ? QVariant(settingsMap(*item.customSettings)) : QVariant();
    default: return {};
  }
}

QHash<int, QByteArray> ItemListModel::roleNames() const {
  return {
      {IdRole, "id"},
      {UrlRole, "url"},
      {FileNameRole, "fileName"},
      {DurationRole, "duration"},
      {SrcWidthRole, "srcWidth"},
      {SrcHeightRole, "srcHeight"},
      {SrcFPSRole, "srcFPS"},
      {FileSizeRole, "fileSize"},
      {HasAudioRole, "hasAudio"},
      {AudioSampleRateRole, "audioSampleRate"},
      {AudioChannelsRole, "audioChannels"},
      {StatusRole, "status"},
      {StatusMessageRole, "statusMessage"},
      {ProgressRole, "progress"},
      {EtaSecondsRole, "etaSeconds"},
      {HasThumbnailRole, "hasThumbnail"},
      {ThumbnailWidthRole, "thumbnailWidth"},
      {ThumbnailHeightRole, "thumbnailHeight"},
      {OutputURLRole, "outputURL"},
      {ActualSizeRole, "actualSize"},
      {HasCustomSettingsRole, "hasCustomSettings"},
      {CustomSettingsRole, "customSettings"},
  };
}

int ItemListModel::indexOf(const Uuid& id) const {
  auto it = std::find_if(items_.begin(), items_.end(), [&](const VideoItem& item) { return item.id == id; });
  return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

const VideoItem* ItemListModel::find(const Uuid& id) const {
  const int row = indexOf(id);
  return row < 0 ? nullptr : &items_[static_cast<size_t>(row)];
}

QVariantMap ItemListModel::get(int row) const {
  QVariantMap map;
  if (row < 0 || row >= count()) return map;
  const QModelIndex at = index(row);
  const auto names = roleNames();
  for (auto it = names.begin(); it != names.end(); ++it) map.insert(QString::fromUtf8(it.value()), data(at, it.key()));
  return map;
}

void ItemListModel::append(VideoItem item) {
  const int row = count();
  beginInsertRows({}, row, row);
  items_.push_back(std::move(item));
  endInsertRows();
  emit countChanged();
}

void ItemListModel::removeId(Uuid id) {
  for (int row = indexOf(id); row >= 0; row = indexOf(id)) {
    beginRemoveRows({}, row, row);
    items_.erase(items_.begin() + row);
    endRemoveRows();
    emit countChanged();
  }
}

void ItemListModel::reset(std::vector<VideoItem> items) {
  const int before = count();
  beginResetModel();
  items_ = std::move(items);
  endResetModel();
  if (count() != before) emit countChanged();
}

bool ItemListModel::update(const Uuid& id, const std::function<void(VideoItem&)>& change) {
  const int row = indexOf(id);
  if (row < 0) return false;
  const QModelIndex at = index(row);
  const auto names = roleNames();
  QHash<int, QVariant> before;
  for (auto it = names.begin(); it != names.end(); ++it) before.insert(it.key(), data(at, it.key()));

  change(items_[static_cast<size_t>(row)]);

  QList<int> changed;
  for (auto it = before.begin(); it != before.end(); ++it) {
    if (data(at, it.key()) != it.value()) changed << it.key();
  }
  if (!changed.isEmpty()) {
    std::sort(changed.begin(), changed.end());
    if (changed.contains(FileNameRole)) changed << Qt::DisplayRole;
    emit dataChanged(at, at, changed);
  }
  return true;
}

}  // namespace kivotra
