#include "state/app_state.h"

#include <QMetaObject>

#include "state/path_text.h"

namespace kivotra {

namespace fs = std::filesystem;

namespace {

std::optional<Uuid> parseId(const QString& text) { return Uuid::parse(text.toStdString()); }

}  // namespace

AppState::AppState(std::unique_ptr<QSettings> settings, Clock clock, QObject* parent)
    : QObject(parent),
      settings_(std::move(settings)),
      outputFolder_(settings_.get()),
      runner_(*this, outputFolder_, std::move(clock)) {
  connect(&model_, &QAbstractItemModel::rowsInserted, this, &AppState::itemsChanged);
  connect(&model_, &QAbstractItemModel::rowsRemoved, this, &AppState::itemsChanged);
  connect(&model_, &QAbstractItemModel::modelReset, this, &AppState::itemsChanged);
  connect(&model_, &QAbstractItemModel::dataChanged, this, &AppState::itemsChanged);
}

// The runner and the probe pool, declared last, stop and wait for their
// threads first. Reports they posted but the loop has not delivered are
// dropped by QObject's destructor together with this object.
AppState::~AppState() = default;

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
  for (const QString& path : paths) converted.push_back(pathFromText(path));
  add(converted);
}

void AppState::add(const std::vector<fs::path>& paths) {
  if (isRunning_) return;
  for (const fs::path& path : acceptedPaths(model_.items(), paths)) {
    VideoItem item(path);
    probes_.start(item.id, item.url, [this](const Uuid& id, ProbeResult result) {
      post([this, id, result = std::move(result)] {
        changeItem(id, [&](VideoItem& item) { applyProbeResult(item, result); });
        emit probeFinished(QString::fromStdString(id.toString()));
      });
    });
    model_.append(std::move(item));
  }
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
    runner_.skip(id);
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

  isRunning_ = true;
  emit isRunningChanged();
  setCompletedCount(0);
  runner_.start(std::move(work), snapshot);
}

void AppState::cancelItem(const Uuid& id) {
  if (!isRunning_) return;
  const VideoItem* item = model_.find(id);
  if (!item || !item->status.is(ItemStatus::Kind::compressing)) return;
  runner_.cancel(id);
}

void AppState::cancelItem(const QString& id) {
  if (auto parsed = parseId(id)) cancelItem(*parsed);
}

void AppState::stopQueue() {
  if (isRunning_) runner_.stopAll();
}

void AppState::started(const Uuid& id, const QString& fileName) {
  post([this, id, fileName] {
    changeItem(id, markStarted);
    setCurrentFileName(fileName);
  });
}

void AppState::progress(const Uuid& id, double fraction, std::optional<double> etaSeconds) {
  post([this, id, fraction, etaSeconds] {
    changeItem(id, [&](VideoItem& item) { markProgress(item, fraction, etaSeconds); });
  });
}

void AppState::done(const Uuid& id, const fs::path& output, std::int64_t size, int encodes,
                    std::optional<std::int64_t> sizeLimit) {
  post([this, id, output, size, encodes, sizeLimit] {
    changeItem(id, [&](VideoItem& item) { markDone(item, output, size, encodes, sizeLimit); });
    setCompletedCount(completedCount_ + 1);
  });
}

void AppState::failed(const Uuid& id, const QString& message) {
  post([this, id, message] { changeItem(id, [&](VideoItem& item) { markFailed(item, message); }); });
}

void AppState::stopped(const Uuid& id) {
  post([this, id] { changeItem(id, markStopped); });
}

void AppState::runEnded() {
  post([this] {
    isRunning_ = false;
    emit isRunningChanged();
    setCurrentFileName(std::nullopt);
    emit runFinished();
  });
}

// ---- Output folder ----

void AppState::announceFolder(const std::optional<QByteArray>& bookmark, const std::optional<QString>& name) {
  if (outputFolder_.bookmark() != bookmark) emit outputFolderBookmarkChanged();
  if (outputFolder_.name() != name) emit outputFolderNameChanged();
}

bool AppState::chooseOutputFolder(const QString& path) {
  const auto bookmark = outputFolder_.bookmark();
  const auto name = outputFolder_.name();
  if (!outputFolder_.choose(path)) return false;
  announceFolder(bookmark, name);
  return true;
}

bool AppState::chooseOutputFolderUrl(const QUrl& url) {
  const auto path = localPathOf(url);
  return path && chooseOutputFolder(pathText(*path));
}

void AppState::clearOutputFolder() {
  const auto bookmark = outputFolder_.bookmark();
  const auto name = outputFolder_.name();
  outputFolder_.clear();
  announceFolder(bookmark, name);
}

}  // namespace kivotra
