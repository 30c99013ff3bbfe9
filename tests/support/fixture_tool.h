#pragma once

// Helpers shared by the fixture sources (not part of the fixture API).

#include <QProcess>
#include <QStringList>
#include <stdexcept>
#include <string>

namespace kivotra::fixtures::detail {

[[noreturn]] inline void fail(const std::string& what) { throw std::runtime_error("fixture: " + what); }

// Runs ffmpeg or ffprobe quietly and returns what it wrote on stdout; throws
// with its error text when it fails or is still running after two minutes.
inline std::string runTool(const char* program, QStringList args) {
  QProcess process;
  process.start(QString::fromLatin1(program), QStringList{"-v", "error"} + args);
  process.closeWriteChannel();
  if (!process.waitForFinished(120000)) {
    process.kill();
    process.waitForFinished();
    fail(std::string(program) + " hung: " + args.join(' ').toStdString());
  }
  if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
    fail(std::string(program) + " " + args.join(' ').toStdString() + ": " + process.readAllStandardError().toStdString());
  }
  return process.readAllStandardOutput().toStdString();
}

}  // namespace kivotra::fixtures::detail
