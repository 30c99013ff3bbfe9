#pragma once

#include <QAbstractListModel>
#include <QHash>
#include <QString>
#include <functional>
#include <optional>
#include <vector>

#include "models/video_item.h"

namespace kivotra {

// The listed files, in the order they were added; one role per VideoItem field.
// Owned by AppState, which alone changes it (on the main thread). Every change
// announces exactly the rows and roles it touched.
class ItemListModel : public QAbstractListModel {
  Q_OBJECT
  Q_PROPERTY(int count READ count NOTIFY countChanged)

 public:
  enum Role {
    IdRole = Qt::UserRole + 1,  // QString, lower-case UUID text
    UrlRole,                    // QString, the source's path
    FileNameRole,               // QString, last path component with its extension
    DurationRole,               // double, seconds
    SrcWidthRole,               // int
    SrcHeightRole,              // int
    SrcFPSRole,                 // double
    FileSizeRole,               // qint64, bytes
    HasAudioRole,               // bool
    AudioSampleRateRole,        // double, hertz
    AudioChannelsRole,          // int
    StatusRole,                 // QString: "loading", "ready", "compressing", "done", "failed"
    StatusMessageRole,          // QString, the failure's text; empty otherwise
    ProgressRole,               // double, 0..1
    EtaSecondsRole,             // double, or an invalid QVariant when none
    HasThumbnailRole,           // bool
    ThumbnailWidthRole,         // int, pixels; 0 without a thumbnail
    ThumbnailHeightRole,        // int
    OutputURLRole,              // QString, the output's path; empty when none
    ActualSizeRole,             // qint64 bytes, or an invalid QVariant when none
    HasCustomSettingsRole,      // bool
    CustomSettingsRole,         // QVariantMap {shortSide, fps, bitrateKbps, fit, noUpscale}, or invalid
  };
  Q_ENUM(Role)

  explicit ItemListModel(QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QHash<int, QByteArray> roleNames() const override;

  int count() const { return static_cast<int>(items_.size()); }
  const std::vector<VideoItem>& items() const { return items_; }
  // -1 when no item has the id.
  int indexOf(const Uuid& id) const;
  const VideoItem* find(const Uuid& id) const;
  // The item at row as a map of role name to value, for QML; empty when out of range.
  Q_INVOKABLE QVariantMap get(int row) const;

  static QString statusKey(const ItemStatus& status);

  // Changes, for AppState.
  void append(VideoItem item);
  void removeId(Uuid id);  // by value: an id read from the list itself stays valid
  void reset(std::vector<VideoItem> items);
  // Runs change on the item with id and announces the roles that differ
  // afterwards. False when no item has the id.
  bool update(const Uuid& id, const std::function<void(VideoItem&)>& change);

 signals:
  void countChanged();

 private:
  std::vector<VideoItem> items_;
};

}  // namespace kivotra
