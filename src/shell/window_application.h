#pragma once

#include <QStringList>

namespace kivotra {

// Runs the window application until the user quits and returns the exit code.
// files: paths to open (the command line's); when the window already runs for
// this user they are handed to it and this call returns 0 at once.
int runWindowApplication(int argc, char** argv, const QStringList& files);

}  // namespace kivotra
