#include "cli/progress_view.h"

#include <QCoreApplication>
#include <algorithm>
#include <cmath>

#include "models/format.h"
#include "models/item_text.h"
#include "state/path_text.h"

namespace kivotra::cli {

namespace {

constexpr int kBarCells = 20;

QString bar(double fraction) {
  const int filled = std::clamp(static_cast<int>(std::floor(fraction * kBarCells)), 0, kBarCells);
  return QLatin1Char('[') + QString(filled, QLatin1Char('#')) + QString(kBarCells - filled, QLatin1Char('-')) +
         QLatin1Char(']');
}

}  // namespace

QString progressLine(const ProgressState& state, bool withBar) {
  QString line = QStringLiteral("[%1/%2] %3  ").arg(state.index).arg(state.count).arg(state.name);
  if (withBar) line += bar(state.fraction) + QStringLiteral("  ");
  line += QString::fromStdString(progressText(state.fraction));
  if (state.etaSeconds) line += QCoreApplication::translate("Cli", "  剩 ") + QString::fromStdString(fmtDuration(*state.etaSeconds));
  if (state.speed) line += QStringLiteral("  ") + QString::fromStdString(formatFixed(*state.speed, 1)) + "×";
  return line;
}

void ProgressView::write(const QString& text) {
  const QByteArray bytes = shownText(text).toUtf8();  // a name's stray bytes show as U+FFFD
  std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stream_);
  std::fflush(stream_);
}

void ProgressView::clearLive() {
  if (live_) write(QStringLiteral("\r\x1b[K"));
  live_ = false;
}

void ProgressView::update(const ProgressState& state) {
  if (terminal_) {
    clearLive();
    write(progressLine(state, true));
    live_ = true;
    return;
  }
  const Clock::time_point now = now_();
  if (lastPlain_ && now - *lastPlain_ < std::chrono::seconds(1)) return;
  lastPlain_ = now;
  write(progressLine(state, false) + QLatin1Char('\n'));
}

void ProgressView::finish(const QString& line) {
  clearLive();
  lastPlain_.reset();
  write(line + QLatin1Char('\n'));
}

void ProgressView::note(const QString& line) {
  clearLive();
  write(line + QLatin1Char('\n'));
}

}  // namespace kivotra::cli
