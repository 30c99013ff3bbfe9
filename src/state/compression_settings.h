#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>

#include "models/item_settings.h"

namespace kivotra {

// The global compression parameters the panel edits. Belongs to the main thread.
// The NOTIFY signals fire only on a real change; onChange fires on every
// assignment through a setter, changed or not, and never from apply().
class CompressionSettings : public QObject {
  Q_OBJECT
  Q_PROPERTY(int shortSide READ shortSide WRITE setShortSide NOTIFY shortSideChanged)
  Q_PROPERTY(int fps READ fps WRITE setFps NOTIFY fpsChanged)
  Q_PROPERTY(int bitrateKbps READ bitrateKbps WRITE setBitrateKbps NOTIFY bitrateKbpsChanged)
  // The FitMode's raw value ("保持原始", "裁切 16:9", "加黑边 16:9"); other texts are ignored.
  Q_PROPERTY(QString fit READ fitLabel WRITE setFitLabel NOTIFY fitChanged)
  Q_PROPERTY(bool noUpscale READ noUpscale WRITE setNoUpscale NOTIFY noUpscaleChanged)
  // Size mode: every file gets the bitrate that keeps it under the limit (bytes).
  Q_PROPERTY(bool bySize READ bySize WRITE setBySize NOTIFY bySizeChanged)
  Q_PROPERTY(qint64 sizeLimitBytes READ sizeLimitBytes WRITE setSizeLimitBytes NOTIFY sizeLimitBytesChanged)
  // The three raw values in declaration order, for the panel's choices.
  Q_PROPERTY(QStringList fitLabels READ fitLabels CONSTANT)

 public:
  explicit CompressionSettings(QObject* parent = nullptr);

  int shortSide() const { return values_.shortSide; }
  int fps() const { return values_.fps; }
  int bitrateKbps() const { return values_.bitrateKbps; }
  FitMode fit() const { return values_.fit; }
  QString fitLabel() const;
  bool noUpscale() const { return values_.noUpscale; }
  bool bySize() const { return values_.bySize; }
  qint64 sizeLimitBytes() const { return values_.sizeLimitBytes; }
  static QStringList fitLabels();

  void setShortSide(int value);
  void setFps(int value);
  void setBitrateKbps(int value);
  void setFit(FitMode value);
  void setFitLabel(const QString& label);
  void setNoUpscale(bool value);
  void setBySize(bool value);
  void setSizeLimitBytes(qint64 value);

  using ChangeHook = std::function<void()>;
  const ChangeHook& onChange() const { return onChange_; }
  void setOnChange(ChangeHook hook) { onChange_ = std::move(hook); }

  ItemSettings snapshot() const { return values_; }
  // Loads all the values without calling onChange; the hook stays installed.
  void apply(const ItemSettings& settings);

 signals:
  void shortSideChanged();
  void fpsChanged();
  void bitrateKbpsChanged();
  void fitChanged();
  void noUpscaleChanged();
  void bySizeChanged();
  void sizeLimitBytesChanged();

 private:
  ItemSettings values_;
  ChangeHook onChange_;
};

}  // namespace kivotra
