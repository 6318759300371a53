// Why an operation on a file failed, as the program's Status (status.h): the reasons that a write,
// a replacement or a read in platform/ gives, each in English words for the command lines (the
// Status's message) and in Chinese for the window (fileFailureWords).
#pragma once

#include <string_view>

#include "platform/status.h"

namespace platform {

// A failure with `code` and its English words ("the disk is full", "the folder is not writable"
// ...). REQUIRES: code != kOk.
Status fileFailure(Status::Code code);

// The failure that a write, a replacement or the making of a file gives for the errno value
// `error` (EACCES: the folder is not writable; ENOSPC: the disk is full ...).
Status writeFailureOf(int error);

// The reason of `code` in Chinese (GBK) for the window, of a file in general ("磁盘已满",
// "文件夹不允许写入" ...); empty for kOk and for the codes no file operation gives.
std::string_view fileFailureWords(Status::Code code);

}  // namespace platform
