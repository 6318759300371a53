// quillet-batch: the main window without a screen. Reads commands from standard input, prints
// what the window shows on standard output.
#include <iostream>

#include "platform/out_of_memory.h"
#include "tools/batch/batch_session.h"

int main() {
  platform::exitOnOutOfMemory("quillet-batch");
  std::ios::sync_with_stdio(false);
  return quillet::batch::runBatch(std::cin, std::cout, std::cerr);
}
