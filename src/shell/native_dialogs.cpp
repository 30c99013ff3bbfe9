#include "shell/native_dialogs.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QStringList>
#include <QTranslator>

namespace kivotra::shell {

QString platformThemeFor(const Environment& env) {
  const auto value = [&](const char* name) { return QString::fromLocal8Bit(env(name) ? env(name) : ""); };
  if (!value("QT_QPA_PLATFORMTHEME").isEmpty()) return {};
  // The desktops whose theme Qt loads on its own (XDG_CURRENT_DESKTOP may list several, ':' between).
  static const QStringList ownTheme{"GNOME", "UNITY", "MATE", "CINNAMON", "X-CINNAMON", "XFCE", "LXDE", "BUDGIE",
                                    "PANTHEON", "KDE"};
  for (const QString& desktop : value("XDG_CURRENT_DESKTOP").toUpper().split(QLatin1Char(':'), Qt::SkipEmptyParts))
    if (ownTheme.contains(desktop)) return {};
  return QStringLiteral("xdgdesktopportal");
}

void installQtChinese(QCoreApplication& app) {
  const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
  for (const char* catalogue : {"qtbase_zh_CN", "qtdeclarative_zh_CN"}) {
    auto* translator = new QTranslator(&app);
    if (translator->load(QString::fromLatin1(catalogue), folder))
      QCoreApplication::installTranslator(translator);
    else
      delete translator;
  }
}

}  // namespace kivotra::shell
