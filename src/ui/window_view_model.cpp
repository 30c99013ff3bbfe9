#include "ui/window_view_model.h"

#include "state/app_state.h"
#include "state/compression_settings.h"
#include "state/path_text.h"
#include "ui/list_rules.h"
#include "ui/palette.h"

namespace kivotra::ui {

WindowViewModel::WindowViewModel(AppState& state, CompressionSettings& settings, QObject* parent)
    : QObject(parent), state_(&state), settings_(&settings), cards_(state, settings),
      panel_(state, settings),
      summary_(state, settings, panel_) {
  connect(state.itemsModel(), &ItemListModel::countChanged, this, &WindowViewModel::itemCountChanged);
  connect(&state, &AppState::runFinished, this, [this] {
    if (quitting_) emit quitRequested();
  });
}

int WindowViewModel::itemCount() const { return state_ ? state_->itemCount() : 0; }
bool WindowViewModel::listFull() const { return ui::listFull(itemCount()); }
QString WindowViewModel::countText() const { return QString::fromStdString(ui::countText(itemCount())); }
QColor WindowViewModel::countColor() const { return Palette::colour(countTone(itemCount())); }
QString WindowViewModel::dropHint() const { return QString::fromStdString(dropHintText(itemCount())); }
double WindowViewModel::dropZoneOpacity() const { return ui::dropZoneOpacity(itemCount()); }

QStringList WindowViewModel::pickerFilters() {
  // Any movie file; AppState decides which of them enter the list.
  return {QCoreApplication::translate("Window", "影片 (*.mp4 *.MP4 *.mov *.MOV *.m4v *.M4V *.mkv *.MKV *.avi *.AVI *.webm *.WEBM "
                         "*.mpg *.MPG *.mpeg *.MPEG *.wmv *.WMV *.flv *.FLV *.3gp *.3GP *.mts *.MTS *.ts *.TS)"),
          QCoreApplication::translate("Window", "所有文件 (*)")};
}

bool WindowViewModel::handleDrop(const QList<QUrl>& urls) {
  if (listFull()) return false;
  QList<QUrl> files;
  for (const QUrl& url : urls) {
    if (url.isLocalFile()) files.append(url);
  }
  if (state_) state_->add(files);
  return true;
}

void WindowViewModel::addFiles(const QList<QUrl>& urls) {
  if (state_) state_->add(urls);
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
