// The temporary files that replacements leave beside their targets (".NAME.quillet-XXXXXX"): how
// they are made, and how those of replacements that died are cleaned away. A user's own files
// beside them (".home.txt.backup" and the like) and other programs' files are never touched.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// Removes the temporary files that replacements of `gbkName` (in the working directory) left
// when they died: only files named ".NAME.quillet-XXXXXX" that are regular files, that no
// running replacement holds locked, and that are not brand new (a replacement locks its file at
// once).
void removeStaleReplacements(std::string_view gbkName);

// The temporary files of exports live beside their output, anywhere: each is noted, while it
// exists, in the folder "quillet/temporaries" under $XDG_CACHE_HOME (an absolute path), else
// under ~/.cache. Removes every noted temporary file that no running export holds (a running one
// keeps its file locked) and that is not brand new, with its note; what a note names is removed
// only when it is still such a temporary file (".NAME.quillet-XXXXXX", regular). Each program
// calls this as it starts.
void removeAbandonedTemporaries();

namespace temporaries {

// For the replacements of platform/. Makes a new temporary file beside `target` (made with
// O_EXCL, locked for its whole life); its descriptor, or -1 with errno set. `tempPath` receives
// its path.
int make(const std::string& target, std::string& tempPath);

// Removes the stale temporary files of the UTF-8 path `target`, as removeStaleReplacements.
void removeStale(const std::string& target);

// Notes the temporary file `temp` of an export in the temporaries folder (see
// removeAbandonedTemporaries); the note's path, or empty when none could be made (the temporary
// file then goes unnoted).
std::string note(const std::string& temp);

}  // namespace temporaries
}  // namespace platform
