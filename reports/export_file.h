// The rules by which an export of the family tree (GEDCOM, the chart, the book) is written to a
// file: what quillet-export and the window's export entries share. The file name is UTF-8 as the
// terminal or a file chooser gives it.
//
// Thread-safety: none needed; touches only the file system.
#pragma once

#include <functional>
#include <string>

#include "platform/status.h"

namespace quillet {

// What an export (exportText, exportToFile, exportBook) returns: ok when the file is written,
// else one of
// - kProgramFile: the file is one the program reads (see readByTheProgram): left alone;
// - kRefused: the file is a genealogy (see holdsGenealogy) and no force was given: left alone;
// - kInvalidInput: the tree has no root: nothing to export, no file made;
// - kCancelled: the person stopped the export: no file made, an old file there untouched;
// - any other code: the file could not be written whole (an old file there is untouched), for
//   the reason its code and its English words say (platform/file_failure.h; the words are empty
//   when no reason is known).
// The messages are English words for the command line, such as "home.txt holds no root
// ancestor".

// The failures an export gives before anything is written, with their English words.
platform::Status programFileRefusal();
platform::Status genealogyRefusal(const std::string& utf8Path);
platform::Status noRootRefusal();

// True when `utf8Path` is, or would become, a file that the program reads from its working
// directory (reports/program_files.h): home.txt, a household roster (宁.txt ... 其它.txt),
// most.txt, number.txt, or a person's text file (a 6-byte name key and ".txt"). Judged by where the
// path leads (its directory, a symbolic link followed) and by the file it names when that exists.
bool readByTheProgram(const std::string& utf8Path);

// True when `utf8Path`, wherever it is, is named home.txt, or is an existing regular file whose
// first record reads as a record of a genealogy file: its first '!' (within the first 64 KiB)
// followed by a name of GBK characters, a generation digit and, at their places, a birth date
// of eight digits and the sex 'm' or 'f'. Nothing else is opened or read.
bool holdsGenealogy(const std::string& utf8Path);

// Writes the text that `make` makes to `utf8Path`. A regular file is replaced as a whole: the
// text goes to a temporary file beside it that is renamed over it once written and synced, so a
// failure leaves an old file as it was, and a symbolic link there is replaced rather than written
// through. What exists and is not a regular file (a FIFO, a device, /dev/stdout) is written
// through, never replaced (see platform::replaceFileAtPath). kProgramFile for a file the program
// reads and, unless `force`, kRefused for a genealogy (holdsGenealogy), before `make` runs;
// kInvalidInput, with nothing written, when `make` returns false (the tree has no root).
platform::Status exportText(const std::string& utf8Path, bool force,
                            const std::function<bool(std::string& text)>& make);

}  // namespace quillet
