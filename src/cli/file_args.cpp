#include "cli/file_args.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

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
  std::vector<std::string> names;
  std::error_code error;
  for (std::filesystem::directory_iterator it(pathFromText(folder), error), end; !error && it != end;
       it.increment(error)) {
    const std::filesystem::path name = it->path().filename();
    std::error_code statError;
    if (name.native().starts_with('.') || !it->is_regular_file(statError)) continue;  // hidden, folder, broken link
    if (exts.contains(pathText(name.extension()).mid(1).toLower())) names.push_back(name.native());
  }
  // By name, byte for byte: the order does not follow the locale.
  std::sort(names.begin(), names.end());
  const QString prefix = folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
  QStringList files;
  for (const std::string& name : names) files.push_back(prefix + pathText(name));
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
