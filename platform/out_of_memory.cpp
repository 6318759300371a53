#include "platform/out_of_memory.h"

#include <unistd.h>

#include <cstring>
#include <new>

namespace platform {
namespace {

const char* programName = "quillet";

// Runs in place of a failing allocation: nothing here may allocate.
void outOfMemory() {
  constexpr char kMessage[] = ": out of memory\n";
  [[maybe_unused]] ssize_t ignored = ::write(STDERR_FILENO, programName, std::strlen(programName));
  ignored = ::write(STDERR_FILENO, kMessage, sizeof kMessage - 1);
  ::_exit(kOutOfMemoryStatus);
}

}  // namespace

void exitOnOutOfMemory(const char* program) {
  programName = program;
  std::set_new_handler(outOfMemory);
}

}  // namespace platform
