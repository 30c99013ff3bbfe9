#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

#include "models/item_settings.h"
#include "models/video_item.h"
#include "state/app_state.h"
#include "state/compression_settings.h"

namespace kivotra::ui {

// The right pane's parameter panel: the choices its controls offer, the tier
// switch with its automatic bitrate, and per-file editing. While a file is
// edited the panel's CompressionSettings holds that file's parameters, the
// global ones are parked in AppState::editingBackup, and every assignment is
// written through to the file. Main thread only.
class ParameterPanel : public QObject {
  Q_OBJECT
  QML_ELEMENT
  QML_UNCREATABLE("made by the window")
  Q_PROPERTY(kivotra::AppState* state READ state CONSTANT)
  Q_PROPERTY(kivotra::CompressionSettings* settings READ settings CONSTANT)
  // Each a list of {label, value}, in the order the pickers show them.
  Q_PROPERTY(QVariantList tierChoices READ tierChoices CONSTANT)
  Q_PROPERTY(QVariantList fpsChoices READ fpsChoices CONSTANT)
  Q_PROPERTY(QVariantList fitChoices READ fitChoices CONSTANT)
  Q_PROPERTY(QVariantList bitrateModeChoices READ bitrateModeChoices CONSTANT)
  // 1 in size mode, else 0: the value of the mode picker's current segment.
  Q_PROPERTY(int bitrateMode READ bitrateMode NOTIFY bitrateModeChanged)
  Q_PROPERTY(int sliderFrom READ sliderFrom CONSTANT)
  Q_PROPERTY(int sliderTo READ sliderTo CONSTANT)
  Q_PROPERTY(int sliderStep READ sliderStep CONSTANT)
  // The edit header shows while the edited file is still listed.
  Q_PROPERTY(bool isEditing READ isEditing NOTIFY headerChanged)
  Q_PROPERTY(QString editingFileName READ editingFileName NOTIFY headerChanged)
  // "跟随全局" is offered only for a file with its own parameters.
  Q_PROPERTY(bool canFollowGlobal READ canFollowGlobal NOTIFY headerChanged)
  Q_PROPERTY(QString bitrateText READ bitrateText NOTIFY bitrateTextChanged)
  Q_PROPERTY(QString sizeLimitText READ sizeLimitText NOTIFY sizeLimitTextChanged)
  Q_PROPERTY(QString outputNote READ outputNote NOTIFY outputNoteChanged)

 public:
  ParameterPanel(AppState& state, CompressionSettings& settings, QObject* parent = nullptr);

  AppState* state() const { return state_; }
  CompressionSettings* settings() const { return settings_; }
  static QVariantList tierChoices();
  static QVariantList fpsChoices();
  static QVariantList fitChoices();
  static QVariantList bitrateModeChoices();
  int bitrateMode() const;
  static int sliderFrom();
  static int sliderTo();
  static int sliderStep();

  bool isEditing() const { return header_.editing; }
  QString editingFileName() const { return header_.fileName; }
  bool canFollowGlobal() const { return header_.hasCustom; }
  QString bitrateText() const;
  QString sizeLimitText() const;
  QString outputNote() const;

  // A tier segment: stores the tier and, when that changes a tested file's
  // output size (or there is no file to test), the tier's recommended bitrate.
  Q_INVOKABLE void selectShortSide(int shortSide);
  // The frame-rate, fit and no-upscale controls.
  Q_INVOKABLE void selectFps(int fps);
  Q_INVOKABLE void selectFit(const QString& label);
  Q_INVOKABLE void setNoUpscale(bool noUpscale);
  // With the panel's fit and no-upscale: the edited file, else every file no
  // longer loading; true also when there is none.
  Q_INVOKABLE bool outputDimsWouldChange(int fromSide, int toSide) const;

  void beginEditing(const VideoItem& item);
  Q_INVOKABLE void beginEditing(const QString& id);
  Q_INVOKABLE void endEditing();
  // Stops the write-through and puts the parked global parameters back.
  void restoreGlobal();
  // A card's click or edit button: closes the editor on the edited file,
  // opens it (or switches to it) on any other.
  Q_INVOKABLE void toggleEditing(const QString& id);
  // "跟随全局": the edited file drops its own parameters and the editor closes.
  Q_INVOKABLE void followGlobal();

  // The parameters that apply to item in the window right now.
  ItemSettings effectiveParameters(const VideoItem& item) const;
  // The global parameters: parked while editing, else the panel's.
  ItemSettings globalParameters() const;

  Q_INVOKABLE void setBitrateFromSlider(double value);
  // The number field's text; false (and nothing stored) when it is no whole number.
  Q_INVOKABLE bool setBitrateText(const QString& text);

  // The mode picker: 1 switches to size mode, 0 back to the bitrate.
  Q_INVOKABLE void selectBitrateMode(int mode);
  // The size field's text in MB; false (and nothing stored) when it is no positive number.
  Q_INVOKABLE bool setSizeLimitText(const QString& text);

  // The folder dialog's choice; false when it is no existing folder.
  Q_INVOKABLE bool chooseOutputFolder(const QUrl& folder);
  Q_INVOKABLE void clearOutputFolder();

 signals:
  void headerChanged();
  void bitrateTextChanged();
  void bitrateModeChanged();
  void sizeLimitTextChanged();
  void outputNoteChanged();

 private:
  struct Header {
    bool editing = false;
    QString fileName;
    bool hasCustom = false;
    bool operator==(const Header&) const = default;
  };
  Header currentHeader() const;
  void refreshHeader();

  QPointer<AppState> state_;
  QPointer<CompressionSettings> settings_;
  Header header_;
};

}  // namespace kivotra::ui
