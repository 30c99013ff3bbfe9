#include <QStringList>

#include "shell/window_application.h"

int main(int argc, char** argv) {
  QStringList files;
  for (int i = 1; i < argc; ++i) files.append(QString::fromLocal8Bit(argv[i]));
  return kivotra::runWindowApplication(argc, argv, files);
}
