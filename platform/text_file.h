// Text-mode file streams as the program's Windows ancestry defines them, on Linux.
//
// - Text mode: a LF written becomes CR LF; a CR LF pair read arrives as one LF; every other byte
//   passes unchanged (a lone CR, NUL, 0x1A, 0xFF).
// - Names are GBK byte strings relative to the working directory (such as "home.txt" or a
//   person's 6-byte name key plus ".txt"); they are converted to UTF-8 for the file system. A
//   name that does not convert, that is empty, or that holds '/', '\' or NUL never opens: typed
//   input cannot reach another directory.
// - A file whose permission bits grant no write access is read-only for every user, root
//   included, as Windows' read-only attribute is: "r+" and "w+" fail on it. A directory whose
//   bits grant no write access likewise refuses new files.
//
// Not thread-safe: a TextFile is used by one thread at a time.
#pragma once

#include <cstddef>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

namespace platform {

class TextFile {
 public:
  static constexpr int kEof = EOF;

  // Opens `gbkName` with a C mode: "r", "r+", "w", "w+", "a", "a+" (a "t" or "b" suffix is
  // accepted; "b" turns the text-mode translation off). Returns null when the file does not open.
  static std::unique_ptr<TextFile> open(std::string_view gbkName, std::string_view mode);

  // Opens a new temporary file in the directory of `gbkName` whose content replaces the file
  // only when commit() succeeds; until then (and if the process dies) `gbkName` is untouched.
  // Fails when `gbkName` exists but is read-only, or its directory is. Text mode.
  static std::unique_ptr<TextFile> openReplacement(std::string_view gbkName);

  ~TextFile();
  TextFile(const TextFile&) = delete;
  TextFile& operator=(const TextFile&) = delete;

  // The next byte (0..255) after text-mode translation, or kEof at the end or on an error.
  int getc();
  // Reads up to `n` bytes after translation; returns how many were read.
  std::size_t read(char* buffer, std::size_t n);

  // Writes with text-mode translation. False when the bytes could not all be written; the error
  // sticks, and close() and commit() report it too.
  bool putc(char c);
  bool write(std::string_view bytes);

  // Closes the stream; false when a write or the close failed. A replacement file that is
  // closed without commit() is removed.
  bool close();

  // For a replacement file: flushes, syncs it to disk, closes it, renames it over the target and
  // syncs the directory. False, with the target untouched, when any step fails.
  bool commit();
  // For a replacement file: as commit(), but never replaces an existing file: false, with the
  // target untouched and the temporary file removed, when the target exists by then.
  bool commitNew();

 private:
  TextFile(std::FILE* file, bool textMode) : file_(file), textMode_(textMode) {}
  bool putRaw(char c);
  bool finishReplacement(bool replaceExisting);

  std::FILE* file_;
  bool textMode_;
  bool failed_ = false;
  int pending_ = -2;        // a byte read ahead while looking for CR LF; -2 when none
  std::string tempPath_;    // replacement files: the temporary file's UTF-8 path
  std::string targetPath_;  // replacement files: the file it replaces
};

// True when `gbkName` is a name that TextFile::open would accept (see the header comment).
bool isSafeFileName(std::string_view gbkName);

}  // namespace platform
