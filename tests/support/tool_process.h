#pragma once

// Runs one of the project's executables as a user would, with a private
// temporary directory and a private settings folder, and collects what it
// printed. Header only, for the tests that link Qt (QProcess).

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <filesystem>
#include <string>

namespace kivotra::test {

struct ToolResult {
  int exitCode = -1;
  bool hung = false;  // still running at the timeout, then killed
  bool crashed = false;
  std::string out;
  std::string err;
};

// TMPDIR = privateTmp, XDG_CONFIG_HOME = privateTmp/config, no display, and no Qt platform
// chosen by the caller's environment (an offscreen one would need no display).
inline QProcessEnvironment toolEnvironment(const std::filesystem::path& privateTmp) {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("TMPDIR"), QString::fromStdString(privateTmp.string()));
  env.insert(QStringLiteral("XDG_CONFIG_HOME"), QString::fromStdString((privateTmp / "config").string()));
  env.remove(QStringLiteral("DISPLAY"));
  env.remove(QStringLiteral("WAYLAND_DISPLAY"));
  env.remove(QStringLiteral("QT_QPA_PLATFORM"));
  return env;
}

inline void startTool(QProcess& process, const std::string& program, const QStringList& args,
                      const std::filesystem::path& privateTmp) {
  process.setProcessEnvironment(toolEnvironment(privateTmp));
  process.setProgram(QString::fromStdString(program));
  process.setArguments(args);
  process.start();
}

inline ToolResult finishTool(QProcess& process, int timeoutMs = 300000) {
  ToolResult result;
  if (!process.waitForFinished(timeoutMs)) {
    result.hung = true;
    process.kill();
    process.waitForFinished();
  }
  result.crashed = !result.hung && process.exitStatus() != QProcess::NormalExit;
  result.exitCode = process.exitCode();
  result.out = process.readAllStandardOutput().toStdString();
  result.err = process.readAllStandardError().toStdString();
  return result;
}

inline ToolResult runTool(const std::string& program, const QStringList& args,
                          const std::filesystem::path& privateTmp, int timeoutMs = 300000) {
  QProcess process;
  startTool(process, program, args, privateTmp);
  return finishTool(process, timeoutMs);
}

}  // namespace kivotra::test
