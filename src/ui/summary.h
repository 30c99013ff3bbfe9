#pragma once

#include <QColor>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QtQml/qqmlregistration.h>

#include "state/app_state.h"
#include "state/compression_settings.h"
#include "state/queue_time.h"
#include "ui/parameter_panel.h"

namespace kivotra::ui {

// The bottom of the right pane: the tip box, the summary card and the start
// control. Every text is recomputed when the state or the panel's parameters
// change, and announced only when it really changed. Main thread only.
class SummaryModel : public QObject {
  Q_OBJECT
  QML_ELEMENT
  QML_UNCREATABLE("made by the window")
  Q_PROPERTY(QString tipText READ tipText NOTIFY tipChanged)
  // Bytes.
  Q_PROPERTY(qint64 estimatedTotal READ estimatedTotal NOTIFY totalsChanged)
  Q_PROPERTY(qint64 totalOriginal READ totalOriginal NOTIFY totalsChanged)
  Q_PROPERTY(QString totalText READ totalText NOTIFY totalsChanged)
  // "↓ 61.5%", "源已较小" or empty; savingIsPercent picks the accent style.
  Q_PROPERTY(QString savingText READ savingText NOTIFY totalsChanged)
  Q_PROPERTY(bool savingIsPercent READ savingIsPercent NOTIFY totalsChanged)
  Q_PROPERTY(QString detailText READ detailText NOTIFY detailChanged)
  Q_PROPERTY(QString countLine READ countLine NOTIFY detailChanged)
  Q_PROPERTY(bool canStart READ canStart NOTIFY startChanged)
  Q_PROPERTY(bool isRunning READ isRunning NOTIFY startChanged)
  Q_PROPERTY(bool startEnabled READ startEnabled NOTIFY startChanged)
  Q_PROPERTY(double startOpacity READ startOpacity NOTIFY startChanged)
  Q_PROPERTY(QString startTitle READ startTitle NOTIFY startChanged)
  Q_PROPERTY(QString startIcon READ startIcon NOTIFY startChanged)
  Q_PROPERTY(QColor startFill READ startFill NOTIFY startChanged)
  // The hover spring in SpringAnimation's terms.
  Q_PROPERTY(double springStrength READ springStrength CONSTANT)
  Q_PROPERTY(double springDamping READ springDamping CONSTANT)

 public:
  // clock: what the whole queue's remaining time is measured by.
  SummaryModel(AppState& state, CompressionSettings& settings, ParameterPanel& panel, QObject* parent = nullptr,
               Clock clock = steadyClock());

  QString tipText() const { return values_.tip; }
  qint64 estimatedTotal() const { return values_.estimated; }
  qint64 totalOriginal() const { return values_.original; }
  QString totalText() const { return values_.totalText; }
  QString savingText() const { return values_.savingText; }
  bool savingIsPercent() const { return values_.savingIsPercent; }
  QString detailText() const { return values_.detail; }
  QString countLine() const { return values_.countLine; }
  bool canStart() const { return values_.canStart; }
  bool isRunning() const { return values_.isRunning; }
  bool startEnabled() const;
  double startOpacity() const;
  QString startTitle() const;
  QString startIcon() const;
  // Only while running; idle the control is drawn in the accent gradient.
  QColor startFill() const;
  static double springStrength();
  static double springDamping();

  // The control's look under the pointer. The state comes in as arguments so
  // that bindings calling these follow it.
  Q_INVOKABLE static double startScale(bool enabled, bool hovered);
  Q_INVOKABLE static double startHighlight(bool hovered);
  // The shadow's colour with its opacity, its blur radius and its downward offset.
  Q_INVOKABLE static QColor startShadowColor(bool isRunning, bool hovered);
  Q_INVOKABLE static double startShadowRadius(bool isRunning, bool hovered);
  Q_INVOKABLE static double startShadowOffset(bool isRunning, bool hovered);

  // Idle: closes the editor (the global parameters are back before anything
  // is read) and starts the queue. Running: stops the whole queue.
  Q_INVOKABLE void pressStart();

 signals:
  void tipChanged();
  void totalsChanged();
  void detailChanged();
  void startChanged();

 private:
  struct Values {
    QString tip;
    qint64 estimated = 0;
    qint64 original = 0;
    QString totalText;
    QString savingText;
    bool savingIsPercent = false;
    QString detail;
    QString countLine;
    bool canStart = false;
    bool isRunning = false;
  };
  Values compute() const;
  void refresh();

  QPointer<AppState> state_;
  QPointer<CompressionSettings> settings_;
  QPointer<ParameterPanel> panel_;
  Clock clock_;
  std::optional<QueueRun> run_;  // the latest run, from its start on
  Values values_;
};

}  // namespace kivotra::ui
