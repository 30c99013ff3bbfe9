#pragma once

#include "cli/cli_options.h"

namespace kivotra::cli {

// Each returns the process's exit status. Results go to standard output,
// progress and per-file notes to standard error.
int runProbe(const ProbeCommand& command);
// Needs a QCoreApplication: the queue reports through the event loop.
int runCompress(const CompressCommand& command);

}  // namespace kivotra::cli
