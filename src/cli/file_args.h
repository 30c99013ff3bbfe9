#pragma once

#include <QString>
#include <QStringList>

namespace kivotra::cli {

struct FileArguments {
  QStringList files;  // as the user wrote them; a folder's files as folder/name
  QStringList notes;  // one line per folder that held no supported file
};

// The command line's file arguments as a batch: a folder stands for the files
// directly inside it whose extension is one of exts (any case), sorted by
// name, hidden files left out; a file named a second time (the same file
// once links and relative parts are resolved) is dropped. Arguments that do
// not exist stay as given, for the probe to report.
FileArguments expandFileArguments(const QStringList& args, const QStringList& exts);

}  // namespace kivotra::cli
