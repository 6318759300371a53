// What a program does when memory runs out: it ends at once with a clear message, rather than
// with an uncaught std::bad_alloc (an abort) or a half-done action, and leaves no temporary file
// behind.
#pragma once

#include <string_view>

namespace platform {

// Exit status of a program that ran out of memory.
inline constexpr int kOutOfMemoryStatus = 3;

// From now on, when an allocation fails (operator new, anywhere, inside Qt included), the
// process writes "PROGRAM: out of memory" to standard error and ends with kOutOfMemoryStatus.
// Nothing is saved. `program` must outlive the process (a string literal).
void exitOnOutOfMemory(const char* program);

// Ends the process as a failed allocation does (above): for a library that reports a failed
// allocation instead of failing in operator new.
[[noreturn]] void exitOutOfMemory();

// A file that must not outlive an abnormal end of the process (a temporary file being written):
// the out-of-memory exit removes it, and so does a fatal signal (SIGSEGV, SIGBUS, SIGILL, SIGFPE,
// SIGABRT, SIGTRAP: a library that crashes where an allocation failed) once
// removeOnFatalSignals() has been called, before the signal ends the process as it would have.
// One file at a time; an empty path forgets it; a path longer than 4095 bytes is not kept.
// Not thread-safe.
void setAbnormalExitFile(std::string_view path);
void removeOnFatalSignals();

}  // namespace platform
