#pragma once

// Helpers shared by the fixture sources (not part of the fixture API).

#include <QStringList>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>

#include "support/scratch_dir.h"
#include "support/tool_process.h"

namespace kivotra::fixtures::detail {

[[noreturn]] inline void fail(const std::string& what) { throw std::runtime_error("fixture: " + what); }

// Runs ffmpeg or ffprobe quietly and returns what it wrote on stdout; throws
// with its error text when it fails or is still running after two minutes.
inline std::string runTool(const char* program, const QStringList& args) {
  const test::ToolResult r =
      test::runTool(program, QStringList{"-v", "error"} + args, std::filesystem::temp_directory_path(), 120000);
  if (r.hung) fail(std::string(program) + " hung: " + args.join(' ').toStdString());
  if (r.crashed || r.exitCode != 0) fail(std::string(program) + " " + args.join(' ').toStdString() + ": " + r.err);
  return r.out;
}

// The tools take file names as UTF-8 text; a name that is not (a disk holds
// any bytes) is reached through a link with a plain name.
class ToolPath {
 public:
  explicit ToolPath(const std::filesystem::path& path) : text_(QString::fromStdString(path.string())) {
    if (text_.toStdString() == path.string()) return;
    link_.emplace();
    std::filesystem::create_symlink(std::filesystem::absolute(path), link_->path() / "media");
    text_ = QString::fromStdString((link_->path() / "media").string());
  }
  const QString& text() const { return text_; }

 private:
  std::optional<ScratchDir> link_;
  QString text_;
};

}  // namespace kivotra::fixtures::detail
