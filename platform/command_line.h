// The programs' command lines in the GNU manner: --help and --version on every program, and a
// usage error (exit status 2, with a one-line hint) for what a program does not understand.
// Standard output and standard error only; no state.
#pragma once

#include <string_view>

namespace platform {

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

// The version all programs report: the project's version, as the build states it.
std::string_view programVersion();

// Writes the --version text of `program` to standard output: "PROGRAM VERSION", then the
// copyright and licence lines.
void printVersion(std::string_view program);

// Writes "PROGRAM: WHAT" and "Try 'PROGRAM --help' for more information." to standard error.
// Returns kExitUsage, the status the program then exits with.
int usageError(std::string_view program, std::string_view what);

}  // namespace platform
