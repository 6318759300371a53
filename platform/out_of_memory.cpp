#include "platform/out_of_memory.h"

#include <signal.h>
#include <unistd.h>

#include <cstring>
#include <new>

namespace platform {
namespace {

const char* programName = "quillet";

// The file to remove at an abnormal end, NUL-terminated; read by signal handlers, so a plain
// buffer.
char abnormalExitFile[4096] = {};

void removeAbnormalExitFile() {
  if (abnormalExitFile[0] != '\0') ::unlink(abnormalExitFile);
}

// Runs in place of a failing allocation: nothing here may allocate.
[[noreturn]] void outOfMemory() {
  removeAbnormalExitFile();
  constexpr char kMessage[] = ": out of memory\n";
  [[maybe_unused]] ssize_t ignored = ::write(STDERR_FILENO, programName, std::strlen(programName));
  ignored = ::write(STDERR_FILENO, kMessage, sizeof kMessage - 1);
  ::_exit(kOutOfMemoryStatus);
}

void onFatalSignal(int signal) {
  removeAbnormalExitFile();
  ::signal(signal, SIG_DFL);
  ::raise(signal);
}

}  // namespace

void exitOnOutOfMemory(const char* program) {
  programName = program;
  std::set_new_handler(outOfMemory);
}

void exitOutOfMemory() { outOfMemory(); }

void setAbnormalExitFile(std::string_view path) {
  if (path.size() >= sizeof abnormalExitFile) path = {};
  abnormalExitFile[0] = '\0';
  if (path.empty()) return;
  std::memcpy(abnormalExitFile, path.data(), path.size());
  abnormalExitFile[path.size()] = '\0';
}

void removeOnFatalSignals() {
  for (const int signal : {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT, SIGTRAP}) {
    struct sigaction action {};
    action.sa_handler = onFatalSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND;
    sigaction(signal, &action, nullptr);
  }
}

}  // namespace platform
