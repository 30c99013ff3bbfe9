#include "state/language.h"

#include <QCoreApplication>
#include <QLocale>
#include <QTranslator>

#include "models/text.h"

namespace kivotra {

UiLanguage chooseUiLanguage(const QStringList& uiLanguages) {
  for (const QString& name : uiLanguages) {
    const QLocale::Language language = QLocale(name).language();
    if (language == QLocale::English) return UiLanguage::english;
    if (language == QLocale::Chinese) return UiLanguage::chinese;
  }
  return UiLanguage::chinese;
}

namespace {

std::string engineText(const char* context, const char* source) {
  return QCoreApplication::translate(context, source).toStdString();
}

}  // namespace

bool installTranslation(QCoreApplication& app, UiLanguage language) {
  if (language == UiLanguage::chinese) return true;
  // The application owns it and outlives every text shown.
  auto* translator = new QTranslator(&app);
  if (!translator->load(QStringLiteral(":/i18n/kivotra_en.qm"))) {
    delete translator;
    return false;
  }
  QCoreApplication::installTranslator(translator);
  setTextTranslator(&engineText);
  return true;
}

UiLanguage installTranslation(QCoreApplication& app) {
  const UiLanguage language = chooseUiLanguage(QLocale::system().uiLanguages());
  return installTranslation(app, language) ? language : UiLanguage::chinese;
}

}  // namespace kivotra
