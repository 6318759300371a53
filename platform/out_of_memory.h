// What a program does when memory runs out: it ends at once with a clear message, rather than
// with an uncaught std::bad_alloc (an abort) or a half-done action.
#pragma once

namespace platform {

// Exit status of a program that ran out of memory.
inline constexpr int kOutOfMemoryStatus = 3;

// From now on, when an allocation fails (operator new, anywhere, inside Qt included), the
// process writes "PROGRAM: out of memory" to standard error and ends with kOutOfMemoryStatus.
// Nothing is saved. `program` must outlive the process (a string literal).
void exitOnOutOfMemory(const char* program);

}  // namespace platform
