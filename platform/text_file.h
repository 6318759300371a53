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

// Why openReplacement made no replacement, or why writing or committing one failed.
enum class ReplaceFailure {
  kNone,
  kCannotWrite,            // bad name, an input or output error ...
  kChangedSinceRead,       // the file is no longer the one expected: another program changed it
  kDiskFull,               // no room left on the disk (or over the user's quota)
  kFileTooLarge,           // beyond the file size limit (ulimit -f) or the file system's
  kFolderNotWritable,      // the file's directory does not let this user make files
  kReadOnlyFileSystem,     // the file lies on a file system mounted read-only
  kHeldByAnotherProgram,   // another program held the file's lock (flock, lockf or fcntl) for
                           // more than a second
  kReadOnlyFile,           // the file's permission bits grant no write access, or not to this user
  kAttributesNotKept,      // the new file could not be given the old one's permissions, ACLs or
                           // extended attributes
  kAppendOnlyOrImmutable,  // the file is append-only or immutable (chattr +a, +i)
  kSeveralLinks,           // the file has other hard links, which a replacement would leave
                           // holding the old bytes
  kNotFound,               // the folder it goes in does not exist
  kNotRegularFile,         // a folder, a device, a socket where a file was to be replaced
  kSymbolicLinkLoop,       // the name leads round a loop of symbolic links
};

// The reason in English words for the command lines ("the disk is full", "the folder is not
// writable" ...); empty for kNone.
std::string_view replaceFailureText(ReplaceFailure why);

// The reason in Chinese (GBK) for the window, of a file in general ("磁盘已满", "文件夹不允许写入"
// ...); empty for kNone.
std::string_view replaceFailureWords(ReplaceFailure why);

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
  //   bit. Null (kAttributesNotKept) when the permissions or an attribute cannot be set.
  // - From here to commit() or close() the old file is held under an exclusive lock (flock) and
  //   a POSIX read lock (an open file description's, F_OFD_SETLK), so that programs replacing the
  //   same file take turns and a program holding a lockf or fcntl write lock on it is respected;
  //   another holder of either is waited for at most a second (kHeldByAnotherProgram). Under that
  //   lock, when `expected` is given and the file exists but is no longer that file, nothing is
  //   made and `failure` (if given) says kChangedSinceRead. A file that no longer exists is simply
  //   made.
  // - The temporary file is ".NAME.quillet-XXXXXX" beside the target, made anew (O_EXCL) and
  //   locked for its whole life; those of replacements that died are removed (see
  //   removeStaleReplacements).
  // Fails when `gbkName` exists but is read-only for this user (kReadOnlyFile), append-only or
  // immutable, has other hard links (kSeveralLinks: a replacement would split them, the other
  // names keeping the old bytes), is not a regular file or leads round a loop of links, or its
  // directory does not let this user make files (kFolderNotWritable, or kReadOnlyFileSystem);
  // `failure` says which.
  static std::unique_ptr<TextFile> openReplacement(std::string_view gbkName,
                                                   const std::optional<FileIdentity>& expected = {},
                                                   ReplaceFailure* failure = nullptr);

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

  // Why the first failed write, close or commit failed; kNone while nothing has.
  ReplaceFailure failure() const { return failure_; }

 private:
  TextFile(std::FILE* file, bool textMode) : file_(file), textMode_(textMode) {}
  bool putRaw(char c);
  bool finishReplacement(bool replaceExisting);
  void fail();  // records errno's reason, once

  std::FILE* file_;
  bool textMode_;
  bool failed_ = false;
  ReplaceFailure failure_ = ReplaceFailure::kNone;
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

// Removes the temporary files that replacements of `gbkName` (in the working directory) left
// when they died: only files named ".NAME.quillet-XXXXXX" that are regular files, that no
// running replacement holds locked, and that are not brand new (a replacement locks its file at
// once). A user's own ".home.txt.backup" and other programs' files are never touched.
void removeStaleReplacements(std::string_view gbkName);

// Writes `bytes` to the UTF-8 path `path`.
// - A regular file, or no file, is replaced through a temporary file in the same directory
//   (".NAME.quillet-XXXXXX", as openReplacement makes them; stale ones are removed first) that
//   is renamed over it once everything is written and synced: the old file stays whole until
//   then, and a symbolic link at `path` is replaced by the new file rather than written through.
// - Anything else that exists (a FIFO, a device, a symbolic link to one, /dev/stdout) is written
//   through, as any program writing to a pipe or a device does: opened for writing and written,
//   never replaced. A FIFO waits for its reader. A reader that goes away fails the write (no
//   SIGPIPE).
// False when any step fails; a replaced file is then as it was.
bool replaceFileAtPath(const std::string& path, std::string_view bytes);

// The same replacement for output too large to hold in memory whole, made piece by piece: the
// bytes go, as they are written, to the temporary file (or straight through to a FIFO or a
// device), and commit() syncs it and renames it over the path. Until then the path is untouched;
// a replacement destroyed without commit() removes its temporary file, so nothing is left behind.
// A reader of a pipe that goes away fails the writes instead of ending the program. Not
// thread-safe.
class PathReplacement {
 public:
  // Null when no temporary file can be made beside `path` (no such directory, read-only ...), or
  // what is written through does not open, or an existing regular file there has other hard
  // links or is append-only or immutable; `why` (if given) then says which. Each failure of
  // open, write or commit is also kept as lastPathReplacementFailure().
  static std::unique_ptr<PathReplacement> open(const std::string& path,
                                               ReplaceFailure* why = nullptr);
  ~PathReplacement();
  PathReplacement(const PathReplacement&) = delete;
  PathReplacement& operator=(const PathReplacement&) = delete;

  // Appends `bytes` (gathered in a buffer of 64 KiB before they are written). False when they
  // could not all be written; the failure sticks.
  bool write(std::string_view bytes);
  // Syncs the file and renames it over the path (what is written through is only closed). False,
  // with the path untouched and the temporary file removed, when any step or an earlier write
  // failed.
  bool commit();
  // Why the first failed write or commit failed; kNone while nothing has.
  ReplaceFailure failure() const { return failure_; }
  // The temporary file being written (beside the path, as the path names it); empty when the
  // path is written through.
  const std::string& temporaryPath() const { return temp_; }

 private:
  PathReplacement(std::string path, std::string temp, int fd);
  bool flush();
  bool writeAll(std::string_view bytes);
  void closeFile();

  static constexpr std::size_t kBuffer = 1 << 16;
  std::string buffer_;
  std::string path_;
  std::string temp_;  // empty when the path is written through
  int fd_;
  bool failed_ = false;
  ReplaceFailure failure_ = ReplaceFailure::kNone;
  std::string record_;  // the note of the temporary file in the abandoned-temporaries folder
  void failWith(int error);
};

// Why the latest PathReplacement of this thread that failed (to open, write or commit) failed;
// kNone when none has. For callers that learn only that an export was not written.
ReplaceFailure lastPathReplacementFailure();

// The temporary files of exports live beside their output, anywhere: each is noted, while it
// exists, in the folder "quillet/temporaries" under $XDG_RUNTIME_DIR (else $XDG_CACHE_HOME, else
// ~/.cache). Removes every noted temporary file that no running export holds (a running one
// keeps its file locked) and that is not brand new, with its note; what a note names is removed
// only when it is still such a temporary file (".NAME.quillet-XXXXXX", regular). Each program
// calls this as it starts.
void removeAbandonedTemporaries();

// Reads the whole file at the UTF-8 path `path` into `bytes`, untranslated. Only a regular file
// is read (a symbolic link to one is followed); a FIFO, a device, a socket or a directory is
// refused without blocking. False with `why` set ("not a regular file", or the system's reason
// such as "No such file or directory") when the file cannot be read whole.
bool readRegularFile(const std::string& path, std::string& bytes, std::string& why);

}  // namespace platform
