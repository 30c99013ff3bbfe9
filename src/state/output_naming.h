#pragma once

#include <sys/types.h>

#include <filesystem>
#include <optional>
#include <string>

namespace kivotra {

// The n-th name for source's output in dir: base + "_压缩_" + tier + ".mp4",
// then "_2", "_3" ... before ".mp4". n = 1 is the plain name. A base too long
// for dir's name limit, less the room its hidden part file adds while it is
// written, is shortened with "…" (fitStem), each candidate on its own.
std::filesystem::path outputCandidate(const std::filesystem::path& source, const std::filesystem::path& dir,
                                      int shortSide, int n);

// The hidden name an output is written under until it is complete:
// "." + finalName + ".kivotra-" + pid + ".part".
std::string partFileName(const std::string& finalName, pid_t pid);
// The process that writes a part file, by its name; nullopt for any other name.
std::optional<pid_t> partFileWriter(const std::string& name);

// A name is taken when anything exists at it (even a dangling link) or some
// run is writing a part file for it.
bool outputNameTaken(const std::filesystem::path& dir, const std::string& finalName);

// The first candidate that is not taken. A check only: nothing is reserved.
std::filesystem::path chooseOutputPath(const std::filesystem::path& source, const std::filesystem::path& dir,
                                       int shortSide);

// Deletes this user's part files in dir whose writer is gone (its process has
// ended and holds no lock on the file). Errors are ignored: what cannot be
// removed stays.
void removeStalePartFiles(const std::filesystem::path& dir);

// An output being written: a part file created exclusively in its folder, and
// the descriptor that creation returned, which is the only way it is written.
// It becomes the finished file by publish(); until then, and when it is
// dropped unpublished, no file exists under a final name. Main-thread free:
// one owner at a time.
class OutputFile {
 public:
  // Creates the part file for the first free candidate name, with mode
  // `permissions` (narrowed further by the umask), never following a link.
  // Throws PlatformError when dir cannot take a new file.
  OutputFile(const std::filesystem::path& source, const std::filesystem::path& dir, int shortSide,
             mode_t permissions);
  ~OutputFile();  // deletes the part file unless published
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  int fd() const { return fd_; }
  const std::filesystem::path& partPath() const { return partPath_; }
  // Empties the part file for another encode into it. Throws PlatformError.
  void rewind();

  // Makes the written file durable and gives it its final name: the name
  // chosen at creation if it is still free, else the next free candidate. The
  // rename never replaces a file. Throws PlatformError (the part file is then
  // deleted by the destructor), also when the part file is no longer the one
  // this object created (someone replaced it).
  std::filesystem::path publish();

 private:
  bool stillOurs() const;

  std::filesystem::path source_;
  std::filesystem::path dir_;
  int shortSide_;
  int n_ = 1;  // the candidate the part file is named after
  int dirFd_ = -1;
  int fd_ = -1;
  std::filesystem::path partPath_;
  bool published_ = false;
};

}  // namespace kivotra
