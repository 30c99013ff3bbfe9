#include "state/output_folder.h"

#include <QFileInfo>
#include <system_error>

#include "state/path_text.h"

namespace kivotra {

namespace fs = std::filesystem;

namespace {

// The folder's name for display; the root has no last component of its own.
QString folderName(const QString& absolutePath) {
  const QString name = QFileInfo(absolutePath).fileName();
  return name.isEmpty() ? absolutePath : name;
}

bool isFolder(const fs::path& path) {
  std::error_code ec;
  return fs::is_directory(path, ec);
}

}  // namespace

OutputFolder::OutputFolder(QSettings* settings) : settings_(settings) {
  if (!settings_ || !settings_->contains(QLatin1String(bookmarkKey))) return;
  const QByteArray bytes = settings_->value(QLatin1String(bookmarkKey)).toByteArray();
  // A folder that is gone keeps its stored bytes (it may come back, say a
  // disk plugged in later) but shows no name.
  const QString path = textFromBytes(bytes);
  std::optional<QString> name;
  if (!bytes.isEmpty() && isFolder(pathFromText(path))) name = shownText(folderName(path));
  set(bytes, name);
}

void OutputFolder::set(std::optional<QByteArray> bytes, std::optional<QString> name) {
  {
    std::lock_guard guard(lock_);
    folder_ = bytes ? std::optional<fs::path>(bytes->toStdString()) : std::nullopt;
  }
  bookmark_ = std::move(bytes);
  name_ = std::move(name);
}

bool OutputFolder::choose(const QString& path) {
  if (path.isEmpty()) return false;
  // By bytes: the folder's name need not be UTF-8, and the bookmark keeps it as it is.
  std::error_code ec;
  std::string absolute = fs::absolute(pathFromText(path), ec).lexically_normal().native();
  if (absolute.size() > 1 && absolute.back() == '/') absolute.pop_back();
  if (ec || !isFolder(absolute)) return false;
  const QByteArray bytes = QByteArray::fromStdString(absolute);
  set(bytes, shownText(folderName(textFromBytes(bytes))));
  if (settings_) {
    settings_->setValue(QLatin1String(bookmarkKey), bytes);
    settings_->sync();
  }
  return true;
}

void OutputFolder::clear() {
  set(std::nullopt, std::nullopt);
  if (settings_) {
    settings_->remove(QLatin1String(bookmarkKey));
    settings_->sync();
  }
}

fs::path OutputFolder::folderFor(const fs::path& source) const {
  std::optional<fs::path> folder;
  {
    std::lock_guard guard(lock_);
    folder = folder_;
  }
  if (folder && isFolder(*folder)) return *folder;
  fs::path parent = source.parent_path();
  return parent.empty() ? fs::path(".") : parent;
}

}  // namespace kivotra
