#pragma once

namespace kivotra::cli {

// Whether text written to the file descriptor may carry cursor-control escapes:
// only a terminal, and only one whose TERM (the value, null when unset) names
// a terminal type other than "dumb".
bool takesEscapes(int fd, const char* term);

// The same for this process's standard error and environment.
bool stderrTakesEscapes();

}  // namespace kivotra::cli
