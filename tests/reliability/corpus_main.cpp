// Writes the reliability corpus into a folder, for running any tool over it by
// hand: reliability_corpus DIR
#include <iostream>

#include "reliability/corpus.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: reliability_corpus DIR\n";
    return 2;
  }
  try {
    for (const auto& file : kivotra::reliability::writeCorpus(argv[1])) std::cout << file.path.string() << '\n';
  } catch (const std::exception& e) {
    std::cerr << e.what() << '\n';
    return 1;
  }
  return 0;
}
