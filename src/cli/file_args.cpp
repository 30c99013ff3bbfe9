#include "cli/file_args.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <algorithm>

namespace kivotra::cli {

namespace {

// The same file gives the same key however it was named.
QString identity(const QString& path) {
  const QFileInfo info(path);
  const QString canonical = info.canonicalFilePath();
  return canonical.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : canonical;
}

QStringList supportedFilesIn(const QString& folder, const QStringList& exts) {
  QStringList names;
  for (const QFileInfo& entry : QDir(folder).entryInfoList(QDir::Files)) {
    if (exts.contains(entry.suffix().toLower())) names.push_back(entry.fileName());
  }
  // By name, byte for byte: the order does not follow the locale.
  std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) { return a.toUtf8() < b.toUtf8(); });
  const QString prefix = folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
  for (QString& name : names) name.prepend(prefix);
  return names;
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
