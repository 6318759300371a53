// The outcome of an operation of the program's own that can fail (files, exports, the import, the
// user's genealogy folder, the batch driver): ok, or a reason a caller can test and the words the
// user reads. Callers test `ok()` and show `message()`; they never decode a boolean and an
// out-string. The operations the original program specifies keep their boolean results.
//
// A plain value: cheap to return (an ok status holds no text), safe to copy across threads.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

namespace platform {

class [[nodiscard]] Status {
 public:
  enum class Code : std::uint8_t {
    kOk,
    kNotFound,               // a file or a folder on its way is not there
    kNoPermission,           // the permissions keep this user out
    kNotRegularFile,         // a folder, a FIFO, a device or a socket where a file was meant
    kSymbolicLinkLoop,       // the name leads round a loop of symbolic links
    kDiskFull,               // no room left on the disk (or over the user's quota)
    kFileTooLarge,           // beyond the file size limit (ulimit -f) or the file system's
    kFolderNotWritable,      // the folder does not let this user make files
    kReadOnlyFileSystem,     // the file system is mounted read-only
    kReadOnlyFile,           // the file's permission bits grant this user no write access
    kAppendOnlyOrImmutable,  // chattr +a or +i
    kSeveralLinks,           // other hard links would keep the old content
    kHeldByAnotherProgram,   // another program held the file's lock too long
    kChangedSinceRead,       // another program changed the file since it was read
    kAttributesNotKept,      // permissions, ACLs or extended attributes could not be carried over
    kRefused,                // the program will not do it (a genealogy without --force, a folder
                             // that is not empty ...)
    kProgramFile,            // a file the program itself reads (home.txt, a roster ...), which
                             // nothing it writes may replace
    kCancelled,              // the person stopped it
    kInvalidInput,           // the input is not what it must be (bad usage, a malformed file)
    kOutOfMemory,            // an allocation failed
    kIoError,                // anything else: an input or output error ...
  };

  // Ok.
  Status() = default;
  // A failure with its reason and the words the user reads (English on the command lines, GBK
  // in the window, as the interface that returns it says). REQUIRES: code != kOk.
  static Status error(Code code, std::string message) { return Status(code, std::move(message)); }

  bool ok() const { return code_ == Code::kOk; }
  Code code() const { return code_; }
  // Empty when ok.
  const std::string& message() const { return message_; }

  bool operator==(const Status&) const = default;

 private:
  Status(Code code, std::string message) : code_(code), message_(std::move(message)) {}

  Code code_ = Code::kOk;
  std::string message_;
};

}  // namespace platform
