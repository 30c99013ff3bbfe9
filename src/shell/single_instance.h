#pragma once

#include <sys/types.h>

#include <QLocalServer>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

namespace kivotra::shell {

// One window per user: the first launch listens on a local socket; a later
// launch hands its files to it and ends.
//
// Protocol, one JSON object per line: the client sends {"open": [absolute
// paths], "openBytes": [the same paths' bytes, base64]}; the server hands the
// paths on (filesReceived) and answers {"files": [...], "filesBytes": [...]}
// with every listed file before it closes the connection. The bytes are what
// counts; the text is for reading (names that are not UTF-8 show U+FFFD).
//
// Only one user: the client talks to a socket only when the file and the
// process behind it are its own user's; the server drops every connection
// from another user before reading a byte of it.
class SingleInstance : public QObject {
  Q_OBJECT
 public:
  // name: a full socket path; by default one in the user's private runtime
  // folder. Empty: no single instance (handOver and listen do nothing).
  explicit SingleInstance(QString name = defaultName(), QObject* parent = nullptr);

  // The socket in the private runtime folder; empty, with a warning, when that
  // folder is refused or cannot be made.
  static QString defaultName();

  // Hands paths to a running instance. True when one took them; false when
  // none answers (this process should then be the window).
  bool handOver(const QStringList& paths, int timeoutMs = 3000) const;
  // Starts listening, replacing a socket that no live instance of ours serves.
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

// The uid of the process at the other end of a connected local socket.
std::optional<uid_t> peerUid(qintptr descriptor);
// True when path (text as pathText gives it) is a socket owned by this user.
bool isOwnSocket(const QString& path);

}  // namespace kivotra::shell
