#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QSettings>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "models/item_settings.h"
#include "models/uuid.h"
#include "models/video_item.h"
#include "state/compression_settings.h"
#include "state/intake.h"
#include "state/item_list_model.h"
#include "state/output_folder.h"
#include "state/progress_throttle.h"
#include "state/queue_runner.h"

namespace kivotra {

// The application's state: the file list and its intake, per-file parameters,
// the compression queue and the output folder.
//
// Threads: every member function is for the main thread (the thread that owns
// the object) except beginOutputDir(). Probes run on the intake's pool, the
// queue on the runner's thread; their reports come back as queued calls in the
// order they were issued. The main thread never waits on either, except the
// destructor, which stops the queue and waits for the threads to end.
class AppState : public QObject, private RunSink {
  Q_OBJECT
  Q_PROPERTY(kivotra::ItemListModel* items READ itemsModel CONSTANT)
  Q_PROPERTY(int itemCount READ itemCount NOTIFY itemsChanged)
  Q_PROPERTY(bool isRunning READ isRunning NOTIFY isRunningChanged)
  // Empty when no file is being compressed.
  Q_PROPERTY(QString currentFileName READ currentFileNameText NOTIFY currentFileNameChanged)
  Q_PROPERTY(int completedCount READ completedCount NOTIFY completedCountChanged)
  // The UUID text of the item being edited; empty when none. Writable from QML.
  Q_PROPERTY(QString editingID READ editingIDText WRITE setEditingIDText NOTIFY editingIDChanged)
  // The folder's absolute path, its bytes as they are; empty when outputs go next to their sources.
  Q_PROPERTY(QByteArray outputFolderBookmark READ outputFolderBookmarkBytes NOTIFY outputFolderBookmarkChanged)
  Q_PROPERTY(bool hasOutputFolder READ hasOutputFolder NOTIFY outputFolderBookmarkChanged)
  // Empty when no folder is chosen or the remembered one is gone.
  Q_PROPERTY(QString outputFolderName READ outputFolderNameText NOTIFY outputFolderNameChanged)
  Q_PROPERTY(int maxItems READ maxItems CONSTANT)

 public:

  // settings: where the output folder is remembered; tests pass a private scope.
  // clock: the time source of the progress throttle and the remaining time.
  explicit AppState(std::unique_ptr<QSettings> settings, Clock clock = steadyClock(), QObject* parent = nullptr);
  ~AppState() override;

  // The application's one instance, with the user's settings (organisation
  // "Kivotra", application "KivotraMP4"). Created on first use, on the main
  // thread, and kept for the life of the process.
  static AppState& shared();
  static std::unique_ptr<QSettings> userSettings();

  // ---- Items (Part of the list and intake) ----
  ItemListModel* itemsModel() { return &model_; }
  const std::vector<VideoItem>& items() const { return model_.items(); }
  const VideoItem* find(const Uuid& id) const { return model_.find(id); }
  int itemCount() const { return model_.count(); }
  int maxItems() const { return kMaxItems; }

  // Takes files in by the intake rules (nothing while running, at most 5 items
  // of any status, extension mp4/mov/m4v in any case, no duplicate path text,
  // local files only) and probes each accepted one in the background.
  Q_INVOKABLE void add(const QList<QUrl>& urls);
  Q_INVOKABLE void addPaths(const QStringList& paths);
  void add(const std::vector<std::filesystem::path>& paths);
  // How long a background probe may wait on a source that delivers nothing
  // before the item fails with a read error (Transcoder::kProbeTimeLimit).
  void setProbeTimeLimit(std::chrono::milliseconds limit) { probes_.setTimeLimit(limit); }

  // Replaces the list as a whole, bypassing the intake rules and the probe:
  // for callers that build and probe items themselves (self tests).
  // Ignored while the queue runs.
  void setItems(std::vector<VideoItem> items);

  // Clears editingID if it is this item; the item being compressed stays.
  void remove(const Uuid& id);
  Q_INVOKABLE void remove(const QString& id);
  void setCustom(const Uuid& id, const ItemSettings& settings);
  Q_INVOKABLE void setCustomFrom(const QString& id, kivotra::CompressionSettings* settings);
  void clearCustom(const Uuid& id);
  Q_INVOKABLE void clearCustom(const QString& id);

  // ---- Per-item editing ----
  std::optional<Uuid> editingID() const { return editingID_; }
  void setEditingID(std::optional<Uuid> id);
  QString editingIDText() const;
  void setEditingIDText(const QString& id);
  // The global parameters, parked while an item is edited (not announced).
  const std::optional<ItemSettings>& editingBackup() const { return editingBackup_; }
  void setEditingBackup(std::optional<ItemSettings> settings) { editingBackup_ = std::move(settings); }

  // ---- Queue ----
  bool isRunning() const { return isRunning_; }
  std::optional<QString> currentFileName() const { return currentFileName_; }
  QString currentFileNameText() const { return currentFileName_.value_or(QString()); }
  int completedCount() const { return completedCount_; }

  // Compresses the items that are ready now, one after another, with their own
  // parameters or else these. Returns at once; does nothing while running or
  // when no item is ready.
  void startCompressing(const ItemSettings& snapshot);
  Q_INVOKABLE void startCompressing(kivotra::CompressionSettings* settings);
  // Stops the file being compressed; the queue goes on with the next.
  void cancelItem(const Uuid& id);
  Q_INVOKABLE void cancelItem(const QString& id);
  // Stops the file being compressed and ends the run after it.
  Q_INVOKABLE void stopQueue();
  bool cancelRequested() const { return runner_.stopRequested(); }

  // ---- Output folder and naming ----
  std::optional<QByteArray> outputFolderBookmark() const { return outputFolder_.bookmark(); }
  QByteArray outputFolderBookmarkBytes() const { return outputFolderBookmark().value_or(QByteArray()); }
  bool hasOutputFolder() const { return outputFolderBookmark().has_value(); }
  std::optional<QString> outputFolderName() const { return outputFolder_.name(); }
  QString outputFolderNameText() const { return outputFolderName().value_or(QString()); }

  // Remembers the folder the folder dialog returned; a path that is not an
  // existing folder changes nothing. False then.
  Q_INVOKABLE bool chooseOutputFolder(const QString& path);
  Q_INVOKABLE bool chooseOutputFolderUrl(const QUrl& url);
  Q_INVOKABLE void clearOutputFolder();
  // The folder an output of source goes into, resolved anew for every file: the
  // remembered folder while it exists, else the source's own folder. Any thread.
  std::filesystem::path beginOutputDir(const std::filesystem::path& source) const {
    return outputFolder_.folderFor(source);
  }

 signals:
  // Any change of the list: an item added, removed, or a field of one changed.
  void itemsChanged();
  void isRunningChanged();
  void currentFileNameChanged();
  void completedCountChanged();
  void editingIDChanged();
  void outputFolderBookmarkChanged();
  void outputFolderNameChanged();
  // A probe's result was handled on the main thread (applied, or dropped
  // because the item is gone).
  void probeFinished(const QString& id);
  // The end-of-run update ran: isRunning is false again.
  void runFinished();

 private:
  // The runner's reports, from its thread, each posted to the main thread.
  void started(const Uuid& id, const QString& fileName) override;
  void progress(const Uuid& id, double fraction, std::optional<double> etaSeconds) override;
  void done(const Uuid& id, const std::filesystem::path& output, std::int64_t size, int encodes,
            std::optional<std::int64_t> sizeLimit) override;
  void failed(const Uuid& id, const QString& message) override;
  void stopped(const Uuid& id) override;
  void runEnded() override;

  void changeItem(const Uuid& id, const std::function<void(VideoItem&)>& change);
  void setCurrentFileName(std::optional<QString> name);
  void setCompletedCount(int count);
  // Emits the folder's change signals for what differs from before.
  void announceFolder(const std::optional<QByteArray>& bookmark, const std::optional<QString>& name);
  template <class F>
  void post(F&& fn);

  ItemListModel model_;
  std::unique_ptr<QSettings> settings_;
  OutputFolder outputFolder_;

  std::optional<Uuid> editingID_;
  std::optional<ItemSettings> editingBackup_;
  bool isRunning_ = false;
  std::optional<QString> currentFileName_;
  int completedCount_ = 0;

  // Last: they stop their threads first, while the members above still stand.
  ProbePool probes_;
  QueueRunner runner_;
};

}  // namespace kivotra
