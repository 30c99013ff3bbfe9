#include "cli/terminal.h"

#include <unistd.h>

#include <cstdlib>
#include <cstring>

namespace kivotra::cli {

bool takesEscapes(int fd, const char* term) {
  if (term == nullptr || *term == '\0' || std::strcmp(term, "dumb") == 0) return false;
  return ::isatty(fd) == 1;
}

bool stderrTakesEscapes() { return takesEscapes(STDERR_FILENO, std::getenv("TERM")); }

}  // namespace kivotra::cli
