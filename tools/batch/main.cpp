// quillet-batch: the main window without a screen. Reads commands from standard input, prints
// what the window shows on standard output.
#include <iostream>

#include "tools/batch/batch_session.h"

int main() {
  std::ios::sync_with_stdio(false);
  return quillet::batch::runBatch(std::cin, std::cout, std::cerr);
}
