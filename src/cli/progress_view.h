#pragma once

#include <QString>
#include <chrono>
#include <cstdio>
#include <functional>
#include <optional>

namespace kivotra::cli {

// Where one file stands, as the progress line shows it.
struct ProgressState {
  int index = 0;  // 1-based position among the files being compressed
  int count = 0;
  QString name;
  double fraction = 0;
  std::optional<double> etaSeconds;
  std::optional<double> speed;  // seconds of media encoded per second of wall time
};

// "[2/4] name  [######--------------]  31%  剩 00:04  1.9×"; with bar false
// the same without the bar, for plain lines in a pipe.
QString progressLine(const ProgressState& state, bool bar);

// Draws progress on a stream: a terminal gets one line per file redrawn in
// place, anything else plain lines at most once a second.
class ProgressView {
 public:
  using Clock = std::chrono::steady_clock;
  using Now = std::function<Clock::time_point()>;

  ProgressView(std::FILE* stream, bool terminal, Now now = Clock::now)
      : stream_(stream), terminal_(terminal), now_(std::move(now)) {}

  void update(const ProgressState& state);
  // Ends the file's progress with one final line (the live line is replaced).
  void finish(const QString& line);
  // A line of its own (for files that never start).
  void note(const QString& line);

 private:
  void write(const QString& text);
  void clearLive();

  std::FILE* stream_;
  bool terminal_;
  Now now_;
  bool live_ = false;  // a redrawable line is on screen
  std::optional<Clock::time_point> lastPlain_;
};

}  // namespace kivotra::cli
