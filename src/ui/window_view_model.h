#pragma once

#include <QColor>
#include <QCoreApplication>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QUrl>
#include <QtQml/qqmlregistration.h>
#include <filesystem>
#include <vector>

#include "state/app_state.h"
#include "state/compression_settings.h"

#include "ui/card_list_model.h"
#include "ui/parameter_panel.h"
#include "ui/summary.h"

namespace kivotra::ui {

// The main window's model: the left pane's texts and rules, the card list, and
// the actions of the drop zone, the file picker and the cards. Every change
// goes to AppState; files handed over are sorted first (see intake_notice.h),
// so the notice can say which were left out and why.
class WindowViewModel : public QObject {
  Q_OBJECT
  QML_ELEMENT
  QML_UNCREATABLE("made by the window")
  Q_PROPERTY(kivotra::AppState* state READ state CONSTANT)
  Q_PROPERTY(kivotra::CompressionSettings* settings READ settings CONSTANT)
  Q_PROPERTY(kivotra::ui::CardListModel* cards READ cards CONSTANT)
  Q_PROPERTY(kivotra::ui::ParameterPanel* panel READ panel CONSTANT)
  Q_PROPERTY(kivotra::ui::SummaryModel* summary READ summary CONSTANT)
  Q_PROPERTY(int itemCount READ itemCount NOTIFY itemCountChanged)
  Q_PROPERTY(bool isEmpty READ isEmpty NOTIFY itemCountChanged)
  Q_PROPERTY(bool listFull READ listFull NOTIFY itemCountChanged)
  Q_PROPERTY(QString countText READ countText NOTIFY itemCountChanged)
  Q_PROPERTY(QColor countColor READ countColor NOTIFY itemCountChanged)
  Q_PROPERTY(QString dropHint READ dropHint NOTIFY itemCountChanged)
  Q_PROPERTY(double dropZoneOpacity READ dropZoneOpacity NOTIFY itemCountChanged)
  Q_PROPERTY(QStringList pickerFilters READ pickerFilters CONSTANT)
  // The left pane's dismissable notice: files skipped, or waiting for the run's end; empty when none.
  Q_PROPERTY(QString notice READ notice NOTIFY noticeChanged)
  // The question asked before the window closes in the middle of a run.
  Q_PROPERTY(bool closeQuestionShown READ closeQuestionShown NOTIFY closeQuestionChanged)
  Q_PROPERTY(QString closeQuestion READ closeQuestion CONSTANT)
  Q_PROPERTY(QString stopAndQuitText READ stopAndQuitText CONSTANT)
  Q_PROPERTY(QString keepCompressingText READ keepCompressingText CONSTANT)

 public:
  WindowViewModel(AppState& state, CompressionSettings& settings, QObject* parent = nullptr);

  AppState* state() const { return state_; }
  CompressionSettings* settings() const { return settings_; }
  CardListModel* cards() { return &cards_; }
  ParameterPanel* panel() { return &panel_; }
  SummaryModel* summary() { return &summary_; }

  int itemCount() const;
  bool isEmpty() const { return itemCount() == 0; }
  bool listFull() const;
  QString countText() const;
  QColor countColor() const;
  QString dropHint() const;
  double dropZoneOpacity() const;
  static QStringList pickerFilters();

  // A drop on the zone: refused (false) while the list is full; otherwise its
  // local files and folders are taken in as addPaths does and the drop is accepted.
  Q_INVOKABLE bool handleDrop(const QList<QUrl>& urls);
  // The file picker's choice, in its order.
  Q_INVOKABLE void addFiles(const QList<QUrl>& urls);
  // Files and folders from any source. During a run they wait and are taken in
  // when it ends; the notice tells what was left out, or that they wait.
  Q_INVOKABLE void addPaths(const QStringList& paths);
  void addPaths(const std::vector<std::filesystem::path>& paths);
  QString notice() const { return notice_; }
  Q_INVOKABLE void dismissNotice();
  Q_INVOKABLE void toggleEditing(const QString& id);
  Q_INVOKABLE void remove(const QString& id);
  Q_INVOKABLE void cancelItem(const QString& id);
  // Asks for the file manager to show the item's output, when it has one.
  Q_INVOKABLE void reveal(const QString& id);
  Q_INVOKABLE static double progressBarWidth(double trackWidth, double fraction);

  // ---- Ending the program (the close button, 关闭, 退出, a logout) ----
  bool closeQuestionShown() const { return closeQuestionShown_; }
  static QString closeQuestion() { return QCoreApplication::translate("Window", "正在压缩，确定要停止并退出吗？"); }
  static QString stopAndQuitText() { return QCoreApplication::translate("Window", "停止并退出"); }
  static QString keepCompressingText() { return QCoreApplication::translate("Window", "继续压缩"); }
  // The user wants the window gone. True when the program may end now (nothing
  // is being compressed); during a run the question is shown instead, and
  // while a confirmed stop winds down nothing more happens.
  Q_INVOKABLE bool requestQuit();
  // 停止并退出: the run stops, its partial output is deleted, then the program ends.
  Q_INVOKABLE void confirmQuit();
  // 继续压缩: the question goes away and the run goes on.
  Q_INVOKABLE void keepCompressing();
  // Ends the program without asking (the session ends): the same as a confirmed close.
  void stopAndQuit();
  bool quitting() const { return quitting_; }

 signals:
  void itemCountChanged();
  void noticeChanged();
  void revealRequested(const QString& path);
  void closeQuestionChanged();
  // Time to end the program, after a stop on the way out: no file is being
  // written any more.
  void quitRequested();

 private:
  QPointer<AppState> state_;
  QPointer<CompressionSettings> settings_;
  CardListModel cards_;
  ParameterPanel panel_;  // before summary_, which watches it
  SummaryModel summary_;
  bool closeQuestionShown_ = false;
  bool quitting_ = false;  // stopping the run on the way out

  std::vector<std::filesystem::path> waiting_;  // handed over during the run
  QString notice_;

  void setCloseQuestionShown(bool shown);
  void setNotice(const QString& notice);
};

}  // namespace kivotra::ui
