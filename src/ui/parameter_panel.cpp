#include "ui/parameter_panel.h"

#include <QCoreApplication>
#include <QVariantMap>

#include "models/tiers.h"
#include "ui/panel_rules.h"

namespace kivotra::ui {

namespace {

template <std::size_t N>
QVariantList choiceList(const std::array<Choice, N>& choices) {
  QVariantList list;
  for (const Choice& choice : choices) {
    list.append(QVariantMap{{QStringLiteral("label"), QCoreApplication::translate("Panel", choice.label)},
                            {QStringLiteral("value"), choice.value}});
  }
  return list;
}

std::optional<Uuid> parseId(const QString& id) { return Uuid::parse(id.toStdString()); }

}  // namespace

ParameterPanel::ParameterPanel(AppState& state, CompressionSettings& settings, QObject* parent)
    : QObject(parent), state_(&state), settings_(&settings) {
  // Editing can end outside the panel (the edited file removed, the list
  // replaced): the global parameters must come back all the same.
  connect(&state, &AppState::editingIDChanged, this, [this] {
    if (state_ && !state_->editingID() && state_->editingBackup()) restoreGlobal();
  });
  connect(&state, &AppState::editingIDChanged, this, &ParameterPanel::refreshHeader);
  connect(&state, &AppState::itemsChanged, this, &ParameterPanel::refreshHeader);
  connect(&state, &AppState::outputFolderBookmarkChanged, this, &ParameterPanel::outputNoteChanged);
  // Each bitrate has a text of its own, so a new bitrate is a new text.
  connect(&settings, &CompressionSettings::bitrateKbpsChanged, this, &ParameterPanel::bitrateTextChanged);
  connect(&settings, &CompressionSettings::bySizeChanged, this, &ParameterPanel::bitrateModeChanged);
  connect(&settings, &CompressionSettings::sizeLimitBytesChanged, this, &ParameterPanel::sizeLimitTextChanged);
  header_ = currentHeader();
}

QVariantList ParameterPanel::tierChoices() { return choiceList(kTierChoices); }
QVariantList ParameterPanel::fpsChoices() { return choiceList(kFpsChoices); }

QVariantList ParameterPanel::bitrateModeChoices() { return choiceList(kBitrateModeChoices); }
int ParameterPanel::bitrateMode() const { return settings_ && settings_->bySize() ? 1 : 0; }

QVariantList ParameterPanel::fitChoices() {
  QVariantList list;
  for (const QString& label : CompressionSettings::fitLabels()) {
    list.append(QVariantMap{{QStringLiteral("label"), QCoreApplication::translate("FitMode", label.toUtf8().constData())},
                            {QStringLiteral("value"), label}});
  }
  return list;
}

int ParameterPanel::sliderFrom() { return kBitrateSliderFrom; }
int ParameterPanel::sliderTo() { return kBitrateSliderTo; }
int ParameterPanel::sliderStep() { return kBitrateSliderStep; }

QString ParameterPanel::bitrateText() const {
  return settings_ ? QString::fromStdString(bitrateFieldText(settings_->bitrateKbps())) : QString();
}

QString ParameterPanel::sizeLimitText() const {
  return settings_ ? QString::fromStdString(sizeLimitFieldText(settings_->sizeLimitBytes())) : QString();
}

QString ParameterPanel::outputNote() const {
  return QString::fromStdString(ui::outputNote(state_ && state_->hasOutputFolder()));
}

ParameterPanel::Header ParameterPanel::currentHeader() const {
  if (!state_) return {};
  const auto id = state_->editingID();
  const VideoItem* item = id ? state_->find(*id) : nullptr;
  if (!item) return {};
  return {true, QString::fromStdString(item->url.filename().string()), item->customSettings.has_value()};
}

void ParameterPanel::refreshHeader() {
  Header next = currentHeader();
  if (next == header_) return;
  header_ = std::move(next);
  emit headerChanged();
}

// ---- Tier switch ----

void ParameterPanel::selectShortSide(int shortSide) {
  if (!settings_) return;
  const int old = settings_->shortSide();
  if (old == shortSide) return;
  settings_->setShortSide(shortSide);
  if (outputDimsWouldChange(old, shortSide)) settings_->setBitrateKbps(recommendedBitrate(shortSide));
}

void ParameterPanel::selectFps(int fps) {
  if (settings_) settings_->setFps(fps);
}

void ParameterPanel::selectFit(const QString& label) {
  if (settings_) settings_->setFitLabel(label);
}

void ParameterPanel::setNoUpscale(bool noUpscale) {
  if (settings_) settings_->setNoUpscale(noUpscale);
}

bool ParameterPanel::outputDimsWouldChange(int fromSide, int toSide) const {
  if (!state_ || !settings_) return true;
  return ui::outputDimsWouldChange(tierTestFiles(state_->items(), state_->editingID()), settings_->fit(),
                                   settings_->noUpscale(), fromSide, toSide);
}

// ---- Editing ----

void ParameterPanel::beginEditing(const VideoItem& item) {
  if (!state_ || !settings_) return;
  // Switching from one file to another keeps the backup: the panel then
  // holds the previous file's values, not the global ones.
  if (!state_->editingID()) state_->setEditingBackup(settings_->snapshot());
  const ItemSettings base = state_->editingBackup().value_or(settings_->snapshot());
  settings_->apply(item.customSettings.value_or(base));
  settings_->setOnChange([state = state_, settings = settings_] {
    if (!state || !settings) return;
    if (const auto id = state->editingID()) state->setCustom(*id, settings->snapshot());
  });
  state_->setEditingID(item.id);
}

void ParameterPanel::beginEditing(const QString& id) {
  if (!state_) return;
  const auto parsed = parseId(id);
  if (const VideoItem* item = parsed ? state_->find(*parsed) : nullptr) beginEditing(*item);
}

void ParameterPanel::endEditing() {
  if (!state_ || !state_->editingID()) return;
  restoreGlobal();
  state_->setEditingID(std::nullopt);
}

void ParameterPanel::restoreGlobal() {
  if (!state_ || !settings_) return;
  settings_->setOnChange(nullptr);
  if (const auto backup = state_->editingBackup()) settings_->apply(*backup);
  state_->setEditingBackup(std::nullopt);
}

void ParameterPanel::toggleEditing(const QString& id) {
  if (!state_) return;
  const auto parsed = parseId(id);
  if (parsed && state_->editingID() == parsed) {
    endEditing();
  } else {
    beginEditing(id);
  }
}

void ParameterPanel::followGlobal() {
  if (!state_) return;
  if (const auto id = state_->editingID()) state_->clearCustom(*id);
  endEditing();
}

ItemSettings ParameterPanel::globalParameters() const {
  const ItemSettings panel = settings_ ? settings_->snapshot() : ItemSettings{};
  return ui::globalParameters(state_ ? state_->editingBackup() : std::nullopt, panel);
}

ItemSettings ParameterPanel::effectiveParameters(const VideoItem& item) const {
  const ItemSettings panel = settings_ ? settings_->snapshot() : ItemSettings{};
  return ui::effectiveParameters(item, state_ ? state_->editingBackup() : std::nullopt, panel);
}

// ---- Bitrate ----

void ParameterPanel::setBitrateFromSlider(double value) {
  if (settings_) settings_->setBitrateKbps(bitrateFromSlider(value));
}

bool ParameterPanel::setBitrateText(const QString& text) {
  const auto value = parseBitrateField(text.toStdString());
  if (!value || !settings_) return false;
  settings_->setBitrateKbps(*value);
  return true;
}

void ParameterPanel::selectBitrateMode(int mode) {
  if (settings_) settings_->setBySize(mode == 1);
}

bool ParameterPanel::setSizeLimitText(const QString& text) {
  const auto bytes = parseSizeLimitField(text.toStdString());
  if (!bytes || !settings_) return false;
  settings_->setSizeLimitBytes(*bytes);
  return true;
}

// ---- Output folder ----

bool ParameterPanel::chooseOutputFolder(const QUrl& folder) { return state_ && state_->chooseOutputFolderUrl(folder); }

void ParameterPanel::clearOutputFolder() {
  if (state_) state_->clearOutputFolder();
}

}  // namespace kivotra::ui
