#include "ui/summary.h"

#include "ui/palette.h"
#include "ui/summary_rules.h"

namespace kivotra::ui {

namespace {

QString qstr(const std::string& text) { return QString::fromStdString(text); }

// The control's spring: response 0.28 s, damping fraction 0.7.
const Spring& hoverSpring() {
  static const Spring spring = springFor(0.28, 0.7);
  return spring;
}

}  // namespace

SummaryModel::SummaryModel(AppState& state, CompressionSettings& settings, ParameterPanel& panel, QObject* parent,
                           Clock clock)
    : QObject(parent), state_(&state), settings_(&settings), panel_(&panel), clock_(std::move(clock)) {
  // The whole queue's time is measured over the files this run took; the
  // run starts (and takes them) right before the running state is announced
  // (connected first: the refresh below reads it).
  connect(&state, &AppState::isRunningChanged, this, [this] {
    if (state_ && state_->isRunning()) run_.emplace(state_->items(), clock_());
  });
  for (auto signal : {&AppState::itemsChanged, &AppState::isRunningChanged, &AppState::completedCountChanged,
                      &AppState::editingIDChanged}) {
    connect(&state, signal, this, &SummaryModel::refresh);
  }
  for (auto signal : {&CompressionSettings::shortSideChanged, &CompressionSettings::fitChanged,
                      &CompressionSettings::bitrateKbpsChanged, &CompressionSettings::bySizeChanged,
                      &CompressionSettings::sizeLimitBytesChanged}) {
    connect(&settings, signal, this, &SummaryModel::refresh);
  }
  values_ = compute();
}

SummaryModel::Values SummaryModel::compute() const {
  Values v;
  if (!state_ || !settings_) return v;
  const std::vector<VideoItem>& items = state_->items();
  const ItemSettings panel = settings_->snapshot();
  const std::optional<ItemSettings>& backup = state_->editingBackup();

  // The tip follows the panel, that is the edited file's values while editing.
  v.tip = qstr(ui::tipText(panel.shortSide, panel.fit));
  v.estimated = ui::estimatedTotal(items, backup, panel);
  v.original = ui::totalOriginal(items);
  v.totalText = qstr(ui::totalText(v.estimated));
  const Saving s = ui::saving(v.estimated, v.original);
  v.savingText = qstr(s.text);
  v.savingIsPercent = s.kind == Saving::Kind::percent;
  std::optional<double> queueLeft;
  if (state_->isRunning() && run_) queueLeft = queueSecondsLeft(items, run_->speed(items, clock_()));
  v.detail = qstr(
      ui::detailText(items, backup.value_or(panel), state_->isRunning(), state_->completedCount(), queueLeft));
  v.countLine = qstr(ui::countLine(state_->itemCount(), v.detail.toStdString()));
  v.canStart = ui::canStart(items);
  v.isRunning = state_->isRunning();
  return v;
}

void SummaryModel::refresh() {
  Values next = compute();
  const bool tip = next.tip != values_.tip;
  const bool totals = next.estimated != values_.estimated || next.original != values_.original ||
                      next.totalText != values_.totalText || next.savingText != values_.savingText ||
                      next.savingIsPercent != values_.savingIsPercent;
  const bool detail = next.detail != values_.detail || next.countLine != values_.countLine;
  const bool start = next.canStart != values_.canStart || next.isRunning != values_.isRunning;
  values_ = std::move(next);
  if (tip) emit tipChanged();
  if (totals) emit totalsChanged();
  if (detail) emit detailChanged();
  if (start) emit startChanged();
}

bool SummaryModel::startEnabled() const { return ui::startEnabled(values_.isRunning, values_.canStart); }
double SummaryModel::startOpacity() const { return ui::startOpacity(values_.isRunning, values_.canStart); }
QString SummaryModel::startTitle() const { return qstr(ui::startTitle(values_.isRunning)); }
QString SummaryModel::startIcon() const { return qstr(ui::startIcon(values_.isRunning)); }
QColor SummaryModel::startFill() const { return values_.isRunning ? Palette::stopRed() : QColor(Qt::transparent); }
double SummaryModel::springStrength() { return hoverSpring().spring; }
double SummaryModel::springDamping() { return hoverSpring().damping; }

double SummaryModel::startScale(bool enabled, bool hovered) { return ui::startScale(enabled, hovered); }
double SummaryModel::startHighlight(bool hovered) { return ui::startHighlight(hovered); }

QColor SummaryModel::startShadowColor(bool isRunning, bool hovered) {
  const Shadow shadow = startShadow(isRunning, hovered);
  return toQColor(shadow.colour, shadow.opacity);
}

double SummaryModel::startShadowRadius(bool isRunning, bool hovered) { return startShadow(isRunning, hovered).radius; }
double SummaryModel::startShadowOffset(bool isRunning, bool hovered) { return startShadow(isRunning, hovered).offsetY; }

void SummaryModel::pressStart() {
  if (!state_ || !settings_) return;
  if (state_->isRunning()) {
    state_->stopQueue();
    return;
  }
  if (panel_) panel_->endEditing();
  state_->startCompressing(settings_.data());
}

}  // namespace kivotra::ui
