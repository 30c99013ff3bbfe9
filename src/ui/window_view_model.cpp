#include "ui/window_view_model.h"

#include <QCoreApplication>
#include <utility>

#include "state/app_state.h"
#include "state/compression_settings.h"
#include "state/intake.h"
#include "state/path_text.h"
#include "ui/intake_notice.h"
#include "ui/list_rules.h"
#include "ui/palette.h"

namespace kivotra::ui {

WindowViewModel::WindowViewModel(AppState& state, CompressionSettings& settings, QObject* parent)
    : QObject(parent), state_(&state), settings_(&settings), cards_(state, settings),
      panel_(state, settings),
      summary_(state, settings, panel_) {
  connect(state.itemsModel(), &ItemListModel::countChanged, this, &WindowViewModel::itemCountChanged);
  connect(Palette::schemeSignals(), &SchemeNotifier::changed, this, &WindowViewModel::itemCountChanged);  // countColor
  connect(&state, &AppState::runFinished, this, [this] {
    if (quitting_) {
      emit quitRequested();
      return;
    }
    addPaths(std::exchange(waiting_, {}));
  });
}

int WindowViewModel::itemCount() const { return state_ ? state_->itemCount() : 0; }
bool WindowViewModel::listFull() const { return ui::listFull(itemCount()); }
QString WindowViewModel::countText() const { return QString::fromStdString(ui::countText(itemCount())); }
QColor WindowViewModel::countColor() const { return Palette::colour(countTone(itemCount())); }
QString WindowViewModel::dropHint() const { return QString::fromStdString(dropHintText(itemCount())); }
double WindowViewModel::dropZoneOpacity() const { return ui::dropZoneOpacity(itemCount()); }

QStringList WindowViewModel::pickerFilters() {
  // Only what the list takes, in either case.
  QStringList patterns;
  for (const QString& ext : acceptedExts()) patterns << "*." + ext << "*." + ext.toUpper();
  return {QCoreApplication::translate("Window", "视频 (%1)").arg(patterns.join(QLatin1Char(' ')))};
}

namespace {

std::vector<std::filesystem::path> localPaths(const QList<QUrl>& urls) {
  std::vector<std::filesystem::path> paths;
  for (const QUrl& url : urls) {
    if (url.isLocalFile()) paths.push_back(pathFromText(url.toLocalFile()));
  }
  return paths;
}

}  // namespace

bool WindowViewModel::handleDrop(const QList<QUrl>& urls) {
  const bool full = listFull() && !(state_ && state_->isRunning());
  addPaths(localPaths(urls));  // also when full: the notice says why nothing came in
  return !full;
}

void WindowViewModel::addFiles(const QList<QUrl>& urls) { addPaths(localPaths(urls)); }

void WindowViewModel::addPaths(const QStringList& paths) {
  std::vector<std::filesystem::path> converted;
  for (const QString& path : paths) converted.push_back(pathFromText(path));
  addPaths(converted);
}

void WindowViewModel::addPaths(const std::vector<std::filesystem::path>& paths) {
  if (!state_ || paths.empty()) return;
  if (state_->isRunning()) {
    waiting_.insert(waiting_.end(), paths.begin(), paths.end());
    setNotice(waitingNotice(static_cast<int>(waiting_.size())));
    return;
  }
  std::vector<std::filesystem::path> listed;
  for (const VideoItem& item : state_->items()) listed.push_back(item.url);
  const Intake intake = sortIntake(paths, listed, kMaxItems - itemCount(), acceptedExts(), diskFacts());
  state_->add(intake.accepted);
  setNotice(skipNotice(intake.skipped, kMaxItems));
}

void WindowViewModel::dismissNotice() { setNotice({}); }

void WindowViewModel::setNotice(const QString& notice) {
  if (notice_ == notice) return;
  notice_ = notice;
  emit noticeChanged();
}

void WindowViewModel::toggleEditing(const QString& id) {
  panel_.toggleEditing(id);
}

void WindowViewModel::remove(const QString& id) {
  if (state_) state_->remove(id);
}

void WindowViewModel::cancelItem(const QString& id) {
  if (state_) state_->cancelItem(id);
}

void WindowViewModel::reveal(const QString& id) {
  const auto uuid = Uuid::parse(id.toStdString());
  if (!state_ || !uuid) return;
  const VideoItem* item = state_->find(*uuid);
  if (item && item->outputURL) emit revealRequested(pathText(*item->outputURL));
}

double WindowViewModel::progressBarWidth(double trackWidth, double fraction) {
  return ui::progressBarWidth(trackWidth, fraction);
}

void WindowViewModel::setCloseQuestionShown(bool shown) {
  if (closeQuestionShown_ == shown) return;
  closeQuestionShown_ = shown;
  emit closeQuestionChanged();
}

bool WindowViewModel::requestQuit() {
  if (quitting_) return false;
  if (state_ && state_->isRunning()) {
    setCloseQuestionShown(true);
    return false;
  }
  setCloseQuestionShown(false);
  return true;
}

void WindowViewModel::confirmQuit() {
  setCloseQuestionShown(false);
  stopAndQuit();
}

void WindowViewModel::keepCompressing() { setCloseQuestionShown(false); }

void WindowViewModel::stopAndQuit() {
  if (quitting_) return;
  if (!state_ || !state_->isRunning()) {
    emit quitRequested();
    return;
  }
  // The run's end (runFinished) comes once the stopped file's part file is gone.
  quitting_ = true;
  state_->stopQueue();
}

}  // namespace kivotra::ui
