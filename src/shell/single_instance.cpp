#include "shell/single_instance.h"

#include <unistd.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalSocket>

#include "models/errors.h"
#include "models/temp_dir.h"

namespace kivotra::shell {

namespace {

QByteArray line(const QJsonObject& object) { return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n'; }

}  // namespace

SingleInstance::SingleInstance(QString name, QObject* parent) : QObject(parent), name_(std::move(name)) {
  server_.setSocketOptions(QLocalServer::UserAccessOption);
  connect(&server_, &QLocalServer::newConnection, this, [this] {
    while (QLocalSocket* socket = server_.nextPendingConnection()) serve(socket);
  });
}

QString SingleInstance::defaultName() {
  QString folder;
  try {
    folder = QString::fromStdString(privateTempDir().string());
  } catch (const Error&) {
    // Without a private folder QLocalServer's own per-name location still works.
    return QStringLiteral("kivotra-window-%1").arg(::getuid());
  }
  return folder + QStringLiteral("/kivotra-window-%1.sock").arg(::getuid());
}

bool SingleInstance::handOver(const QStringList& paths, int timeoutMs) const {
  QLocalSocket socket;
  socket.connectToServer(name_);
  if (!socket.waitForConnected(timeoutMs)) return false;
  socket.write(line(QJsonObject{{QStringLiteral("open"), QJsonArray::fromStringList(paths)}}));
  if (!socket.waitForBytesWritten(timeoutMs)) return false;
  // The answer only confirms; a connected instance that is slow to answer still has the files.
  while (!socket.canReadLine() && socket.waitForReadyRead(timeoutMs)) {
  }
  return true;
}

bool SingleInstance::listen() {
  if (server_.listen(name_)) return true;
  if (server_.serverError() != QAbstractSocket::AddressInUseError) return false;
  QLocalSocket probe;
  probe.connectToServer(name_);
  if (probe.waitForConnected(1000)) return false;  // a live instance serves it
  QLocalServer::removeServer(name_);
  return server_.listen(name_);
}

void SingleInstance::serve(QLocalSocket* socket) {
  connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
  connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
    if (!socket->canReadLine()) return;
    const QJsonObject request = QJsonDocument::fromJson(socket->readLine()).object();
    QStringList paths;
    for (const QJsonValue& value : request.value(QStringLiteral("open")).toArray()) {
      if (value.isString()) paths.append(value.toString());
    }
    emit filesReceived(paths);
    const QStringList listed = listedFiles_ ? listedFiles_() : QStringList();
    socket->write(line(QJsonObject{{QStringLiteral("files"), QJsonArray::fromStringList(listed)}}));
    socket->flush();
    socket->disconnectFromServer();
  });
}

}  // namespace kivotra::shell
