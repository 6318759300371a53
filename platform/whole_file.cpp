#include "platform/whole_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>

#include "platform/file_failure.h"
#include "platform/path.h"
#include "platform/posix_file.h"
#include "platform/temporaries.h"
#include "platform/text_file.h"

namespace platform {
namespace {

using Code = Status::Code;

// Whether `path` is to be written through rather than replaced: it exists and is not a regular
// file (a FIFO, a device, a link to one), or it is a link in /dev or /proc, such as /dev/stdout,
// that stands for a stream the caller was given even when that is a regular file.
bool writesThrough(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) return true;
  if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return false;
  char* directory = ::realpath(directoryOf(path).c_str(), nullptr);
  if (directory == nullptr) return false;
  const std::string_view resolved = directory;
  const bool streams = resolved == "/dev" || resolved.starts_with("/proc/");
  std::free(directory);
  return streams;
}

// Runs `write` with SIGPIPE ignored: a reader of a pipe that goes away fails the write instead
// of ending the program.
template <typename Write>
bool withoutPipeSignal(Write&& write) {
  struct sigaction ignore {};
  struct sigaction previous {};
  ignore.sa_handler = SIG_IGN;
  ::sigemptyset(&ignore.sa_mask);
  if (::sigaction(SIGPIPE, &ignore, &previous) != 0) return false;
  const bool ok = write();
  ::sigaction(SIGPIPE, &previous, nullptr);
  return ok;
}

// Why the existing regular file at `path` (whose status is `old`) must not be replaced: it has
// other hard links, or it is append-only or immutable; ok otherwise.
Status whyNotReplaceable(const std::string& path, const struct stat& old) {
  const int oldFd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
  if (oldFd < 0) return {};
  Status refusal = posix::replacementRefusal(oldFd, old);
  ::close(oldFd);
  return refusal;
}

// The failure of a read that set `error` (an errno value), in the system's words.
Status readFailureOf(int error) {
  const Code code = error == ENOENT || error == ENOTDIR ? Code::kNotFound
                    : error == EACCES || error == EPERM ? Code::kNoPermission
                    : error == ELOOP                    ? Code::kSymbolicLinkLoop
                    : error == EISDIR                   ? Code::kNotRegularFile
                                                        : Code::kIoError;
  return Status::error(code, std::strerror(error));
}

// Reads at most `limit` bytes of the regular file at `path` into `bytes`; anything that is not a
// regular file is not even opened (opening a FIFO or a device may do something to it).
Status readRegular(const std::string& path, std::size_t limit, std::string& bytes) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return readFailureOf(errno);
  if (!S_ISREG(info.st_mode)) return fileFailure(Code::kNotRegularFile);
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return readFailureOf(errno);
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {  // replaced meanwhile
    ::close(fd);
    return fileFailure(Code::kNotRegularFile);
  }
  bytes.clear();
  bytes.reserve(std::min(limit, static_cast<std::size_t>(info.st_size)));
  char buffer[1 << 16];
  while (bytes.size() < limit) {
    const ssize_t got = ::read(fd, buffer, std::min(sizeof buffer, limit - bytes.size()));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      const Status failure = readFailureOf(errno);
      ::close(fd);
      return failure;
    }
    if (got == 0) break;
    bytes.append(buffer, static_cast<std::size_t>(got));
  }
  ::close(fd);
  return {};
}

}  // namespace

Status replaceFileAtPath(const std::string& path, std::string_view bytes) {
  std::unique_ptr<PathReplacement> replacement;
  if (Status opened = PathReplacement::open(path, replacement); !opened.ok()) return opened;
  replacement->write(bytes);
  return replacement->commit();
}

Status readRegularFile(const std::string& path, std::string& bytes) {
  return readRegular(path, std::string::npos, bytes);
}

Status readFileHead(const std::string& path, std::size_t limit, std::string& head) {
  return readRegular(path, limit, head);
}

std::vector<std::string> namesInFolder(const std::string& folder) {
  std::vector<std::string> names;
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return names;
  while (const struct dirent* entry = ::readdir(dir)) names.emplace_back(entry->d_name);
  ::closedir(dir);
  return names;
}

bool syncDirectory(const std::string& directory) {
  int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  bool ok = ::fsync(fd) == 0;
  return ::close(fd) == 0 && ok;
}

// --- PathReplacement ----------------------------------------------------------------------------

Status PathReplacement::open(const std::string& path,
                             std::unique_ptr<PathReplacement>& replacement) {
  replacement.reset();
  posix::ignoreFileSizeSignal();
  if (path.empty() || path.back() == '/') return fileFailure(Code::kNotRegularFile);
  if (writesThrough(path)) {
    // Opened as a shell's redirection opens it; a FIFO waits here for its reader.
    int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return writeFailureOf(errno);
    replacement.reset(new PathReplacement(path, std::string(), fd));
    return {};
  }
  // An existing regular file keeps its permissions (never a set-user-id or set-group-id bit);
  // anything else, a link included, is replaced by a new file with the usual ones. One with other
  // hard links, or append-only or immutable, is not replaced at all.
  struct stat old {};
  mode_t permissions = posix::newFilePermissions();
  if (::lstat(path.c_str(), &old) == 0 && S_ISREG(old.st_mode)) {
    permissions = old.st_mode & 0777;
    if (Status refusal = whyNotReplaceable(path, old); !refusal.ok()) return refusal;
  } else if (errno == ELOOP) {
    return fileFailure(Code::kSymbolicLinkLoop);
  }
  temporaries::removeStale(path);
  std::string temp;
  int fd = temporaries::make(path, temp);
  if (fd < 0) return writeFailureOf(errno);
  if (::fchmod(fd, permissions) != 0) {
    ::close(fd);
    ::unlink(temp.c_str());
    return fileFailure(Code::kAttributesNotKept);
  }
  replacement.reset(new PathReplacement(path, std::move(temp), fd));
  replacement->record_ = temporaries::note(replacement->temp_);
  return {};
}

PathReplacement::PathReplacement(std::string path, std::string temp, int fd)
    : path_(std::move(path)), temp_(std::move(temp)), fd_(fd) {
  buffer_.reserve(kBuffer);
}

PathReplacement::~PathReplacement() { closeFile(); }

// Closes the file; a temporary file not yet renamed goes with it, and so does its note.
void PathReplacement::closeFile() {
  if (fd_ < 0) return;
  if (!temp_.empty()) ::unlink(temp_.c_str());
  if (::close(fd_) != 0 && status_.ok()) failWith(errno);
  fd_ = -1;
  if (!record_.empty()) ::unlink(record_.c_str());
  record_.clear();
}

void PathReplacement::failWith(int error) {
  if (status_.ok()) status_ = writeFailureOf(error);
}

bool PathReplacement::write(std::string_view bytes) {
  // Small writes gather in a buffer, so that a writer of many small pieces costs few calls.
  if (buffer_.size() + bytes.size() <= kBuffer) {
    buffer_.append(bytes);
    return status_.ok() && fd_ >= 0;
  }
  return flush() && writeAll(bytes);
}

bool PathReplacement::flush() {
  const bool ok = writeAll(buffer_);
  buffer_.clear();
  return ok;
}

bool PathReplacement::writeAll(std::string_view bytes) {
  if (!status_.ok() || fd_ < 0) return false;
  if (bytes.empty()) return true;
  if (!withoutPipeSignal([&] { return posix::writeAll(fd_, bytes); })) failWith(errno);
  return status_.ok();
}

Status PathReplacement::commit() {
  if (fd_ < 0 || !flush()) {
    closeFile();
    return status_.ok() ? fileFailure(Code::kIoError) : status_;
  }
  if (temp_.empty()) {  // written through: nothing to rename
    closeFile();
    return status_;
  }
  // Renamed before it is closed: its lock keeps every clean-up away until it has its name.
  const bool ok = ::fsync(fd_) == 0 && ::rename(temp_.c_str(), path_.c_str()) == 0;
  if (ok) {
    temp_.clear();
  } else {
    failWith(errno);
  }
  closeFile();
  if (!ok) return status_;
  syncDirectory(directoryOf(path_));
  return {};
}

}  // namespace platform
