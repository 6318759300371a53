// The window program's command line, in the GNU manner of every program
// (platform/command_line.h), and the choice of the genealogy folder, which becomes the working
// directory before any process-wide object is made (the family tree loads home.txt from there).
// Linked into the window program alone: it knows Qt's own options (platform/qt/qt_application.h).
#pragma once

#include <optional>

namespace quillet {

// The start of the window program, called first in its main() with main's arguments, before
// anything else is made. Answers --help and --version; makes the genealogy folder the working
// directory: FOLDER (or the folder of FOLDER/home.txt) when given, the user's own genealogy
// (seeded from the shipped one on first start) for --user-genealogy, else the working directory
// stays; then checks that a display can be reached: where the toolkit would show the window on X,
// the display that -display or DISPLAY names is opened (and closed) first. The window toolkit's own
// options (-platform NAME, -style NAME, -reverse, ...; platform::qtCommandLineOption) are left to
// the toolkit. Returns the exit status when the program must end now (help or version shown: 0; a
// folder that cannot be opened, or no display: 1, with a message on standard error; bad usage: 2),
// or nothing when the window is to open.
std::optional<int> startWindowProgram(int argc, char** argv);

}  // namespace quillet
