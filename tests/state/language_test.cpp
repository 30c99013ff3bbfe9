// The desktop's language list decides the texts.
#include <gtest/gtest.h>

#include "state/language.h"

namespace kivotra {
namespace {

TEST(Language, FirstListedLanguageWithTextsWins) {
  struct Case {
    const char* desktop;  // the variables that give this list
    QStringList uiLanguages;
    UiLanguage expected;
  };
  const Case cases[] = {
      {"LANG=en_US.UTF-8", {"en-US", "en-Latn-US", "en"}, UiLanguage::english},
      {"LANG=zh_CN.UTF-8", {"zh-CN", "zh-Hans-CN", "zh"}, UiLanguage::chinese},
      {"LANG=zh_TW.UTF-8", {"zh-TW", "zh-Hant-TW"}, UiLanguage::chinese},
      {"LANG=de_DE.UTF-8", {"de-DE", "de-Latn-DE", "de"}, UiLanguage::chinese},
      {"LANGUAGE=fr:en", {"fr", "fr-Latn-FR", "fr-FR", "en", "en-Latn-US", "en-US"}, UiLanguage::english},
      {"LANGUAGE=de:zh_CN LANG=en_US.UTF-8", {"de", "de-Latn-DE", "de-DE", "zh-CN", "zh-Hans-CN", "zh"},
       UiLanguage::chinese},
      {"nothing usable", {}, UiLanguage::chinese},
  };
  for (const Case& c : cases) EXPECT_EQ(chooseUiLanguage(c.uiLanguages), c.expected) << c.desktop;
}

}  // namespace
}  // namespace kivotra
