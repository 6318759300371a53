// Paths as the file system takes them (UTF-8, '/' between the parts): the pieces of a path, as
// every file operation of the program splits them. Pure string work: nothing is looked up.
#pragma once

#include <string>

namespace platform {

// The directory part of `path`: everything before its last '/', "/" for a file in the root, "."
// when `path` has no '/'. ("a/b" gives "a", "/b" gives "/", "b" gives ".")
std::string directoryOf(const std::string& path);

// The part of `path` after its last '/' (all of it when it has none; empty when it ends in '/').
std::string baseNameOf(const std::string& path);

}  // namespace platform
