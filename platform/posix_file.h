// What the file modules of platform/ (the text stream, the replacement of a file, the temporary
// files, whole-file reads and writes) share about the POSIX file system. For platform/ only: the
// rest of the program goes through text_file.h, whole_file.h and temporaries.h.
#pragma once

#include <sys/stat.h>

#include <optional>
#include <string>
#include <string_view>

#include "platform/status.h"
#include "platform/text_file.h"

namespace platform::posix {

inline constexpr mode_t kAnyWriteBit = S_IWUSR | S_IWGRP | S_IWOTH;

// The UTF-8 path of a GBK name in the working directory; nothing when the name is not safe
// (isSafeFileName).
std::optional<std::string> fileSystemPath(std::string_view gbkName);

// Windows' read-only attribute binds every user; the permission bits stand in for it: true when
// `path` exists and its bits grant nobody write access.
bool isReadOnly(const std::string& path);

FileIdentity identityFrom(const struct stat& info);

// A write past the file size limit must fail rather than kill the process. A handler the
// program installed itself is left in place.
void ignoreFileSizeSignal();

// Opens `path` without blocking, whatever it is, and keeps it only when it is a regular file.
// `flags` are open(2)'s; creation makes rw-rw-rw- less the umask. -1 when it does not open or is
// not a regular file; `info` then holds nothing of use.
int openRegular(const std::string& path, int flags, struct stat& info);

// Writes all of `bytes` to `fd`; false on the first error (errno says which).
bool writeAll(int fd, std::string_view bytes);

// The permissions a new file gets: rw-rw-rw- less the umask.
mode_t newFilePermissions();

// Why the existing regular file open at `fd` (whose status is `info`) must not be replaced by
// renaming a new file over it: kSeveralLinks when other names lead to it (they would keep the old
// bytes), kAppendOnlyOrImmutable when its attributes forbid it; ok otherwise.
Status replacementRefusal(int fd, const struct stat& info);

}  // namespace platform::posix
