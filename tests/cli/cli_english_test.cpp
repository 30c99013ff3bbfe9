// kivotra-cli follows the desktop's language: English on an English desktop,
// the product's own Chinese in the C locale.
#include <gtest/gtest.h>

#include <QRegularExpression>
#include <fstream>

#include "support/scratch_dir.h"
#include "support/tool_process.h"

namespace kivotra {
namespace {

namespace fs = std::filesystem;

bool hasChinese(const std::string& text) {
  static const QRegularExpression cjk(QStringLiteral("[\\x{3000}-\\x{303f}\\x{3400}-\\x{9fff}\\x{ff00}-\\x{ffef}]"));
  return QString::fromStdString(text).contains(cjk);
}

test::ToolResult cliIn(const QString& lang, const QStringList& args, const fs::path& tmp) {
  QProcessEnvironment env = test::toolEnvironment(tmp);
  for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES"}) env.remove(QString::fromLatin1(name));
  env.insert(QStringLiteral("LANG"), lang);
  QProcess process;
  process.setProcessEnvironment(env);
  process.setWorkingDirectory(QString::fromStdString(tmp.string()));
  process.start(QStringLiteral(KIVOTRA_CLI_BIN), args);
  return test::finishTool(process, 60000);
}

TEST(CliLanguage, HelpUsageErrorsAndEngineFailuresFollowTheDesktop) {
  fixtures::ScratchDir tmp;
  const auto help = cliIn("en_US.UTF-8", {"--help"}, tmp.path());
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_EQ(help.out.rfind("Usage:\n  kivotra-cli probe", 0), 0u) << help.out;
  EXPECT_FALSE(hasChinese(help.out)) << help.out;

  const auto usage = cliIn("en_US.UTF-8", {"compress", "--fps", "fast", "a.mov"}, tmp.path());
  EXPECT_EQ(usage.exitCode, 2);
  EXPECT_EQ(usage.err.rfind("kivotra-cli: invalid frame rate \"fast\"", 0), 0u) << usage.err;
  EXPECT_FALSE(hasChinese(usage.err)) << usage.err;

  // The cause comes from the engine's error texts, through the catalogue.
  const auto missing = cliIn("en_US.UTF-8", {"probe", "gone.mp4"}, tmp.path());
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_NE((missing.out + missing.err).find("gone.mp4: cannot read: File not found"), std::string::npos)
      << missing.out << missing.err;
  EXPECT_FALSE(hasChinese(missing.out + missing.err)) << missing.out << missing.err;

  for (const QString& lang : {QStringLiteral("C.UTF-8"), QStringLiteral("de_DE.UTF-8")}) {
    EXPECT_EQ(cliIn(lang, {"--help"}, tmp.path()).out.rfind("用法：", 0), 0u) << lang.toStdString();
  }
}

}  // namespace
}  // namespace kivotra
