// The programs' command lines, in the GNU manner: --help and --version on every program, and a
// usage error (exit status 2, with a one-line hint) for what a program does not understand. For
// the window program also the choice of the genealogy folder, which becomes the working directory
// before any process-wide object is made (the family tree loads home.txt from there).
#pragma once

#include <optional>
#include <string_view>

namespace quillet {

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

// The start of the window program, called first in its main() with main's arguments, before
// anything else is made. Answers --help and --version; makes the genealogy folder the working
// directory: FOLDER (or the folder of FOLDER/home.txt) when given, the user's own genealogy
// (seeded from the shipped one on first start) for --user-genealogy, else the working directory
// stays; then checks that a display can be reached. The window toolkit's own options (-platform
// NAME, -style NAME, -reverse, ...) are left to the toolkit. Returns the exit status when the
// program must end now (help or version shown: 0; a folder that cannot be opened, or no display:
// 1, with a message on standard error; bad usage: 2), or nothing when the window is to open.
std::optional<int> startWindowProgram(int argc, char** argv);

}  // namespace quillet
