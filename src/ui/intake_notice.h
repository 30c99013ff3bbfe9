#pragma once

#include <QString>
#include <QStringList>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace kivotra::ui {

// What happens to the files handed to the window (a drop, the picker, a second
// launch): which go to the list, and a short notice about every one that does
// not, so nothing is left out without a word.

enum class SkipReason { overLimit, unsupported, unreadable, alreadyListed };

struct Skipped {
  SkipReason reason;
  std::string name;  // the file's name, as the notice shows it
  bool operator==(const Skipped&) const = default;
};

struct Intake {
  std::vector<std::filesystem::path> accepted;  // in the order given, for the list
  std::vector<Skipped> skipped;
};

// What sortIntake asks the disk; diskFacts() asks the real one.
struct DiskFacts {
  std::function<bool(const std::filesystem::path&)> isFolder;
  // The regular files directly inside a folder, sorted by name.
  std::function<std::vector<std::filesystem::path>(const std::filesystem::path&)> filesIn;
  // A file that is there but cannot be read, or is no regular file (a pipe, a
  // device). A missing file is not: the list shows why it failed, as for any file
  // that goes away before it is read.
  std::function<bool(const std::filesystem::path&)> unreadable;
};
DiskFacts diskFacts();

// A folder stands for the supported files directly inside it (its other files
// are not reported: they were not chosen one by one). Room is how many more
// files the list takes; accepted lists the types the list takes, lower case
// without the dot.
Intake sortIntake(const std::vector<std::filesystem::path>& paths, const std::vector<std::filesystem::path>& listed,
                  int room, const QStringList& accepted, const DiskFacts& disk);

// One line per reason, e.g. "格式不支持（仅 MP4 / MOV / M4V）：a.mkv、b.avi"; empty when none.
QString skipNotice(const std::vector<Skipped>& skipped, int maxItems);
// Files handed over during a run wait for its end.
QString waitingNotice(int count);

}  // namespace kivotra::ui
