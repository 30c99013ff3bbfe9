#include "state/compression_settings.h"

#include <utility>

namespace kivotra {

namespace {

QString qstr(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

}  // namespace

CompressionSettings::CompressionSettings(QObject* parent) : QObject(parent) {}

QString CompressionSettings::fitLabel() const { return qstr(rawValue(values_.fit)); }

QStringList CompressionSettings::fitLabels() {
  QStringList labels;
  for (FitMode mode : kAllFitModes) labels << qstr(rawValue(mode));
  return labels;
}

namespace {

// Stores value; true when it differs from what was there.
template <class T>
bool store(T& field, T value) {
  const bool changed = field != value;
  field = value;
  return changed;
}

}  // namespace

void CompressionSettings::setShortSide(int value) {
  if (store(values_.shortSide, value)) emit shortSideChanged();
  if (onChange_) onChange_();
}

void CompressionSettings::setFps(int value) {
  if (store(values_.fps, value)) emit fpsChanged();
  if (onChange_) onChange_();
}

void CompressionSettings::setBitrateKbps(int value) {
  if (store(values_.bitrateKbps, value)) emit bitrateKbpsChanged();
  if (onChange_) onChange_();
}

void CompressionSettings::setFit(FitMode value) {
  if (store(values_.fit, value)) emit fitChanged();
  if (onChange_) onChange_();
}

void CompressionSettings::setNoUpscale(bool value) {
  if (store(values_.noUpscale, value)) emit noUpscaleChanged();
  if (onChange_) onChange_();
}

void CompressionSettings::setBySize(bool value) {
  if (store(values_.bySize, value)) emit bySizeChanged();
  if (onChange_) onChange_();
}

void CompressionSettings::setSizeLimitBytes(qint64 value) {
  if (store(values_.sizeLimitBytes, static_cast<std::int64_t>(value))) emit sizeLimitBytesChanged();
  if (onChange_) onChange_();
}

void CompressionSettings::setFitLabel(const QString& label) {
  const QByteArray utf8 = label.toUtf8();
  if (auto mode = fitModeFromRaw(std::string_view(utf8.constData(), static_cast<size_t>(utf8.size())))) setFit(*mode);
}

void CompressionSettings::apply(const ItemSettings& settings) {
  // The hook is taken aside so that loading another item's values while an
  // editor's hook is installed does not write them back through it.
  ChangeHook hook = std::exchange(onChange_, nullptr);
  setShortSide(settings.shortSide);
  setFps(settings.fps);
  setBitrateKbps(settings.bitrateKbps);
  setFit(settings.fit);
  setNoUpscale(settings.noUpscale);
  setBySize(settings.bySize);
  setSizeLimitBytes(settings.sizeLimitBytes);
  onChange_ = std::move(hook);
}

}  // namespace kivotra
