#include "platform/text_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <optional>

#include "platform/gbk.h"

namespace platform {
namespace {

constexpr mode_t kAnyWriteBit = S_IWUSR | S_IWGRP | S_IWOTH;
constexpr char kTempSuffix[] = ".XXXXXX";
constexpr std::size_t kTempRandomBytes = 6;

std::optional<std::string> fileSystemPath(std::string_view gbkName) {
  if (!isSafeFileName(gbkName)) return std::nullopt;
  return gbkToUtf8(gbkName);
}

// Windows' read-only attribute binds every user; the permission bits stand in for it.
bool isReadOnly(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return false;
  return (info.st_mode & kAnyWriteBit) == 0;
}

std::string directoryOf(const std::string& path) {
  auto slash = path.rfind('/');
  if (slash == 0) return "/";
  return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

std::string baseNameOf(const std::string& path) {
  auto slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool syncDirectory(const std::string& directory) {
  int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  bool ok = ::fsync(fd) == 0;
  return ::close(fd) == 0 && ok;
}

FileIdentity identityFrom(const struct stat& info) {
  return {static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino),
          static_cast<std::int64_t>(info.st_size), static_cast<std::int64_t>(info.st_mtim.tv_sec),
          static_cast<std::int64_t>(info.st_mtim.tv_nsec)};
}

// A write past the file size limit must fail rather than kill the process. A handler the
// program installed itself is left in place.
void ignoreFileSizeSignal() {
  struct sigaction current {};
  if (::sigaction(SIGXFSZ, nullptr, &current) == 0 && current.sa_handler == SIG_DFL) {
    std::signal(SIGXFSZ, SIG_IGN);
  }
}

// Opens `path` without blocking, whatever it is, and keeps it only when it is a regular file.
// `flags` are open(2)'s; creation makes rw-rw-rw- less the umask. -1 when it does not open or is
// not a regular file; `info` then holds nothing of use.
int openRegular(const std::string& path, int flags, struct stat& info) {
  int fd = ::open(path.c_str(), flags | O_NONBLOCK | O_CLOEXEC, 0666);
  if (fd < 0) return -1;
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    return -1;
  }
  // Regular files never block; clear the flag so that nothing downstream sees it.
  int status = ::fcntl(fd, F_GETFL);
  if (status < 0 || ::fcntl(fd, F_SETFL, status & ~O_NONBLOCK) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

// Takes an exclusive lock on `fd`, waiting at most about ten seconds for another holder: a
// program that never lets go must not hang this one. True when locked, and when the file system
// has no locks at all (nothing can be taken then).
bool lockExclusive(int fd) {
  for (int attempt = 0; attempt < 1000; ++attempt) {
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return true;
    if (errno == ENOLCK || errno == EOPNOTSUPP || errno == EBADF) return true;
    if (errno != EWOULDBLOCK && errno != EINTR) return false;
    struct timespec pause {
      0, 10'000'000
    };
    ::nanosleep(&pause, nullptr);
  }
  return false;
}

bool isTempName(const std::string& name, const std::string& prefix) {
  if (name.size() != prefix.size() + kTempRandomBytes || name.compare(0, prefix.size(), prefix)) {
    return false;
  }
  for (std::size_t i = prefix.size(); i < name.size(); ++i) {
    char c = name[i];
    bool alnum = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    if (!alnum) return false;
  }
  return true;
}

// Removes the temporary files of `target` (".NAME.XXXXXX" beside it) that no running replacement
// holds: a replacement locks its temporary file for as long as it lives.
void removeStaleTemps(const std::string& target) {
  const std::string directory = directoryOf(target);
  const std::string prefix = "." + baseNameOf(target) + ".";
  DIR* dir = ::opendir(directory.c_str());
  if (dir == nullptr) return;
  while (const struct dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (!isTempName(name, prefix)) continue;
    const std::string path = directory + "/" + name;
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) continue;
    struct stat info {};
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0) {
      ::unlink(path.c_str());
    }
    ::close(fd);
  }
  ::closedir(dir);
}

// Gives the new file `fd` the owner, group and permissions of `old` as far as the system allows,
// never a set-user-id or set-group-id bit for an owner or group other than the old one.
// False when the permissions cannot be set.
bool takeOverOwnership(int fd, const struct stat& old) {
  if (::fchown(fd, old.st_uid, old.st_gid) != 0) {
    [[maybe_unused]] int ignored = ::fchown(fd, static_cast<uid_t>(-1), old.st_gid);
  }
  struct stat now {};
  if (::fstat(fd, &now) != 0) return false;
  mode_t permissions = old.st_mode & 07777;
  if (now.st_uid != old.st_uid) permissions &= ~(S_ISUID | S_ISGID);
  if (now.st_gid != old.st_gid) permissions &= ~S_ISGID;
  return ::fchmod(fd, permissions) == 0;
}

mode_t newFilePermissions() {
  mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

// Makes a locked temporary file beside `target` for its replacement; -1 on failure. `tempPath`
// receives its path.
int makeTemp(const std::string& target, std::string& tempPath) {
  tempPath = directoryOf(target) + "/." + baseNameOf(target) + kTempSuffix;
  int fd = ::mkostemp(tempPath.data(), O_CLOEXEC);
  if (fd < 0) return -1;
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno != ENOLCK && errno != EOPNOTSUPP) {
    ::close(fd);
    ::unlink(tempPath.c_str());
    return -1;
  }
  return fd;
}

}  // namespace

bool isSafeFileName(std::string_view gbkName) {
  if (gbkName.empty() || gbkName == "." || gbkName == "..") return false;
  for (std::size_t i = 0; i < gbkName.size();) {
    std::size_t length = gbkCharLength(gbkName.substr(i));
    if (length == 0) return false;  // not GBK: it would not convert anyway
    char c = gbkName[i];
    if (length == 1 && (c == '/' || c == '\\' || c == '\0')) return false;
    i += length;
  }
  return true;
}

bool isSettled(const FileIdentity& identity) {
  struct timespec now {};
  if (::clock_gettime(CLOCK_REALTIME, &now) != 0) return false;
  constexpr std::int64_t kStepSeconds = 2;
  return identity.modifiedSeconds + kStepSeconds < static_cast<std::int64_t>(now.tv_sec);
}

std::optional<FileIdentity> identityOfPath(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return std::nullopt;
  return identityFrom(info);
}

std::optional<FileIdentity> identityOf(std::string_view gbkName) {
  auto path = fileSystemPath(gbkName);
  if (!path) return std::nullopt;
  return identityOfPath(*path);
}

std::unique_ptr<TextFile> TextFile::open(std::string_view gbkName, std::string_view mode) {
  auto path = fileSystemPath(gbkName);
  if (!path || mode.empty()) return nullptr;
  bool binary = mode.find('b') != std::string_view::npos;
  bool update = mode.find('+') != std::string_view::npos;
  char kind = mode[0];
  if (kind != 'r' && kind != 'w' && kind != 'a') return nullptr;
  if (kind != 'r' && ::access(path->c_str(), F_OK) != 0 && isReadOnly(directoryOf(*path))) {
    return nullptr;
  }
  int flags = update ? O_RDWR : (kind == 'r' ? O_RDONLY : O_WRONLY);
  if (kind != 'r') flags |= O_CREAT;
  if (kind == 'a') flags |= O_APPEND;
  struct stat info {};
  int fd = openRegular(*path, flags, info);
  if (fd < 0) return nullptr;
  if ((update || kind != 'r') && (info.st_mode & kAnyWriteBit) == 0) {
    ::close(fd);
    return nullptr;
  }
  if (kind == 'w' && ::ftruncate(fd, 0) != 0) {
    ::close(fd);
    return nullptr;
  }
  if (kind != 'r') ignoreFileSizeSignal();
  std::string cMode(1, kind);
  if (update) cMode += '+';
  cMode += 'b';  // binary at the C level: the translation is ours
  std::FILE* file = ::fdopen(fd, cMode.c_str());
  if (file == nullptr) {
    ::close(fd);
    return nullptr;
  }
  return std::unique_ptr<TextFile>(new TextFile(file, !binary));
}

std::unique_ptr<TextFile> TextFile::openReplacement(std::string_view gbkName,
                                                    const std::optional<FileIdentity>& expected,
                                                    ReplaceFailure* failure) {
  ReplaceFailure ignored;
  ReplaceFailure& why = failure != nullptr ? *failure : ignored;
  why = ReplaceFailure::kCannotWrite;
  auto path = fileSystemPath(gbkName);
  if (!path) return nullptr;
  ignoreFileSizeSignal();

  // Through a symbolic link to the file it names: that file is replaced, the link stays.
  std::string target = *path;
  struct stat linkInfo {};
  if (::lstat(path->c_str(), &linkInfo) == 0 && S_ISLNK(linkInfo.st_mode)) {
    char* resolved = ::realpath(path->c_str(), nullptr);
    if (resolved == nullptr) return nullptr;
    target = resolved;
    std::free(resolved);
  }
  if (isReadOnly(directoryOf(target))) return nullptr;

  // The old file, locked for the whole replacement and checked under the lock: the name must
  // still lead to the file held, and that must be the file expected.
  struct stat old {};
  int lockFd = -1;
  if (::access(target.c_str(), F_OK) == 0) {
    lockFd = openRegular(target, O_RDONLY, old);
    if (lockFd < 0) return nullptr;
    struct stat now {};
    if (!lockExclusive(lockFd) || ::fstat(lockFd, &old) != 0) {
      ::close(lockFd);
      return nullptr;
    }
    bool current =
        ::stat(target.c_str(), &now) == 0 && now.st_dev == old.st_dev && now.st_ino == old.st_ino;
    if (!current || (expected && identityFrom(old) != *expected)) {
      ::close(lockFd);
      why = ReplaceFailure::kChangedSinceRead;
      return nullptr;
    }
    if ((old.st_mode & kAnyWriteBit) == 0) {
      ::close(lockFd);
      return nullptr;
    }
  }
  auto release = [&lockFd] {
    if (lockFd >= 0) ::close(lockFd);
  };

  removeStaleTemps(target);
  std::string temp;
  int fd = makeTemp(target, temp);
  if (fd < 0) {
    release();
    return nullptr;
  }
  bool owned = lockFd >= 0 ? takeOverOwnership(fd, old) : ::fchmod(fd, newFilePermissions()) == 0;
  std::FILE* file = owned ? ::fdopen(fd, "wb") : nullptr;
  if (file == nullptr) {
    ::close(fd);
    ::unlink(temp.c_str());
    release();
    return nullptr;
  }
  auto stream = std::unique_ptr<TextFile>(new TextFile(file, true));
  stream->tempPath_ = temp;
  stream->targetPath_ = target;
  stream->lockFd_ = lockFd;
  why = ReplaceFailure::kNone;
  return stream;
}

TextFile::~TextFile() { close(); }

int TextFile::getc() {
  int c;
  if (pending_ != -2) {
    c = pending_;
    pending_ = -2;
  } else {
    c = std::fgetc(file_);
  }
  if (c == '\r' && textMode_) {
    int next = std::fgetc(file_);
    if (next == '\n') return '\n';
    pending_ = next;  // a lone CR passes; the byte after it is kept for the next read
  }
  return c == EOF ? kEof : c;
}

std::size_t TextFile::read(char* buffer, std::size_t n) {
  std::size_t count = 0;
  while (count < n) {
    int c = getc();
    if (c == kEof) break;
    buffer[count++] = static_cast<char>(c);
  }
  return count;
}

bool TextFile::readAll(std::string& bytes) {
  if (file_ == nullptr) return false;
  // Raw blocks first (after a byte read ahead, if any), then the translation in place: a CR LF
  // pair becomes one LF.
  const std::size_t start = bytes.size();
  if (pending_ != -2) {
    if (pending_ == EOF) return true;
    bytes += static_cast<char>(pending_);
    pending_ = -2;
  }
  char block[1 << 16];
  for (;;) {
    std::size_t got = std::fread(block, 1, sizeof block, file_);
    bytes.append(block, got);
    if (got < sizeof block) break;
  }
  if (std::ferror(file_)) return false;
  if (textMode_) {
    std::size_t out = start;
    for (std::size_t in = start; in < bytes.size(); ++in) {
      if (bytes[in] == '\r' && in + 1 < bytes.size() && bytes[in + 1] == '\n') continue;
      bytes[out++] = bytes[in];
    }
    bytes.resize(out);
  }
  return true;
}

bool TextFile::putRaw(char c) {
  if (file_ == nullptr || std::fputc(static_cast<unsigned char>(c), file_) == EOF) {
    failed_ = true;
    return false;
  }
  return true;
}

bool TextFile::putc(char c) {
  if (c == '\n' && textMode_ && !putRaw('\r')) return false;
  return putRaw(c);
}

bool TextFile::write(std::string_view bytes) {
  if (failed_ || file_ == nullptr) return false;
  if (!textMode_) {
    if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) failed_ = true;
    return !failed_;
  }
  // Translated into a block, each line feed as CR LF, and written a block at a time.
  char block[1 << 16];
  std::size_t used = 0;
  auto flush = [&] {
    if (used != 0 && std::fwrite(block, 1, used, file_) != used) failed_ = true;
    used = 0;
    return !failed_;
  };
  while (!bytes.empty()) {
    const std::size_t feed = bytes.find('\n');
    std::string_view run = bytes.substr(0, feed);
    while (!run.empty()) {
      if (used == sizeof block && !flush()) return false;
      const std::size_t n = std::min(run.size(), sizeof block - used);
      std::memcpy(block + used, run.data(), n);
      used += n;
      run.remove_prefix(n);
    }
    if (feed == std::string_view::npos) break;
    if (used + 2 > sizeof block && !flush()) return false;
    block[used++] = '\r';
    block[used++] = '\n';
    bytes.remove_prefix(feed + 1);
  }
  return flush();
}

bool TextFile::writeAsIs(std::string_view bytes) {
  if (failed_ || file_ == nullptr) return false;
  if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) failed_ = true;
  if (!failed_ && bytes.size() >= kEarlyWriteback) {
    // A large block starts on its way to the disk now, so that the sync at commit has less left
    // to wait for. (Only a hint: errors show at the sync.)
    const off_t end = ::ftello(file_);
    if (std::fflush(file_) == 0 && end >= 0) {
      ::sync_file_range(::fileno(file_), end - static_cast<off_t>(bytes.size()),
                        static_cast<off_t>(bytes.size()), SYNC_FILE_RANGE_WRITE);
    }
  }
  return !failed_;
}

std::optional<FileIdentity> TextFile::identity() const {
  if (file_ == nullptr) return committed_;
  struct stat info {};
  if (::fstat(::fileno(file_), &info) != 0) return std::nullopt;
  return identityFrom(info);
}

bool TextFile::close() {
  if (lockFd_ >= 0) {
    ::close(lockFd_);
    lockFd_ = -1;
  }
  if (file_ == nullptr) return !failed_;
  if (std::fclose(file_) != 0) failed_ = true;
  file_ = nullptr;
  if (!tempPath_.empty()) {
    ::unlink(tempPath_.c_str());
    tempPath_.clear();
  }
  return !failed_;
}

bool TextFile::commit() { return finishReplacement(true); }

bool TextFile::commitNew() { return finishReplacement(false); }

// Flushes, syncs and closes the temporary file, then moves it into place: over the target with
// `replaceExisting`, else without replacing anything (an atomic rename that refuses an existing
// target, or where the file system lacks it, a hard link, which refuses one too).
bool TextFile::finishReplacement(bool replaceExisting) {
  if (file_ == nullptr || tempPath_.empty()) return false;
  bool ok = !failed_ && std::fflush(file_) == 0 && ::fsync(::fileno(file_)) == 0;
  std::optional<FileIdentity> made = ok ? identity() : std::nullopt;
  ok = std::fclose(file_) == 0 && ok && made.has_value();
  file_ = nullptr;
  if (ok && replaceExisting) {
    ok = ::rename(tempPath_.c_str(), targetPath_.c_str()) == 0;
  } else if (ok) {
    ok = ::renameat2(AT_FDCWD, tempPath_.c_str(), AT_FDCWD, targetPath_.c_str(),
                     RENAME_NOREPLACE) == 0;
    if (!ok && errno == EINVAL && ::link(tempPath_.c_str(), targetPath_.c_str()) == 0) {
      ::unlink(tempPath_.c_str());
      ok = true;
    }
  }
  if (!ok) {
    ::unlink(tempPath_.c_str());
    tempPath_.clear();
    failed_ = true;
    close();
    return false;
  }
  tempPath_.clear();
  committed_ = made;
  // The rename is done; a failed directory sync only weakens durability across a power cut.
  syncDirectory(directoryOf(targetPath_));
  close();  // lets go of the lock
  return true;
}

bool replaceFileAtPath(const std::string& path, std::string_view bytes) {
  ignoreFileSizeSignal();
  if (path.empty() || path.back() == '/') return false;
  std::string temp;
  int fd = makeTemp(path, temp);
  if (fd < 0) return false;
  // An existing regular file keeps its permissions (never a set-user-id or set-group-id bit);
  // anything else, a link included, is replaced by a new file with the usual ones.
  struct stat old {};
  mode_t permissions = newFilePermissions();
  if (::lstat(path.c_str(), &old) == 0 && S_ISREG(old.st_mode)) {
    permissions = old.st_mode & 0777;
  }
  bool ok = ::fchmod(fd, permissions) == 0;
  for (std::size_t done = 0; ok && done < bytes.size();) {
    ssize_t wrote = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (wrote < 0 && errno == EINTR) continue;
    ok = wrote > 0;
    if (ok) done += static_cast<std::size_t>(wrote);
  }
  ok = ok && ::fsync(fd) == 0;
  ok = ::close(fd) == 0 && ok;
  ok = ok && ::rename(temp.c_str(), path.c_str()) == 0;
  if (!ok) {
    ::unlink(temp.c_str());
    return false;
  }
  syncDirectory(directoryOf(path));
  return true;
}

}  // namespace platform

// --- PathReplacement ----------------------------------------------------------------------------

namespace platform {

std::unique_ptr<PathReplacement> PathReplacement::open(const std::string& path) {
  ignoreFileSizeSignal();
  if (path.empty() || path.back() == '/') return nullptr;
  std::string temp;
  int fd = makeTemp(path, temp);
  if (fd < 0) return nullptr;
  // As replaceFileAtPath: an existing regular file keeps its permissions, anything else is
  // replaced by a new file with the usual ones.
  struct stat old {};
  mode_t permissions = newFilePermissions();
  if (::lstat(path.c_str(), &old) == 0 && S_ISREG(old.st_mode)) permissions = old.st_mode & 0777;
  if (::fchmod(fd, permissions) != 0) {
    ::close(fd);
    ::unlink(temp.c_str());
    return nullptr;
  }
  return std::unique_ptr<PathReplacement>(new PathReplacement(path, std::move(temp), fd));
}

PathReplacement::~PathReplacement() {
  if (fd_ < 0) return;
  ::close(fd_);
  ::unlink(temp_.c_str());
}

bool PathReplacement::write(std::string_view bytes) {
  // Small writes gather in a buffer, so that a writer of many small pieces costs few calls.
  if (buffer_.size() + bytes.size() <= kBuffer) {
    buffer_.append(bytes);
    return !failed_ && fd_ >= 0;
  }
  return flush() && writeThrough(bytes);
}

bool PathReplacement::flush() {
  const bool ok = writeThrough(buffer_);
  buffer_.clear();
  return ok;
}

bool PathReplacement::writeThrough(std::string_view bytes) {
  for (std::size_t done = 0; !failed_ && fd_ >= 0 && done < bytes.size();) {
    ssize_t wrote = ::write(fd_, bytes.data() + done, bytes.size() - done);
    if (wrote < 0 && errno == EINTR) continue;
    failed_ = wrote <= 0;
    if (!failed_) done += static_cast<std::size_t>(wrote);
  }
  return !failed_ && fd_ >= 0;
}

bool PathReplacement::commit() {
  if (fd_ < 0) return false;
  bool ok = flush() && ::fsync(fd_) == 0;
  ok = ::close(fd_) == 0 && ok;
  fd_ = -1;
  ok = ok && ::rename(temp_.c_str(), path_.c_str()) == 0;
  if (!ok) {
    ::unlink(temp_.c_str());
    return false;
  }
  syncDirectory(directoryOf(path_));
  return true;
}

}  // namespace platform
