#include "cli/file_args.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <algorithm>
#include <filesystem>

#include "state/intake.h"
#include "state/path_text.h"

namespace kivotra::cli {

namespace {

// The same file gives the same key however it was named.
QString identity(const QString& path) {
  const QFileInfo info(path);
  const QString canonical = info.canonicalFilePath();
  return canonical.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : canonical;
}

// Read through the file system's own bytes: a name that is not UTF-8 is
// still a file of the folder, and its text form finds it again.
QStringList supportedFilesIn(const QString& folder, const QStringList& exts) {
  const QString prefix = folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
  QStringList files;
  for (const std::filesystem::path& file : regularFilesIn(pathFromText(folder))) {
    const std::filesystem::path name = file.filename();
    if (name.native().starts_with('.')) continue;  // hidden
    if (exts.contains(pathText(name.extension()).mid(1).toLower())) files.push_back(prefix + pathText(name));
  }
  return files;
}

}  // namespace

FileArguments expandFileArguments(const QStringList& args, const QStringList& exts) {
  FileArguments result;
  QSet<QString> seen;
  auto take = [&](const QString& file) {
    if (!seen.contains(identity(file))) {
      seen.insert(identity(file));
      result.files.push_back(file);
    }
  };
  for (const QString& arg : args) {
    if (!QFileInfo(arg).isDir()) {
      take(arg);
      continue;
    }
    const QStringList inside = supportedFilesIn(arg, exts);
    if (inside.isEmpty()) {
      result.notes.push_back(QCoreApplication::translate("Cli", "文件夹 %1 中没有 %2 文件").arg(arg, exts.join(QCoreApplication::translate("Cli", "、"))));
    }
    for (const QString& file : inside) take(file);
  }
  return result;
}

}  // namespace kivotra::cli
