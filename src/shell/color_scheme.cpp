#include "shell/color_scheme.h"

#include <QDBusMessage>
#include <QDBusVariant>

namespace kivotra::shell {

namespace {

const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kInterface = QStringLiteral("org.freedesktop.portal.Settings");
const QString kNamespace = QStringLiteral("org.freedesktop.appearance");
const QString kKey = QStringLiteral("color-scheme");

// Read answers a variant inside a variant; a value may come wrapped once or twice.
QVariant unwrap(QVariant value) {
  while (value.userType() == qMetaTypeId<QDBusVariant>())
    value = value.value<QDBusVariant>().variant();
  return value;
}

}  // namespace

ColorSchemeWatcher::ColorSchemeWatcher(QDBusConnection bus, QString service, QObject* parent)
    : QObject(parent), bus_(std::move(bus)), service_(std::move(service)) {}

void ColorSchemeWatcher::start() {
  if (!bus_.isConnected()) return;
  bus_.connect(service_, kPath, kInterface, QStringLiteral("SettingChanged"), this,
               SLOT(settingChanged(QDBusMessage)));
  QDBusMessage call = QDBusMessage::createMethodCall(service_, kPath, kInterface, QStringLiteral("Read"));
  call << kNamespace << kKey;
  const QDBusMessage reply = bus_.call(call, QDBus::BlockWithGui, 1000);
  if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return;
  bool ok = false;
  const uint value = unwrap(reply.arguments().constFirst()).toUInt(&ok);
  if (ok) ui::Palette::setScheme(schemeFor(value));
}

void ColorSchemeWatcher::settingChanged(const QDBusMessage& message) {
  const QVariantList args = message.arguments();
  if (args.size() != 3 || args[0].toString() != kNamespace || args[1].toString() != kKey) return;
  bool ok = false;
  const uint scheme = unwrap(args[2]).toUInt(&ok);
  if (ok) ui::Palette::setScheme(schemeFor(scheme));
}

}  // namespace kivotra::shell
