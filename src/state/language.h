#pragma once

#include <QStringList>

class QCoreApplication;

namespace kivotra {

// Chinese is the product's own language; English is the one catalogue.
enum class UiLanguage { chinese, english };

// The first language in the desktop's preference list (QLocale::uiLanguages(),
// built from LANGUAGE, LC_ALL, LC_MESSAGES and LANG) that has texts: English
// for "en…", Chinese for "zh…". A list with neither, the C locale included,
// keeps Chinese.
UiLanguage chooseUiLanguage(const QStringList& uiLanguages);

// Loads language's catalogue into app (Chinese needs none) and routes the
// engine's texts through it; false when the catalogue would not load.
bool installTranslation(QCoreApplication& app, UiLanguage language);

// The same for the desktop's language. Returns the language in use.
UiLanguage installTranslation(QCoreApplication& app);

}  // namespace kivotra
