#include "shell/single_instance.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalSocket>

#include "models/errors.h"
#include "models/temp_dir.h"
#include "state/path_text.h"

namespace kivotra::shell {

namespace {

QByteArray line(const QJsonObject& object) { return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n'; }

// Paths twice: as text for reading, and as base64 of their bytes, which is what counts.
QJsonObject withPaths(QJsonObject object, const QString& key, const QStringList& paths) {
  QJsonArray shown;
  QJsonArray bytes;
  for (const QString& path : paths) {
    shown.append(shownText(path));
    bytes.append(QString::fromLatin1(bytesFromText(path).toBase64()));
  }
  object.insert(key, shown);
  object.insert(key + QStringLiteral("Bytes"), bytes);
  return object;
}

QStringList pathsIn(const QJsonObject& object, const QString& key) {
  QStringList paths;
  const QJsonValue bytes = object.value(key + QStringLiteral("Bytes"));
  const QJsonArray list = bytes.isArray() ? bytes.toArray() : object.value(key).toArray();
  for (const QJsonValue& value : list) {
    if (!value.isString()) continue;
    paths.append(bytes.isArray() ? textFromBytes(QByteArray::fromBase64(value.toString().toLatin1()))
                                 : value.toString());
  }
  return paths;
}

}  // namespace

std::optional<uid_t> peerUid(qintptr descriptor) {
  ucred credentials{};
  socklen_t size = sizeof credentials;
  if (descriptor < 0 ||
      ::getsockopt(static_cast<int>(descriptor), SOL_SOCKET, SO_PEERCRED, &credentials, &size) != 0) {
    return std::nullopt;
  }
  return credentials.uid;
}

bool isOwnSocket(const QString& path) {
  struct stat st {};
  const QByteArray bytes = bytesFromText(path);
  return ::lstat(bytes.constData(), &st) == 0 && S_ISSOCK(st.st_mode) && st.st_uid == ::getuid();
}

SingleInstance::SingleInstance(QString name, QObject* parent) : QObject(parent), name_(std::move(name)) {
  server_.setSocketOptions(QLocalServer::UserAccessOption);
  connect(&server_, &QLocalServer::newConnection, this, [this] {
    while (QLocalSocket* socket = server_.nextPendingConnection()) serve(socket);
  });
}

QString SingleInstance::defaultName() {
  try {
    return pathText(privateTempDir() / "window.sock");
  } catch (const Error& e) {
    // Never a fixed name in a shared folder: without a folder of our own there is no single instance.
    qWarning("kivotra: no private runtime folder (%s); this window will not take files from later launches",
             e.description().c_str());
    return {};
  }
}

bool SingleInstance::handOver(const QStringList& paths, int timeoutMs) const {
  // Only a window of our own user gets the paths: the socket file must be ours,
  // and so must the process that answers on it.
  if (name_.isEmpty() || !isOwnSocket(name_)) return false;
  QLocalSocket socket;
  socket.connectToServer(name_);
  if (!socket.waitForConnected(timeoutMs)) return false;
  if (peerUid(socket.socketDescriptor()) != ::getuid()) {
    socket.abort();
    return false;
  }
  socket.write(line(withPaths({}, QStringLiteral("open"), paths)));
  if (!socket.waitForBytesWritten(timeoutMs)) return false;
  // The answer only confirms; a connected instance that is slow to answer still has the files.
  while (!socket.canReadLine() && socket.waitForReadyRead(timeoutMs)) {
  }
  return true;
}

bool SingleInstance::listen() {
  if (name_.isEmpty()) return false;
  if (server_.listen(name_)) return true;
  if (server_.serverError() != QAbstractSocket::AddressInUseError) return false;
  if (isOwnSocket(name_)) {
    QLocalSocket probe;
    probe.connectToServer(name_);
    if (probe.waitForConnected(1000)) return false;  // a live instance serves it
  }
  QLocalServer::removeServer(name_);
  return server_.listen(name_);
}

void SingleInstance::serve(QLocalSocket* socket) {
  connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
  if (peerUid(socket->socketDescriptor()) != ::getuid()) {
    // Another user: no paths taken, and none of ours answered.
    socket->abort();
    socket->deleteLater();
    return;
  }
  connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
    if (!socket->canReadLine()) return;
    const QJsonObject request = QJsonDocument::fromJson(socket->readLine()).object();
    emit filesReceived(pathsIn(request, QStringLiteral("open")));
    const QStringList listed = listedFiles_ ? listedFiles_() : QStringList();
    socket->write(line(withPaths({}, QStringLiteral("files"), listed)));
    socket->flush();
    socket->disconnectFromServer();
  });
}

}  // namespace kivotra::shell
