#include "shell/desktop_ops.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDesktopServices>
#include <filesystem>

#include "state/path_text.h"

namespace kivotra::shell {

QUrl websiteUrl() { return QUrl(QString::fromLatin1(kWebsiteAddress), QUrl::StrictMode); }

QString websiteHost() { return websiteUrl().host(); }

void openWebsite() {
  const QUrl url = websiteUrl();
  if (!url.isValid() || url.scheme() != QLatin1String("https")) return;
  QDesktopServices::openUrl(url);
}

bool revealFile(const QString& path) {
  // By bytes: a name that is not UTF-8 must still be found.
  std::error_code ec;
  const std::filesystem::path file = std::filesystem::absolute(pathFromText(path), ec);
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (bus.isConnected()) {
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << QStringList{fileUrlOf(file).toString(QUrl::FullyEncoded)} << QString();
    const QDBusMessage reply = bus.call(call, QDBus::Block, 3000);
    if (reply.type() == QDBusMessage::ReplyMessage) return true;
  }
  return QDesktopServices::openUrl(fileUrlOf(file.parent_path()));
}

}  // namespace kivotra::shell
