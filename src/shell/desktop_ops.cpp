#include "shell/desktop_ops.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDesktopServices>
#include <QFileInfo>

namespace kivotra::shell {

QUrl websiteUrl() { return QUrl(QString::fromLatin1(kWebsiteAddress), QUrl::StrictMode); }

QString websiteHost() { return websiteUrl().host(); }

void openWebsite() {
  const QUrl url = websiteUrl();
  if (!url.isValid() || url.scheme() != QLatin1String("https")) return;
  QDesktopServices::openUrl(url);
}

bool revealFile(const QString& path) {
  const QFileInfo file(path);
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (bus.isConnected()) {
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << QStringList{QUrl::fromLocalFile(file.absoluteFilePath()).toString()} << QString();
    const QDBusMessage reply = bus.call(call, QDBus::Block, 3000);
    if (reply.type() == QDBusMessage::ReplyMessage) return true;
  }
  return QDesktopServices::openUrl(QUrl::fromLocalFile(file.absolutePath()));
}

}  // namespace kivotra::shell
