// Whole files at UTF-8 paths, as the command-line programs and the exports name them: read whole
// or by their head (only regular files, never blocking on a FIFO or a device), written whole or
// not at all (through a temporary file renamed over the path), and the names a folder holds.
// Failures are Statuses whose messages are English words for the command lines (file_failure.h
// gives the window's).
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/status.h"

namespace platform {

// Writes `bytes` to the UTF-8 path `path`.
// - A regular file, or no file, is replaced through a temporary file in the same directory
//   (".NAME.quillet-XXXXXX", as TextFile::openReplacement makes them; stale ones are removed
//   first) that is renamed over it once everything is written and synced: the old file stays
//   whole until then, and a symbolic link at `path` is replaced by the new file rather than
//   written through.
// - Anything else that exists (a FIFO, a device, a symbolic link to one, /dev/stdout) is written
//   through, as any program writing to a pipe or a device does: opened for writing and written,
//   never replaced. A FIFO waits for its reader. A reader that goes away fails the write (no
//   SIGPIPE).
// Ok, or why a step failed; a replaced file is then as it was.
Status replaceFileAtPath(const std::string& path, std::string_view bytes);

// The same replacement for output too large to hold in memory whole, made piece by piece: the
// bytes go, as they are written, to the temporary file (or straight through to a FIFO or a
// device), and commit() syncs it and renames it over the path. Until then the path is untouched;
// a replacement destroyed without commit() removes its temporary file, so nothing is left behind.
// A reader of a pipe that goes away fails the writes instead of ending the program. Not
// thread-safe.
class PathReplacement {
 public:
  // Makes `replacement`; fails, leaving it null, when no temporary file can be made beside `path`
  // (no such directory, read-only ...), or what is written through does not open, or an existing
  // regular file there has other hard links or is append-only or immutable.
  static Status open(const std::string& path, std::unique_ptr<PathReplacement>& replacement);
  ~PathReplacement();
  PathReplacement(const PathReplacement&) = delete;
  PathReplacement& operator=(const PathReplacement&) = delete;

  // Appends `bytes` (gathered in a buffer of 64 KiB before they are written). False when they
  // could not all be written; the failure sticks.
  bool write(std::string_view bytes);
  // Syncs the file and renames it over the path (what is written through is only closed). Fails,
  // with the path untouched and the temporary file removed, when any step or an earlier write
  // failed.
  Status commit();
  // Why the first failed write or commit failed; ok while nothing has.
  const Status& status() const { return status_; }
  // The temporary file being written (beside the path, as the path names it); empty when the
  // path is written through.
  const std::string& temporaryPath() const { return temp_; }

 private:
  PathReplacement(std::string path, std::string temp, int fd);
  bool flush();
  bool writeAll(std::string_view bytes);
  void closeFile();
  void failWith(int error);

  static constexpr std::size_t kBuffer = 1 << 16;
  std::string buffer_;
  std::string path_;
  std::string temp_;  // empty when the path is written through
  int fd_;
  Status status_;
  std::string record_;  // the note of the temporary file in the abandoned-temporaries folder
};

// Reads the whole file at the UTF-8 path `path` into `bytes`, untranslated. Only a regular file
// is read (a symbolic link to one is followed); a FIFO, a device, a socket or a directory is
// refused without being opened (kNotRegularFile, "not a regular file"). Else the failure's
// message is the system's reason, such as "No such file or directory".
Status readRegularFile(const std::string& path, std::string& bytes);

// As readRegularFile, but reads no more than the first `limit` bytes into `head`.
Status readFileHead(const std::string& path, std::size_t limit, std::string& head);

// The names of the entries of the folder `folder` ("." and ".." among them); none when it cannot
// be read.
std::vector<std::string> namesInFolder(const std::string& folder);

// Makes the entries of `directory` (a file renamed or removed there) durable; false when the
// directory cannot be opened or synced.
bool syncDirectory(const std::string& directory);

}  // namespace platform
