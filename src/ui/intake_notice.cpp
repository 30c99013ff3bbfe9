#include "ui/intake_notice.h"

#include <fcntl.h>
#include <unistd.h>

#include <QCoreApplication>
#include <algorithm>
#include <system_error>

#include "state/intake.h"
#include "state/path_text.h"

namespace kivotra::ui {

namespace fs = std::filesystem;

DiskFacts diskFacts() {
  return {
      [](const fs::path& path) {
        std::error_code ec;
        return fs::is_directory(path, ec);
      },
      regularFilesIn,
      [](const fs::path& path) {
        std::error_code ec;
        const fs::file_status status = fs::status(path, ec);
        if (!fs::exists(status)) return false;
        if (!fs::is_regular_file(status)) return true;
        // Non-blocking, should the file turn into a pipe in between.
        const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) return true;
        ::close(fd);
        return false;
      },
  };
}

Intake sortIntake(const std::vector<fs::path>& paths, const std::vector<fs::path>& listed, int room,
                  const QStringList& accepted, const DiskFacts& disk) {
  Intake intake;
  const auto supported = [&](const fs::path& path) {
    return accepted.contains(pathText(path.extension()).mid(1).toLower());
  };
  const auto taken = [&](const fs::path& path) {
    return std::find(listed.begin(), listed.end(), path) != listed.end() ||
           std::find(intake.accepted.begin(), intake.accepted.end(), path) != intake.accepted.end();
  };
  const auto consider = [&](const fs::path& path, bool chosenAlone) {
    const std::string name = path.filename().string();
    if (!supported(path)) {
      if (chosenAlone) intake.skipped.push_back({SkipReason::unsupported, name});
    } else if (taken(path)) {
      intake.skipped.push_back({SkipReason::alreadyListed, name});
    } else if (disk.unreadable(path)) {
      intake.skipped.push_back({SkipReason::unreadable, name});
    } else if (static_cast<int>(intake.accepted.size()) >= room) {
      intake.skipped.push_back({SkipReason::overLimit, name});
    } else {
      intake.accepted.push_back(path);
    }
  };
  for (const fs::path& path : paths) {
    if (disk.isFolder(path)) {
      for (const fs::path& inside : disk.filesIn(path)) consider(inside, false);
    } else {
      consider(path, true);
    }
  }
  return intake;
}

namespace {

struct Text {
  Q_DECLARE_TR_FUNCTIONS(IntakeNotice)
};

QString reasonText(SkipReason reason, int maxItems) {
  switch (reason) {
    case SkipReason::overLimit: return Text::tr("超出 %1 个上限").arg(maxItems);
    case SkipReason::unsupported: return Text::tr("格式不支持（仅 MP4 / MOV / M4V）");
    case SkipReason::unreadable: return Text::tr("无法读取");
    case SkipReason::alreadyListed: return Text::tr("已在列表中");
  }
  return {};
}

}  // namespace

QString skipNotice(const std::vector<Skipped>& skipped, int maxItems) {
  // The names of each reason, at most three, then how many more.
  constexpr int kNamesShown = 3;
  QStringList lines;
  for (SkipReason reason :
       {SkipReason::overLimit, SkipReason::unsupported, SkipReason::unreadable, SkipReason::alreadyListed}) {
    QStringList names;
    int count = 0;
    for (const Skipped& s : skipped) {
      if (s.reason != reason) continue;
      if (++count <= kNamesShown) names.append(QString::fromStdString(s.name));
    }
    if (count == 0) continue;
    QString line = reasonText(reason, maxItems) + Text::tr("：") + names.join(Text::tr("、"));
    if (count > kNamesShown) line += Text::tr(" 等 %1 个").arg(count);
    lines.append(line);
  }
  if (lines.isEmpty()) return {};
  return Text::tr("未添加 %1 个文件").arg(skipped.size()) + QLatin1Char('\n') + lines.join(QLatin1Char('\n'));
}

QString waitingNotice(int count) {
  return Text::tr("正在压缩：%1 个文件将在队列完成后加入列表").arg(count);
}

}  // namespace kivotra::ui
