#pragma once

#include <QLocalServer>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>

namespace kivotra::shell {

// One window per user: the first launch listens on a local socket; a later
// launch hands its files to it and ends.
//
// Protocol, one JSON object per line: the client sends {"open": [absolute
// paths]}; the server hands the paths on (filesReceived) and answers
// {"files": [paths of every listed file]} before it closes the connection.
class SingleInstance : public QObject {
  Q_OBJECT
 public:
  // name: a full socket path; by default one in the user's private temporary folder.
  explicit SingleInstance(QString name = defaultName(), QObject* parent = nullptr);

  static QString defaultName();

  // Hands paths to a running instance. True when one took them; false when
  // none answers (this process should then be the window).
  bool handOver(const QStringList& paths, int timeoutMs = 3000) const;
  // Starts listening, replacing a socket that no live instance serves.
  bool listen();

  // What the server answers with the list's files; set by the window.
  using ListedFiles = std::function<QStringList()>;
  void setListedFiles(ListedFiles fn) { listedFiles_ = std::move(fn); }

  const QString& name() const { return name_; }

 signals:
  void filesReceived(const QStringList& paths);

 private:
  void serve(class QLocalSocket* socket);

  QString name_;
  QLocalServer server_;
  ListedFiles listedFiles_;
};

}  // namespace kivotra::shell
