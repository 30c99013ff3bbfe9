#include "state/intake.h"

#include <algorithm>

#include "models/errors.h"
#include "models/text.h"
#include "state/path_text.h"

namespace kivotra {

namespace fs = std::filesystem;

namespace {

// Probes run all at once; the list holds at most 5, a few more cover items
// removed and replaced while their probe still runs.
constexpr int kProbeThreads = kMaxItems + 3;

}  // namespace

const QStringList& acceptedExts() {
  static const QStringList exts{QStringLiteral("mp4"), QStringLiteral("mov"), QStringLiteral("m4v")};
  return exts;
}

std::vector<fs::path> regularFilesIn(const fs::path& folder) {
  std::vector<fs::path> files;
  std::error_code error;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    std::error_code kind;
    if (it->is_regular_file(kind)) files.push_back(it->path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

std::vector<fs::path> acceptedPaths(const std::vector<VideoItem>& items, const std::vector<fs::path>& paths) {
  std::vector<fs::path> taken;
  const auto listed = [&](const fs::path& path) {
    const auto same = [&](const fs::path& other) { return other.native() == path.native(); };
    return std::any_of(items.begin(), items.end(), [&](const VideoItem& item) { return same(item.url); }) ||
           std::any_of(taken.begin(), taken.end(), same);
  };
  for (const fs::path& path : paths) {
    if (items.size() + taken.size() >= static_cast<std::size_t>(kMaxItems)) break;
    const QString ext = pathText(path.extension()).mid(1).toLower();
    if (!acceptedExts().contains(ext) || listed(path)) continue;
    taken.push_back(path);
  }
  return taken;
}

ProbeResult probeSource(const fs::path& source, const Transcoder::CancelFn& isCancelled,
                        std::chrono::milliseconds timeLimit) {
  try {
    return Transcoder::probeSync(source, isCancelled, timeLimit);
  } catch (const Error& e) {
    return QString::fromStdString(e.description());
  } catch (const std::exception& e) {
    return QString::fromUtf8(e.what());
  }
}

void applyProbeResult(VideoItem& item, const ProbeResult& result) {
  if (const auto* info = std::get_if<ProbeInfo>(&result)) {
    if (info->thumbnail) {
      item.applyProbe(*info);
    } else {  // a probe without a cover keeps the one shown so far
      std::optional<RgbaBitmap> shown;
      shown.swap(item.thumbnail);
      item.applyProbe(*info);
      item.thumbnail.swap(shown);
    }
    item.status = ItemStatus::ready();
  } else {
    item.status = ItemStatus::failed(fillIn(translate("State", "读取失败：%1"), {std::get<QString>(result).toStdString()}));
  }
}

ProbePool::ProbePool() { pool_.setMaxThreadCount(kProbeThreads); }

ProbePool::~ProbePool() {
  closing_ = true;
  pool_.waitForDone();
}

void ProbePool::start(const Uuid& id, const fs::path& source, Done done) {
  pool_.start([this, id, source, limit = timeLimit_, done = std::move(done)] {
    done(id, probeSource(source, [this] { return closing_.load(); }, limit));
  });
}

}  // namespace kivotra
