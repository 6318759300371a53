// Why a file that TextFile::open would not open for reading cannot be read, for a message that
// names the reason. Looked at after the failed open, so a file that changes in between may be
// told otherwise; it never opens the file for more than a look.
#pragma once

#include <string_view>

namespace platform {

enum class ReadProblem {
  kMissing,         // no such file (or a folder on its way is missing)
  kNoPermission,    // the permissions let this user not read it, or a folder on its way
  kNotRegularFile,  // a folder, a FIFO, a device or a socket
  kUnsafeName,      // a name TextFile::open never opens (see isSafeFileName)
  kOther,           // anything else: an input or output error, too many open files ...
};

ReadProblem readProblemOf(std::string_view gbkName);

}  // namespace platform
