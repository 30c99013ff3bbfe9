// The desktop's language list decides the texts; the English catalogue reaches
// the texts the Qt-free layers build.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTranslator>
#include <cerrno>

#include "models/errors.h"
#include "models/text.h"
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
      {"LC_ALL=en_GB.UTF-8 LANG=zh_CN.UTF-8", {"en-GB", "en-Latn-GB"}, UiLanguage::english},
      {"LANG=zh_CN.UTF-8", {"zh-CN", "zh-Hans-CN", "zh"}, UiLanguage::chinese},
      {"LANG=zh_TW.UTF-8", {"zh-TW", "zh-Hant-TW"}, UiLanguage::chinese},
      {"LANG=C / C.UTF-8 / unset", {"C"}, UiLanguage::chinese},
      {"LANG=de_DE.UTF-8", {"de-DE", "de-Latn-DE", "de"}, UiLanguage::chinese},
      {"LANGUAGE=fr:en", {"fr", "fr-Latn-FR", "fr-FR", "en", "en-Latn-US", "en-US"}, UiLanguage::english},
      {"LANGUAGE=de:zh_CN LANG=en_US.UTF-8", {"de", "de-Latn-DE", "de-DE", "zh-CN", "zh-Hans-CN", "zh"},
       UiLanguage::chinese},
      {"nothing usable", {}, UiLanguage::chinese},
  };
  for (const Case& c : cases) EXPECT_EQ(chooseUiLanguage(c.uiLanguages), c.expected) << c.desktop;
}

class EnglishCatalogue : public ::testing::Test {
 protected:
  void TearDown() override {
    for (QTranslator* translator : qApp->findChildren<QTranslator*>()) {
      QCoreApplication::removeTranslator(translator);
      delete translator;
    }
    setTextTranslator(nullptr);
  }
};

TEST_F(EnglishCatalogue, ReachesTheEngineAndErrorTexts) {
  ASSERT_TRUE(installTranslation(*qApp, UiLanguage::english));
  EXPECT_EQ(PlatformError::fromErrno(ENOSPC).description(), std::string("Disk full (") + std::strerror(ENOSPC) + ")");
  EXPECT_EQ(TranscodeError::stalled(translate("Engine", "视频编码")).description().rfind("Video encoding stopped responding", 0),
            0u);
  EXPECT_EQ(QCoreApplication::translate("Summary", "共 %n 个文件 · %1", nullptr, 1), QStringLiteral("1 file · %1"));
  EXPECT_EQ(QCoreApplication::translate("Summary", "共 %n 个文件 · %1", nullptr, 3), QStringLiteral("3 files · %1"));

  TearDown();  // without a catalogue the texts are the product's own again
  EXPECT_EQ(PlatformError::fromErrno(ENOSPC).description(), std::string("磁盘空间已满（") + std::strerror(ENOSPC) + "）");
}

}  // namespace
}  // namespace kivotra
