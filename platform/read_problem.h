// Why a file that TextFile::open would not open for reading cannot be read, for a message that
// names the reason. Looked at after the failed open, so a file that changes in between may be
// told otherwise; it never opens the file for more than a look.
#pragma once

#include <string>
#include <string_view>

#include "platform/status.h"

namespace platform {

enum class ReadProblem {
  kMissing,           // no such file (or a folder on its way is missing)
  kNoPermission,      // the permissions let this user not read it, or a folder on its way
  kNotRegularFile,    // a folder, a FIFO, a device or a socket
  kUnsafeName,        // a name TextFile::open never opens (see isSafeFileName)
  kOther,             // anything else: an input or output error, too many open files ...
  kSymbolicLinkLoop,  // the name leads round a loop of symbolic links
};

// The problem of the GBK name `gbkName` in the working directory.
ReadProblem readProblemOf(std::string_view gbkName);

// The problem of the UTF-8 path `utf8Path` (a name of the command line).
ReadProblem readProblemOfPath(const std::string& utf8Path);

// The problem in Chinese words (GBK): "文件不存在", "权限不够", "不是普通文件", "符号链接循环" ...
std::string_view readProblemWords(ReadProblem problem);

// The problem in English words for the command lines: "not found", "permission denied", "not a
// regular file", "a symbolic link loop" ...
std::string_view readProblemText(ReadProblem problem);

// The problem as a Status: its reason (kNotFound, kNoPermission, kNotRegularFile, kInvalidInput
// for an unsafe name, kSymbolicLinkLoop, else kIoError) and readProblemText's words.
Status readProblemStatus(ReadProblem problem);

}  // namespace platform
