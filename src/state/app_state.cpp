#include "state/app_state.h"

#include <sys/stat.h>

#include <QDir>
#include <QFileInfo>
#include <QMetaObject>
#include <algorithm>
#include <cstdint>
#include <system_error>

#include "models/errors.h"
#include "models/format.h"
#include "models/text.h"
#include "models/tiers.h"
#include "state/output_naming.h"
#include "state/path_text.h"
#include "state/size_fit.h"
#include "transcoder/transcoder.h"

namespace kivotra {

namespace fs = std::filesystem;

namespace {

// Probes run all at once; the list holds at most 5, a few more cover items
// removed and replaced while their probe still runs.
constexpr int kProbeThreads = 8;

// Lossless both ways: a name that is not UTF-8 keeps its bytes.
QString qpath(const fs::path& path) { return pathText(path); }
fs::path fspath(const QString& path) { return pathFromText(path); }

std::optional<Uuid> parseId(const QString& text) { return Uuid::parse(text.toStdString()); }

// The folder's name for display; the root has no last component of its own.
QString folderName(const QString& absolutePath) {
  const QString name = QFileInfo(absolutePath).fileName();
  return name.isEmpty() ? absolutePath : name;
}

// An output is never more open to others than its source (read and write bits only).
mode_t sourcePermissions(const fs::path& source) {
  struct stat st {};
  if (::stat(source.c_str(), &st) != 0) return 0600;
  return st.st_mode & 0666;
}

bool isFolder(const fs::path& path) {
  std::error_code ec;
  return fs::is_directory(path, ec);
}

}  // namespace

const QStringList& AppState::acceptedExts() {
  static const QStringList exts{QStringLiteral("mp4"), QStringLiteral("mov"), QStringLiteral("m4v")};
  return exts;
}

AppState::AppState(std::unique_ptr<QSettings> settings, Clock clock, QObject* parent)
    : QObject(parent), settings_(std::move(settings)), clock_(std::move(clock)) {
  probePool_.setMaxThreadCount(kProbeThreads);
  connect(&model_, &QAbstractItemModel::rowsInserted, this, &AppState::itemsChanged);
  connect(&model_, &QAbstractItemModel::rowsRemoved, this, &AppState::itemsChanged);
  connect(&model_, &QAbstractItemModel::modelReset, this, &AppState::itemsChanged);
  connect(&model_, &QAbstractItemModel::dataChanged, this, &AppState::itemsChanged);
  restoreOutputFolder();
}

AppState::~AppState() {
  cancelRequested_ = true;
  closing_ = true;
  if (runner_.joinable()) runner_.join();
  probePool_.waitForDone();
  // Results the threads posted but the loop has not delivered are dropped by
  // QObject's destructor together with this object.
}

AppState& AppState::shared() {
  // Never destroyed: the window, the delegate and the headless modes use it
  // until the process ends.
  static AppState* const instance = new AppState(userSettings());
  return *instance;
}

std::unique_ptr<QSettings> AppState::userSettings() {
  return std::make_unique<QSettings>(QStringLiteral("Kivotra"), QStringLiteral("KivotraMP4"));
}

template <class F>
void AppState::post(F&& fn) {
  QMetaObject::invokeMethod(this, std::forward<F>(fn), Qt::QueuedConnection);
}

// ---- Intake ----

void AppState::add(const QList<QUrl>& urls) {
  std::vector<fs::path> paths;
  for (const QUrl& url : urls) {
    if (auto path = localPathOf(url)) paths.push_back(std::move(*path));
  }
  add(paths);
}

void AppState::addPaths(const QStringList& paths) {
  std::vector<fs::path> converted;
  for (const QString& path : paths) converted.push_back(fspath(path));
  add(converted);
}

void AppState::add(const std::vector<fs::path>& paths) {
  if (isRunning_) return;
  for (const fs::path& path : paths) {
    if (model_.count() >= kMaxItems) break;
    const QString ext = qpath(path.extension()).mid(1).toLower();
    if (!acceptedExts().contains(ext)) continue;
    const auto& items = model_.items();
    const bool duplicate =
        std::any_of(items.begin(), items.end(), [&](const VideoItem& item) { return item.url.native() == path.native(); });
    if (duplicate) continue;
    VideoItem item(path);
    startProbe(item);
    model_.append(std::move(item));
  }
}

void AppState::startProbe(const VideoItem& item) {
  probePool_.start([this, id = item.id, source = item.url, limit = probeTimeLimit_] {
    try {
      ProbeInfo info = Transcoder::probeSync(source, [this] { return closing_.load(); }, limit);
      post([this, id, info = std::move(info)] { fill(id, info); });
    } catch (const Error& e) {
      post([this, id, text = QString::fromStdString(e.description())] { failLoad(id, text); });
    } catch (const std::exception& e) {
      post([this, id, text = QString::fromUtf8(e.what())] { failLoad(id, text); });
    }
  });
}

void AppState::fill(const Uuid& id, const ProbeInfo& info) {
  changeItem(id, [&](VideoItem& item) {
    auto thumbnail = std::move(item.thumbnail);
    item.applyProbe(info);
    if (!info.thumbnail) item.thumbnail = std::move(thumbnail);
    item.status = ItemStatus::ready();
  });
  emit probeFinished(QString::fromStdString(id.toString()));
}

void AppState::failLoad(const Uuid& id, const QString& description) {
  changeItem(id, [&](VideoItem& item) { item.status = ItemStatus::failed(fillIn(translate("State", "读取失败：%1"), {description.toStdString()})); });
  emit probeFinished(QString::fromStdString(id.toString()));
}

void AppState::setItems(std::vector<VideoItem> items) {
  if (isRunning_) return;
  model_.reset(std::move(items));
  if (editingID_ && !model_.find(*editingID_)) setEditingID(std::nullopt);
}

void AppState::remove(const Uuid& id) {
  if (editingID_ == id) setEditingID(std::nullopt);
  const VideoItem* item = model_.find(id);
  if (!item) return;
  if (isRunning_) {
    if (item->status.is(ItemStatus::Kind::compressing)) return;
    // The run took its work list at the start; this tells it to skip the file,
    // or to stop it should the run have got to it already.
    removedDuringRun_.insert(id);
  }
  model_.removeId(id);
}

void AppState::remove(const QString& id) {
  if (auto parsed = parseId(id)) remove(*parsed);
}

void AppState::setCustom(const Uuid& id, const ItemSettings& settings) {
  changeItem(id, [&](VideoItem& item) { item.customSettings = settings; });
}

void AppState::setCustomFrom(const QString& id, CompressionSettings* settings) {
  if (!settings) return;
  if (auto parsed = parseId(id)) setCustom(*parsed, settings->snapshot());
}

void AppState::clearCustom(const Uuid& id) {
  changeItem(id, [](VideoItem& item) { item.customSettings.reset(); });
}

void AppState::clearCustom(const QString& id) {
  if (auto parsed = parseId(id)) clearCustom(*parsed);
}

void AppState::changeItem(const Uuid& id, const std::function<void(VideoItem&)>& change) { model_.update(id, change); }

// ---- Editing ----

void AppState::setEditingID(std::optional<Uuid> id) {
  if (editingID_ == id) return;
  editingID_ = id;
  emit editingIDChanged();
}

QString AppState::editingIDText() const {
  return editingID_ ? QString::fromStdString(editingID_->toString()) : QString();
}

void AppState::setEditingIDText(const QString& id) {
  if (id.isEmpty()) {
    setEditingID(std::nullopt);
  } else if (auto parsed = parseId(id)) {
    setEditingID(*parsed);
  }
}

// ---- Queue ----

void AppState::setRunning(bool running) {
  if (isRunning_ == running) return;
  isRunning_ = running;
  emit isRunningChanged();
}

void AppState::setCurrentFileName(std::optional<QString> name) {
  if (currentFileName_ == name) return;
  currentFileName_ = std::move(name);
  emit currentFileNameChanged();
}

void AppState::setCompletedCount(int count) {
  if (completedCount_ == count) return;
  completedCount_ = count;
  emit completedCountChanged();
}

void AppState::startCompressing(CompressionSettings* settings) {
  if (settings) startCompressing(settings->snapshot());
}

void AppState::startCompressing(const ItemSettings& snapshot) {
  if (isRunning_) return;
  std::vector<VideoItem> work;
  for (const VideoItem& item : model_.items()) {
    if (item.status.is(ItemStatus::Kind::ready)) work.push_back(item);
  }
  if (work.empty()) return;

  setRunning(true);
  cancelRequested_ = false;
  itemCancels_.clear();
  removedDuringRun_.clear();
  setCompletedCount(0);
  // The previous run's thread posted its end update as its last act, so this
  // join does not wait on any work.
  if (runner_.joinable()) runner_.join();
  runner_ = std::thread([this, work = std::move(work), snapshot] { runQueue(work, snapshot); });
}

void AppState::runQueue(std::vector<VideoItem> work, ItemSettings global) {
  for (const VideoItem& item : work) {
    if (cancelRequested_) break;
    if (removedDuringRun_.contains(item.id)) continue;
    itemCancels_.erase(item.id);
    compressOne(item, global);
  }
  post([this] {
    setRunning(false);
    setCurrentFileName(std::nullopt);
    emit runFinished();
  });
}

bool AppState::stopAsked(const Uuid& id) const {
  return cancelRequested_ || itemCancels_.contains(id) || removedDuringRun_.contains(id);
}

// Fails a file before it starts when its folder cannot hold it, instead of
// late with a half-written output. The margin covers the container and the
// encoder's overshoot of the target rate.
void AppState::checkFreeSpace(const fs::path& dir, std::int64_t estimatedBytes) {
  std::error_code ec;
  const fs::space_info space = fs::space(dir, ec);
  if (ec) return;  // the reservation that follows reports an unusable folder
  const std::int64_t needed = estimatedBytes + estimatedBytes / 20 + kFreeSpaceMarginBytes;
  const auto available = static_cast<std::int64_t>(std::min<std::uintmax_t>(space.available, INT64_MAX));
  if (available >= needed) return;
  throw PlatformError(PlatformError::Cause::diskFull,
                      fillIn(translate("State", "需要约 %1，可用 %2"), {fmtBytes(needed), fmtBytes(available)}));
}

void AppState::compressOne(const VideoItem& item, const ItemSettings& global) {
  const Uuid id = item.id;
  post([this, id, name = shownText(qpath(item.url.filename()))] {
    changeItem(id, [](VideoItem& it) {
      it.status = ItemStatus::compressing();
      it.progress = 0;
    });
    setCurrentFileName(name);
  });

  bool stopped = false;
  QString failure;
  try {
    // In size mode the bitrate (and the limit the second encode holds to) is this file's own.
    VideoItem fitted = item;
    const ItemSettings params = fitToSizeLimit(fitted, item.customSettings.value_or(global));
    const fs::path dir = beginOutputDir(item.url);
    removeStalePartFiles(dir);
    checkFreeSpace(dir, item.estimatedBytes(params.bitrateKbps));
    // Written aside under a hidden name and published whole: until then no
    // file exists under the output's name, whatever ends the process.
    OutputFile output(item.url, dir, params.shortSide, sourcePermissions(item.url));

    ProgressThrottle throttle(clock_);
    std::mutex throttleLock;  // the engine may report from more than one thread
    auto progress = [&](double fraction) {
      std::optional<ProgressThrottle::Update> update;
      {
        std::lock_guard guard(throttleLock);
        update = throttle.report(fraction);
      }
      if (update) post([this, id, u = *update] { setProgress(id, u.fraction, u.etaSeconds); });
    };
    auto isCancelled = [this, id] { return stopAsked(id); };

    const FitResult fit = transcodeWithinLimit(fitted, output, params, progress, isCancelled);
    const fs::path published = output.publish();
    post([this, id, published, fit, limit = fitted.sizeLimit] {
      changeItem(id, [&](VideoItem& it) {
        it.status = ItemStatus::done();
        it.sizeLimit = limit;
        it.outputURL = published;
        it.actualSize = fit.size;
        it.encodeCount = fit.encodes;
        it.progress = 1;
        it.etaSeconds.reset();
      });
      setCompletedCount(completedCount_ + 1);
    });
    return;
  } catch (const TranscodeError& e) {
    stopped = e.kind() == TranscodeError::Kind::cancelled;
    failure = QString::fromStdString(e.description());
  } catch (const Error& e) {
    failure = QString::fromStdString(e.description());
  } catch (const std::exception& e) {
    failure = QString::fromUtf8(e.what());
  }

  // The part file, if one was made, went with the OutputFile above.
  post([this, id, stopped, failure] {
    changeItem(id, [&](VideoItem& it) {
      if (stopped) {
        it.status = ItemStatus::ready();
        it.progress = 0;
      } else {
        it.status = ItemStatus::failed(failure.toStdString());
      }
      it.etaSeconds.reset();
    });
  });
  itemCancels_.erase(id);
}

void AppState::cancelItem(const Uuid& id) {
  if (!isRunning_) return;
  const VideoItem* item = model_.find(id);
  if (!item || !item->status.is(ItemStatus::Kind::compressing)) return;
  itemCancels_.insert(id);
}

void AppState::cancelItem(const QString& id) {
  if (auto parsed = parseId(id)) cancelItem(*parsed);
}

void AppState::stopQueue() {
  if (isRunning_) cancelRequested_ = true;
}

void AppState::setProgress(const Uuid& id, double fraction, std::optional<double> etaSeconds) {
  changeItem(id, [&](VideoItem& item) {
    item.progress = fraction;
    item.etaSeconds = etaSeconds;
  });
}

// ---- Output folder ----

void AppState::setBookmark(std::optional<QByteArray> bytes, std::optional<QString> name) {
  {
    std::lock_guard guard(bookmarkLock_);
    bookmarkFolder_ = bytes ? std::optional<fs::path>(bytes->toStdString()) : std::nullopt;
  }
  if (outputFolderBookmark_ != bytes) {
    outputFolderBookmark_ = std::move(bytes);
    emit outputFolderBookmarkChanged();
  }
  if (outputFolderName_ != name) {
    outputFolderName_ = std::move(name);
    emit outputFolderNameChanged();
  }
}

void AppState::restoreOutputFolder() {
  if (!settings_ || !settings_->contains(QLatin1String(bookmarkKey))) return;
  const QByteArray bytes = settings_->value(QLatin1String(bookmarkKey)).toByteArray();
  // A folder that is gone keeps its stored bytes (it may come back, say a
  // disk plugged in later) but shows no name.
  const QString path = textFromBytes(bytes);
  std::optional<QString> name;
  if (!bytes.isEmpty() && isFolder(fspath(path))) name = shownText(folderName(path));
  setBookmark(bytes, name);
}

bool AppState::chooseOutputFolder(const QString& path) {
  if (path.isEmpty()) return false;
  // By bytes: the folder's name need not be UTF-8, and the bookmark keeps it as it is.
  std::error_code ec;
  std::string absolute = fs::absolute(fspath(path), ec).lexically_normal().native();
  if (absolute.size() > 1 && absolute.back() == '/') absolute.pop_back();
  if (ec || !isFolder(absolute)) return false;
  const QByteArray bytes = QByteArray::fromStdString(absolute);
  setBookmark(bytes, shownText(folderName(textFromBytes(bytes))));
  if (settings_) {
    settings_->setValue(QLatin1String(bookmarkKey), bytes);
    settings_->sync();
  }
  return true;
}

bool AppState::chooseOutputFolderUrl(const QUrl& url) {
  const auto path = localPathOf(url);
  return path && chooseOutputFolder(qpath(*path));
}

void AppState::clearOutputFolder() {
  setBookmark(std::nullopt, std::nullopt);
  if (settings_) {
    settings_->remove(QLatin1String(bookmarkKey));
    settings_->sync();
  }
}

fs::path AppState::beginOutputDir(const fs::path& source) const {
  std::optional<fs::path> folder;
  {
    std::lock_guard guard(bookmarkLock_);
    folder = bookmarkFolder_;
  }
  if (folder && isFolder(*folder)) return *folder;
  fs::path parent = source.parent_path();
  return parent.empty() ? fs::path(".") : parent;
}

QString AppState::tierLabel(int shortSide) { return QString::fromStdString(kivotra::tierLabel(shortSide)); }

}  // namespace kivotra
