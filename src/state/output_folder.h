#pragma once

#include <QByteArray>
#include <QSettings>
#include <QString>
#include <filesystem>
#include <mutex>
#include <optional>

namespace kivotra {

// The output folder the user chose, remembered across runs, and the folder
// each output goes into. Changed on one thread; folderFor() may be asked from
// any thread.
class OutputFolder {
 public:
  static constexpr const char* bookmarkKey = "kivotra.outputFolderBookmark";

  // settings: where the folder is remembered; null remembers nothing (the
  // terminal tool). A remembered folder is restored at once.
  explicit OutputFolder(QSettings* settings);

  // The folder's absolute path, its bytes as they are; none when outputs go
  // next to their sources.
  std::optional<QByteArray> bookmark() const { return bookmark_; }
  // The folder's name for display; none when no folder is chosen or the
  // remembered one is gone.
  std::optional<QString> name() const { return name_; }

  // Remembers the folder at path; a path that is not an existing folder
  // changes nothing. False then.
  bool choose(const QString& path);
  void clear();

  // The folder an output of source goes into, resolved anew for every file:
  // the chosen folder while it exists, else the source's own folder.
  std::filesystem::path folderFor(const std::filesystem::path& source) const;

 private:
  void set(std::optional<QByteArray> bytes, std::optional<QString> name);

  QSettings* settings_;
  std::optional<QByteArray> bookmark_;
  std::optional<QString> name_;
  mutable std::mutex lock_;
  std::optional<std::filesystem::path> folder_;  // guarded by lock_
};

}  // namespace kivotra
