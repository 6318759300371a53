// One run of quillet-batch: the program's own start-up over the headless backend (the
// process-wide objects made in the working directory, the main window run modally), fed by the
// commands read from `in`, printing what the window shows to `out` and errors to `err`.
#pragma once

#include <istream>
#include <ostream>

namespace platform {
class HeadlessWindow;
}

namespace quillet::batch {

// Prints the line of `print ID` for edit box `id`: "ID: " and its escaped text.
void printEditBox(const platform::HeadlessWindow& window, int id, std::ostream& out);

// Returns the exit status: 0, or 2 after a malformed command, an unknown control id, or a
// command that does not fit its control (one "error: line N: WHY" line on `err`).
int runBatch(std::istream& in, std::ostream& out, std::ostream& err);

}  // namespace quillet::batch
