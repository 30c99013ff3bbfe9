#pragma once

#include <QString>
#include <functional>

class QCoreApplication;

namespace kivotra::shell {

// The platform theme that gives the desktop's own file and folder dialogs, to be
// set before the application object exists; empty when Qt's own choice stands:
// the user chose one (QT_QPA_PLATFORMTHEME), or the desktop is one whose theme Qt
// picks by itself (GNOME and its relatives: GTK dialogs; KDE: its own). Elsewhere
// the XDG desktop portal's, which asks the portal's file chooser when one runs
// and leaves Qt's own dialogs otherwise.
using Environment = std::function<const char*(const char*)>;
QString platformThemeFor(const Environment& env);

// Qt's own texts (its dialogs' buttons and labels) in Chinese, from Qt's catalogues.
void installQtChinese(QCoreApplication& app);

}  // namespace kivotra::shell
