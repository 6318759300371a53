// Text-mode file streams as the program's Windows ancestry defines them, on Linux.
//
// - Text mode: a LF written becomes CR LF; a CR LF pair read arrives as one LF; every other byte
//   passes unchanged (a lone CR, NUL, 0x1A, 0xFF).
// - Names are GBK byte strings relative to the working directory (such as "home.txt" or a
//   person's 6-byte name key plus ".txt"); they are converted to UTF-8 for the file system. A
//   name that does not convert, that is empty, or that holds the characters '/', '\' or NUL
//   never opens: typed input cannot reach another directory. (The byte 0x5C is '\' only as a
//   character of its own: as the second byte of a GBK character, as in 錦, it is part of that
//   character.)
// - Only regular files open (a symbolic link to one is followed). A FIFO, a device, a socket or
//   a directory counts as a file that cannot be opened, and opening one never blocks.
// - A file whose permission bits grant no write access is read-only for every user, root
//   included, as Windows' read-only attribute is: "r+" and "w+" fail on it. A directory whose
//   bits grant no write access likewise refuses new files.
// - Writing ignores SIGXFSZ for the whole process: a write beyond the file size limit (ulimit -f)
//   fails, and is reported, instead of killing the program.
//
// Failures of the program's own calls are Statuses (status.h, file_failure.h); the calls of the C
// stream's kind (open, getc, write, close ...) answer as those do, with null or false.
//
// The other file operations: whole files at paths (whole_file.h), the temporary files that
// replacements leave (temporaries.h), the parts of a path (path.h).
//
// Not thread-safe: a TextFile is used by one thread at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "platform/status.h"

namespace platform {

// What tells one file from another and a file from its later versions: device and inode, size,
// modification time and status-change time. Two equal identities are, for every practical
// purpose, the same bytes: another program can put a modification time back (touch -d), but not
// the status-change time, which every write, rename or link sets to the clock.
struct FileIdentity {
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  std::int64_t size = 0;
  std::int64_t modifiedSeconds = 0;
  std::int64_t modifiedNanoseconds = 0;
  std::int64_t changedSeconds = 0;
  std::int64_t changedNanoseconds = 0;
  bool operator==(const FileIdentity&) const = default;
};

// True when the file's last modification lies far enough in the past (two seconds, more than any
// file system's timestamp step) that a change made from now on gives the file another
// modification time: an identity taken now then tells this version from every later one.
bool isSettled(const FileIdentity& identity);

class TextFile {
 public:
  static constexpr int kEof = EOF;

  // Opens `gbkName` with a C mode: "r", "r+", "w", "w+", "a", "a+" (a "t" or "b" suffix is
  // accepted; "b" turns the text-mode translation off). Returns null when the file does not
  // open, and when it is not a regular file ("w" then leaves it as it was).
  static std::unique_ptr<TextFile> open(std::string_view gbkName, std::string_view mode);

  // Opens a new temporary file that replaces `gbkName` only when commit() succeeds; until then
  // (and if the process dies) `gbkName` is untouched. Text mode.
  // - A symbolic link is saved through: its target is replaced (atomically, in the target's
  //   directory) and the link stays.
  // - The new file keeps the old one's owner and group where the system allows it, its extended
  //   attributes (POSIX ACLs among them) and its permissions, never a set-user-id or set-group-id
  //   bit. kAttributesNotKept when the permissions or an attribute cannot be set.
  // - From here to commit() or close() the old file is held under an exclusive lock (flock) and
  //   a POSIX read lock (an open file description's, F_OFD_SETLK), so that programs replacing the
  //   same file take turns and a program holding a lockf or fcntl write lock on it is respected;
  //   another holder of either is waited for at most a second (kHeldByAnotherProgram). Under that
  //   lock, when `expected` is given and the file exists but is no longer that file, nothing is
  //   made: kChangedSinceRead. A file that no longer exists is simply made.
  // - The temporary file is ".NAME.quillet-XXXXXX" beside the target, made anew (O_EXCL) and
  //   locked for its whole life; those of replacements that died are removed (see
  //   removeStaleReplacements in temporaries.h).
  // Fails when `gbkName` exists but is read-only for this user (kReadOnlyFile), append-only or
  // immutable, has other hard links (kSeveralLinks: a replacement would split them, the other
  // names keeping the old bytes), is not a regular file or leads round a loop of links, or its
  // directory does not let this user make files (kFolderNotWritable, or kReadOnlyFileSystem);
  // `replacement` then stays null. The failure's message is the reason in English words.
  static Status openReplacement(std::string_view gbkName,
                                const std::optional<FileIdentity>& expected,
                                std::unique_ptr<TextFile>& replacement);

  ~TextFile();
  TextFile(const TextFile&) = delete;
  TextFile& operator=(const TextFile&) = delete;

  // The next byte (0..255) after text-mode translation, or kEof at the end or on an error.
  int getc();
  // Reads up to `n` bytes after translation; returns how many were read.
  std::size_t read(char* buffer, std::size_t n);
  // True after a read error.
  bool failedReading() const { return file_ != nullptr && std::ferror(file_) != 0; }
  // Appends everything up to the end of the file, after translation, to `bytes`. False on a read
  // error (what was read stays appended).
  bool readAll(std::string& bytes);

  // Writes with text-mode translation. False when the bytes could not all be written; the error
  // sticks, and close() and commit() report it too.
  bool putc(char c);
  bool write(std::string_view bytes);
  // Writes `bytes` as they are, untranslated: text already in the file's form (line ends as
  // CR LF). False as write. A block of kEarlyWriteback bytes or more starts on its way to the
  // disk at once.
  static constexpr std::size_t kEarlyWriteback = 1 << 18;
  bool writeAsIs(std::string_view bytes);

  // The identity of the open file; after a successful commit(), that of the file it made.
  // Nothing when neither is known.
  std::optional<FileIdentity> identity() const;

  // Closes the stream; false when a write or the close failed. A replacement file that is
  // closed without commit() is removed.
  bool close();

  // For a replacement file: flushes, syncs it to disk, closes it, renames it over the target and
  // syncs the directory. False, with the target untouched, when any step fails.
  bool commit();
  // For a replacement file: as commit(), but never replaces an existing file: false, with the
  // target untouched and the temporary file removed, when the target exists by then.
  bool commitNew();

  // Why the first failed write, close or commit failed; ok while nothing has.
  const Status& status() const { return status_; }

 private:
  TextFile(std::FILE* file, bool textMode) : file_(file), textMode_(textMode) {}
  bool putRaw(char c);
  bool finishReplacement(bool replaceExisting);
  void fail();  // records errno's reason, once

  std::FILE* file_;
  bool textMode_;
  Status status_;           // the first failed write, close or commit's
  int pending_ = -2;        // a byte read ahead while looking for CR LF; -2 when none
  std::string tempPath_;    // replacement files: the temporary file's UTF-8 path
  std::string targetPath_;  // replacement files: the file it replaces (a link's target)
  int lockFd_ = -1;         // replacement files: the old file, held under an exclusive lock
  std::optional<FileIdentity> committed_;
};

// True when `gbkName` is a name that TextFile::open would accept (see the header comment).
bool isSafeFileName(std::string_view gbkName);

// The identity of the file that `gbkName` names (a symbolic link followed), or nothing when it
// does not exist or the name is not safe.
std::optional<FileIdentity> identityOf(std::string_view gbkName);

// The identity of the file at the UTF-8 path `path` (a symbolic link followed), or nothing.
std::optional<FileIdentity> identityOfPath(const std::string& path);

}  // namespace platform
