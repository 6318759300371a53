#include "platform/text_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
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
// A temporary file is ".NAME" and this mark: the mark tells it from every file a person or another
// program keeps beside the target.
constexpr char kTempMark[] = ".quillet-";
constexpr char kTempRandom[] = "XXXXXX";
constexpr std::size_t kTempRandomBytes = 6;
constexpr std::int64_t kFreshSeconds = 2;  // a temporary file this young may be one just made

// The reason an operation that set `error` (an errno value) gives the user.
ReplaceFailure reasonOf(int error) {
  switch (error) {
    case ENOSPC:
    case EDQUOT:
      return ReplaceFailure::kDiskFull;
    case EFBIG:
      return ReplaceFailure::kFileTooLarge;
    case EROFS:
      return ReplaceFailure::kReadOnlyFileSystem;
    case EACCES:
    case EPERM:
      return ReplaceFailure::kFolderNotWritable;
    case ENOENT:
    case ENOTDIR:
      return ReplaceFailure::kNotFound;
    case ELOOP:
      return ReplaceFailure::kSymbolicLinkLoop;
    case EISDIR:
      return ReplaceFailure::kNotRegularFile;
    default:
      return ReplaceFailure::kCannotWrite;
  }
}

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
  return {static_cast<std::uint64_t>(info.st_dev),
          static_cast<std::uint64_t>(info.st_ino),
          static_cast<std::int64_t>(info.st_size),
          static_cast<std::int64_t>(info.st_mtim.tv_sec),
          static_cast<std::int64_t>(info.st_mtim.tv_nsec),
          static_cast<std::int64_t>(info.st_ctim.tv_sec),
          static_cast<std::int64_t>(info.st_ctim.tv_nsec)};
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

// Whether the file system has no locks of this kind at all (nothing can be taken then).
bool noLocksHere(int error) { return error == ENOLCK || error == EOPNOTSUPP || error == EBADF; }

// Takes a POSIX read lock of the open file description `fd` over the whole file: it fails while
// another program holds a write lock (lockf, fcntl F_SETLK), and keeps such locks off until `fd`
// is closed. True when taken, or when the file system has no such locks.
bool lockAgainstRecordLocks(int fd) {
  struct flock whole {};
  whole.l_type = F_RDLCK;
  whole.l_whence = SEEK_SET;
  if (::fcntl(fd, F_OFD_SETLK, &whole) == 0) return true;
  return noLocksHere(errno) || errno == EINVAL;
}

// Takes an exclusive lock on `fd`, and a read lock against other programs' record locks, waiting
// at most about a second for another holder of either: a program that never lets go must not
// freeze this one. kNone when locked, and when the file system has no locks at all.
ReplaceFailure lockExclusive(int fd) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0 || noLocksHere(errno)) {
      if (lockAgainstRecordLocks(fd)) return ReplaceFailure::kNone;
      ::flock(fd, LOCK_UN);  // another program's record lock: this one waits without the flock
    } else if (errno != EWOULDBLOCK && errno != EINTR) {
      return ReplaceFailure::kCannotWrite;
    }
    struct timespec pause {
      0, 10'000'000
    };
    ::nanosleep(&pause, nullptr);
  }
  return ReplaceFailure::kHeldByAnotherProgram;
}

// Why the existing regular file open at `fd` (whose status is `info`) must not be replaced by
// renaming a new file over it: kSeveralLinks when other names lead to it (they would keep the
// old bytes), kAppendOnlyOrImmutable when its attributes forbid it; kNone otherwise.
ReplaceFailure whyNotReplaceable(int fd, const struct stat& info) {
  int flags = 0;
  if (::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0 && (flags & (FS_APPEND_FL | FS_IMMUTABLE_FL))) {
    return ReplaceFailure::kAppendOnlyOrImmutable;
  }
  return info.st_nlink > 1 ? ReplaceFailure::kSeveralLinks : ReplaceFailure::kNone;
}

// Whether this user may write `path` (a file, or a directory to make files in): kNone, or why not.
// Bits without any write permission refuse every user, root included.
ReplaceFailure writability(const std::string& path) {
  if (isReadOnly(path)) return ReplaceFailure::kReadOnlyFile;
  if (::access(path.c_str(), W_OK) == 0) return ReplaceFailure::kNone;
  if (errno == ENOENT || errno == ENOTDIR) return ReplaceFailure::kNotFound;
  return errno == EROFS ? ReplaceFailure::kReadOnlyFileSystem : ReplaceFailure::kReadOnlyFile;
}

std::string tempPrefix(const std::string& target) { return "." + baseNameOf(target) + kTempMark; }

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

// Removes the temporary files of `target` (".NAME.quillet-XXXXXX" beside it) that no running
// replacement holds: a replacement locks its temporary file for as long as it lives. One made in
// the last moments is left too: it may be one whose maker has not locked it yet.
void removeStaleTemps(const std::string& target) {
  const std::string directory = directoryOf(target);
  const std::string prefix = tempPrefix(target);
  DIR* dir = ::opendir(directory.c_str());
  if (dir == nullptr) return;
  struct timespec now {};
  ::clock_gettime(CLOCK_REALTIME, &now);
  while (const struct dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (!isTempName(name, prefix)) continue;
    const std::string path = directory + "/" + name;
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) continue;
    struct stat info {};
    struct stat named {};
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
        info.st_mtim.tv_sec + kFreshSeconds < now.tv_sec && ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
        ::lstat(path.c_str(), &named) == 0 && named.st_ino == info.st_ino &&
        named.st_dev == info.st_dev) {
      ::unlink(path.c_str());
    }
    ::close(fd);
  }
  ::closedir(dir);
}

// Reads the extended attribute `name` of `fd` into `value`; false when it cannot.
bool readAttribute(int fd, const char* name, std::string& value) {
  for (int attempt = 0; attempt < 8; ++attempt) {  // it may grow between the two calls
    const ssize_t size = ::fgetxattr(fd, name, nullptr, 0);
    if (size < 0) return false;
    value.resize(static_cast<std::size_t>(size));
    const ssize_t got = ::fgetxattr(fd, name, value.data(), value.size());
    if (got >= 0) {
      value.resize(static_cast<std::size_t>(got));
      return true;
    }
    if (errno != ERANGE) return false;
  }
  return false;
}

// Gives the new file `fd` every extended attribute of the old file `oldFd` (its POSIX ACLs are
// two of them). False when one that the new file does not hold already cannot be set.
bool copyAttributes(int oldFd, int fd) {
  std::string names;
  for (int attempt = 0;; ++attempt) {
    const ssize_t size = ::flistxattr(oldFd, nullptr, 0);
    if (size < 0) return errno == ENOTSUP;  // a file system without them: nothing to copy
    names.resize(static_cast<std::size_t>(size));
    const ssize_t got = ::flistxattr(oldFd, names.data(), names.size());
    if (got >= 0) {
      names.resize(static_cast<std::size_t>(got));
      break;
    }
    if (errno != ERANGE || attempt == 8) return false;
  }
  std::string value;
  std::string held;
  for (std::size_t at = 0, end = 0; (end = names.find('\0', at)) != std::string::npos;
       at = end + 1) {
    const char* name = names.c_str() + at;
    if (!readAttribute(oldFd, name, value)) {
      if (errno == ENODATA) continue;  // removed meanwhile
      return false;
    }
    if (::fsetxattr(fd, name, value.data(), value.size(), 0) != 0 &&
        !(readAttribute(fd, name, held) && held == value)) {
      return false;
    }
  }
  return true;
}

// Gives the new file `fd` the owner and group of the old file `oldFd` (whose status is `old`) as
// far as the system allows, its extended attributes and ACLs, and its permissions without the
// set-user-id and set-group-id bits. kAttributesNotKept when an attribute or the permissions
// cannot be set.
ReplaceFailure takeOverOwnership(int fd, int oldFd, const struct stat& old) {
  if (::fchown(fd, old.st_uid, old.st_gid) != 0) {
    [[maybe_unused]] int ignored = ::fchown(fd, static_cast<uid_t>(-1), old.st_gid);
  }
  // The permissions last: setting an ACL sets the group bits, and they must end as the old ones.
  const mode_t permissions = old.st_mode & 07777 & ~(S_ISUID | S_ISGID);
  return copyAttributes(oldFd, fd) && ::fchmod(fd, permissions) == 0
             ? ReplaceFailure::kNone
             : ReplaceFailure::kAttributesNotKept;
}

mode_t newFilePermissions() {
  mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

// Makes a new locked temporary file beside `target` for its replacement (mkostemp opens with
// O_EXCL); -1 on failure, with errno set. `tempPath` receives its path.
int makeTemp(const std::string& target, std::string& tempPath) {
  tempPath = directoryOf(target) + "/" + tempPrefix(target) + kTempRandom;
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
    if (resolved == nullptr) {
      why = reasonOf(errno);
      return nullptr;
    }
    target = resolved;
    std::free(resolved);
  }
  if (ReplaceFailure folder = writability(directoryOf(target)); folder != ReplaceFailure::kNone) {
    why = folder == ReplaceFailure::kReadOnlyFile ? ReplaceFailure::kFolderNotWritable : folder;
    return nullptr;
  }

  // The old file, locked for the whole replacement and checked under the lock: the name must
  // still lead to the file held, and that must be the file expected.
  struct stat old {};
  int lockFd = -1;
  if (::access(target.c_str(), F_OK) == 0) {
    lockFd = openRegular(target, O_RDONLY, old);
    if (lockFd < 0) {
      why = ::stat(target.c_str(), &old) == 0 && !S_ISREG(old.st_mode)
                ? ReplaceFailure::kNotRegularFile
                : reasonOf(errno);
      return nullptr;
    }
    struct stat now {};
    if (ReplaceFailure locked = lockExclusive(lockFd); locked != ReplaceFailure::kNone) {
      ::close(lockFd);
      why = locked;
      return nullptr;
    }
    if (::fstat(lockFd, &old) != 0) {
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
    if (ReplaceFailure file = whyNotReplaceable(lockFd, old); file != ReplaceFailure::kNone) {
      ::close(lockFd);
      why = file;
      return nullptr;
    }
    if (ReplaceFailure file = writability(target); file != ReplaceFailure::kNone) {
      ::close(lockFd);
      why = file;
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
    why = reasonOf(errno);
    release();
    return nullptr;
  }
  why = lockFd >= 0                               ? takeOverOwnership(fd, lockFd, old)
        : ::fchmod(fd, newFilePermissions()) == 0 ? ReplaceFailure::kNone
                                                  : ReplaceFailure::kAttributesNotKept;
  std::FILE* file = why == ReplaceFailure::kNone ? ::fdopen(fd, "wb") : nullptr;
  if (file == nullptr) {
    ::close(fd);
    ::unlink(temp.c_str());
    release();
    if (why == ReplaceFailure::kNone) why = ReplaceFailure::kCannotWrite;
    return nullptr;
  }
  auto stream = std::unique_ptr<TextFile>(new TextFile(file, true));
  stream->tempPath_ = temp;
  stream->targetPath_ = target;
  stream->lockFd_ = lockFd;
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
  // As getc a byte at a time, but the file's bytes are read in blocks straight into `buffer` and
  // translated there; a byte read ahead (after a CR) comes first.
  std::size_t count = 0;
  while (count < n) {
    if (pending_ != -2) {
      const int c = getc();
      if (c == kEof) break;
      buffer[count++] = static_cast<char>(c);
      continue;
    }
    const std::size_t got = std::fread(buffer + count, 1, n - count, file_);
    if (got == 0) break;
    if (!textMode_) {
      count += got;
      continue;
    }
    const std::size_t end = count + got;
    for (std::size_t in = count; in < end; ++in) {
      char c = buffer[in];
      if (c == '\r') {
        if (in + 1 < end) {
          if (buffer[in + 1] == '\n') continue;  // the LF stands for the pair
        } else {
          const int next = std::fgetc(file_);
          if (next == '\n') {
            c = '\n';
          } else {
            pending_ = next;  // a lone CR passes; the byte after it is kept for the next read
          }
        }
      }
      buffer[count++] = c;
    }
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

void TextFile::fail() {
  if (!failed_ || failure_ == ReplaceFailure::kNone) failure_ = reasonOf(errno);
  failed_ = true;
}

bool TextFile::putRaw(char c) {
  if (file_ == nullptr || std::fputc(static_cast<unsigned char>(c), file_) == EOF) {
    fail();
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
    if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) fail();
    return !failed_;
  }
  // Translated into a block, each line feed as CR LF, and written a block at a time.
  char block[1 << 16];
  std::size_t used = 0;
  auto flush = [&] {
    if (used != 0 && std::fwrite(block, 1, used, file_) != used) fail();
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
  if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) fail();
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
  if (std::fclose(file_) != 0) fail();
  file_ = nullptr;
  if (!tempPath_.empty()) {
    ::unlink(tempPath_.c_str());
    tempPath_.clear();
  }
  return !failed_;
}

bool TextFile::commit() { return finishReplacement(true); }

bool TextFile::commitNew() { return finishReplacement(false); }

// Flushes and syncs the temporary file, moves it into place, and closes it: over the target with
// `replaceExisting`, else without replacing anything (an atomic rename that refuses an existing
// target, or where the file system lacks it, a hard link, which refuses one too). The file is
// closed only once it has its name, so that its lock keeps every clean-up away until then.
bool TextFile::finishReplacement(bool replaceExisting) {
  if (file_ == nullptr || tempPath_.empty()) return false;
  bool ok = !failed_;
  if (ok && (std::fflush(file_) != 0 || ::fsync(::fileno(file_)) != 0)) {
    fail();
    ok = false;
  }
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
    if (!failed_) fail();
    ::unlink(tempPath_.c_str());
    tempPath_.clear();
    close();
    return false;
  }
  tempPath_.clear();
  // Looked at after the rename, which sets the status-change time on some file systems.
  committed_ = identity();
  // The rename is done, and the bytes were synced before it: the close has nothing left to
  // report, and a failed directory sync only weakens durability across a power cut.
  std::fclose(file_);
  file_ = nullptr;
  syncDirectory(directoryOf(targetPath_));
  close();  // lets go of the lock
  return true;
}

void removeStaleReplacements(std::string_view gbkName) {
  if (auto path = fileSystemPath(gbkName)) removeStaleTemps(*path);
}

namespace {

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

// Writes all of `bytes` to `fd`; false on the first error.
bool writeAll(int fd, std::string_view bytes) {
  for (std::size_t done = 0; done < bytes.size();) {
    ssize_t wrote = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote <= 0) return false;
    done += static_cast<std::size_t>(wrote);
  }
  return true;
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

}  // namespace

bool replaceFileAtPath(const std::string& path, std::string_view bytes) {
  auto replacement = PathReplacement::open(path);
  return replacement != nullptr && replacement->write(bytes) && replacement->commit();
}

bool readRegularFile(const std::string& path, std::string& bytes, std::string& why) {
  struct stat info {};
  int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    why = std::strerror(errno);
    return false;
  }
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    why = "not a regular file";
    ::close(fd);
    return false;
  }
  bytes.clear();
  bytes.reserve(static_cast<std::size_t>(info.st_size));
  char buffer[1 << 16];
  for (;;) {
    ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      why = std::strerror(errno);
      ::close(fd);
      return false;
    }
    if (got == 0) break;
    bytes.append(buffer, static_cast<std::size_t>(got));
  }
  ::close(fd);
  return true;
}

}  // namespace platform

// --- PathReplacement ----------------------------------------------------------------------------

namespace platform {

namespace {

thread_local ReplaceFailure lastFailure = ReplaceFailure::kNone;

ReplaceFailure failed(ReplaceFailure why, ReplaceFailure* out) {
  lastFailure = why;
  if (out != nullptr) *out = why;
  return why;
}

// The folder where the temporary files of exports are noted (see removeAbandonedTemporaries);
// empty when neither XDG_CACHE_HOME nor HOME gives one.
std::string temporariesFolder() {
  const char* cache = std::getenv("XDG_CACHE_HOME");
  std::string base;
  if (cache != nullptr && cache[0] == '/') {
    base = cache;
  } else if (const char* home = std::getenv("HOME"); home != nullptr && home[0] != '\0') {
    base = std::string(home) + "/.cache";
  } else {
    return {};
  }
  return base + "/quillet/temporaries";
}

// Makes `folder` and its parents (owner-only where new); false when it cannot.
bool makeFolders(const std::string& folder) {
  for (std::size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
    const std::string part = folder.substr(0, slash);
    if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
    if (slash == std::string::npos) return true;
  }
}

// Notes the temporary file `temp` (an absolute path) in the temporaries folder; the note's path,
// or empty when it could not be made (the temporary file then goes unnoted, as before).
std::string noteTemporary(const std::string& temp) {
  const std::string folder = temporariesFolder();
  if (folder.empty() || !makeFolders(folder)) return {};
  std::string note = folder + "/export-XXXXXX";
  const int fd = ::mkostemp(note.data(), O_CLOEXEC);
  if (fd < 0) return {};
  const bool ok = writeAll(fd, temp);
  if (::close(fd) != 0 || !ok) {
    ::unlink(note.c_str());
    return {};
  }
  return note;
}

// The absolute path of `path`'s directory, and its base name; empty when it does not resolve.
std::string absoluteOf(const std::string& path) {
  char* directory = ::realpath(directoryOf(path).c_str(), nullptr);
  if (directory == nullptr) return {};
  std::string absolute = directory;
  std::free(directory);
  if (absolute != "/") absolute += '/';
  return absolute + baseNameOf(path);
}

}  // namespace

ReplaceFailure lastPathReplacementFailure() { return lastFailure; }

std::unique_ptr<PathReplacement> PathReplacement::open(const std::string& path,
                                                       ReplaceFailure* why) {
  lastFailure = ReplaceFailure::kNone;
  ignoreFileSizeSignal();
  if (path.empty() || path.back() == '/') {
    failed(ReplaceFailure::kNotRegularFile, why);
    return nullptr;
  }
  if (writesThrough(path)) {
    // Opened as a shell's redirection opens it; a FIFO waits here for its reader.
    int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
      failed(errno == EISDIR ? ReplaceFailure::kNotRegularFile : reasonOf(errno), why);
      return nullptr;
    }
    return std::unique_ptr<PathReplacement>(new PathReplacement(path, std::string(), fd));
  }
  // An existing regular file keeps its permissions (never a set-user-id or set-group-id bit);
  // anything else, a link included, is replaced by a new file with the usual ones. One with other
  // hard links, or append-only or immutable, is not replaced at all.
  struct stat old {};
  mode_t permissions = newFilePermissions();
  if (::lstat(path.c_str(), &old) == 0 && S_ISREG(old.st_mode)) {
    permissions = old.st_mode & 0777;
    const int oldFd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    const ReplaceFailure refusal =
        oldFd >= 0 ? whyNotReplaceable(oldFd, old) : ReplaceFailure::kNone;
    if (oldFd >= 0) ::close(oldFd);
    if (refusal != ReplaceFailure::kNone) {
      failed(refusal, why);
      return nullptr;
    }
  } else if (errno == ELOOP) {
    failed(ReplaceFailure::kSymbolicLinkLoop, why);
    return nullptr;
  }
  removeStaleTemps(path);
  std::string temp;
  int fd = makeTemp(path, temp);
  if (fd < 0) {
    failed(reasonOf(errno), why);
    return nullptr;
  }
  if (::fchmod(fd, permissions) != 0) {
    failed(ReplaceFailure::kAttributesNotKept, why);
    ::close(fd);
    ::unlink(temp.c_str());
    return nullptr;
  }
  auto replacement =
      std::unique_ptr<PathReplacement>(new PathReplacement(path, std::move(temp), fd));
  replacement->record_ = noteTemporary(absoluteOf(replacement->temp_));
  return replacement;
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
  if (::close(fd_) != 0 && !failed_) failWith(errno);
  fd_ = -1;
  if (!record_.empty()) ::unlink(record_.c_str());
  record_.clear();
}

void PathReplacement::failWith(int error) {
  if (!failed_) failure_ = failed(reasonOf(error), nullptr);
  failed_ = true;
}

bool PathReplacement::write(std::string_view bytes) {
  // Small writes gather in a buffer, so that a writer of many small pieces costs few calls.
  if (buffer_.size() + bytes.size() <= kBuffer) {
    buffer_.append(bytes);
    return !failed_ && fd_ >= 0;
  }
  return flush() && writeAll(bytes);
}

bool PathReplacement::flush() {
  const bool ok = writeAll(buffer_);
  buffer_.clear();
  return ok;
}

bool PathReplacement::writeAll(std::string_view bytes) {
  if (failed_ || fd_ < 0) return false;
  if (bytes.empty()) return true;
  if (!withoutPipeSignal([&] { return platform::writeAll(fd_, bytes); })) failWith(errno);
  return !failed_;
}

bool PathReplacement::commit() {
  if (fd_ < 0 || !flush()) {
    closeFile();
    return false;
  }
  if (temp_.empty()) {  // written through: nothing to rename
    closeFile();
    return !failed_;
  }
  // Renamed before it is closed: its lock keeps every clean-up away until it has its name.
  const bool ok = ::fsync(fd_) == 0 && ::rename(temp_.c_str(), path_.c_str()) == 0;
  if (ok) {
    temp_.clear();
  } else {
    failWith(errno);
  }
  closeFile();
  if (!ok) return false;
  syncDirectory(directoryOf(path_));
  return true;
}

void removeAbandonedTemporaries() {
  const std::string folder = temporariesFolder();
  DIR* dir = folder.empty() ? nullptr : ::opendir(folder.c_str());
  if (dir == nullptr) return;
  struct timespec now {};
  ::clock_gettime(CLOCK_REALTIME, &now);
  while (const struct dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (!name.starts_with("export-")) continue;
    const std::string note = folder + "/" + name;
    std::string temp, why;
    struct stat noted {};
    if (::lstat(note.c_str(), &noted) != 0 || !S_ISREG(noted.st_mode) ||
        noted.st_mtim.tv_sec + kFreshSeconds >= now.tv_sec || !readRegularFile(note, temp, why)) {
      continue;  // a note being written, or no note
    }
    const std::string base = baseNameOf(temp);
    const std::size_t mark = base.rfind(kTempMark);
    const bool temporaryName = !temp.empty() && temp[0] == '/' && base.starts_with('.') &&
                               mark != std::string::npos &&
                               isTempName(base, base.substr(0, mark + sizeof kTempMark - 1));
    if (temporaryName && ::access(temp.c_str(), F_OK) == 0) {
      // Removed as a replacement's stale temporaries are: only when no running export holds it.
      int fd = ::open(temp.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
      if (fd < 0) continue;
      struct stat info {};
      const bool held =
          ::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || ::flock(fd, LOCK_EX | LOCK_NB) != 0;
      if (!held) ::unlink(temp.c_str());
      ::close(fd);
      if (held) continue;
    }
    ::unlink(note.c_str());
  }
  ::closedir(dir);
}

std::string_view replaceFailureText(ReplaceFailure why) {
  switch (why) {
    case ReplaceFailure::kNone:
      return {};
    case ReplaceFailure::kCannotWrite:
      return "an input or output error";
    case ReplaceFailure::kChangedSinceRead:
      return "another program changed the file since it was read";
    case ReplaceFailure::kDiskFull:
      return "the disk is full";
    case ReplaceFailure::kFileTooLarge:
      return "the file would be too large (file size limit)";
    case ReplaceFailure::kFolderNotWritable:
      return "the folder is not writable";
    case ReplaceFailure::kReadOnlyFileSystem:
      return "the file system is read-only";
    case ReplaceFailure::kHeldByAnotherProgram:
      return "another program holds the file";
    case ReplaceFailure::kReadOnlyFile:
      return "the file is read-only";
    case ReplaceFailure::kAttributesNotKept:
      return "the new file cannot keep the old one's permissions or access control";
    case ReplaceFailure::kAppendOnlyOrImmutable:
      return "the file is append-only or immutable";
    case ReplaceFailure::kSeveralLinks:
      return "the file has other hard links, which would keep the old content";
    case ReplaceFailure::kNotFound:
      return "not found";
    case ReplaceFailure::kNotRegularFile:
      return "not a regular file";
    case ReplaceFailure::kSymbolicLinkLoop:
      return "a symbolic link loop";
  }
  return {};
}

std::string_view replaceFailureWords(ReplaceFailure why) {
  switch (why) {
    case ReplaceFailure::kNone:
      return {};
    case ReplaceFailure::kCannotWrite:
      return "读写出错";
    case ReplaceFailure::kChangedSinceRead:
      return "文件在读入后已被其他程序改动";
    case ReplaceFailure::kDiskFull:
      return "磁盘已满";
    case ReplaceFailure::kFileTooLarge:
      return "文件超过了系统允许的大小";
    case ReplaceFailure::kFolderNotWritable:
      return "文件夹不允许写入";
    case ReplaceFailure::kReadOnlyFileSystem:
      return "磁盘是只读的";
    case ReplaceFailure::kHeldByAnotherProgram:
      return "另一个程序正占用文件";
    case ReplaceFailure::kReadOnlyFile:
      return "文件是只读的";
    case ReplaceFailure::kAttributesNotKept:
      return "新文件无法保留原文件的权限或访问控制设置";
    case ReplaceFailure::kAppendOnlyOrImmutable:
      return "文件只允许追加或不允许改动";
    case ReplaceFailure::kSeveralLinks:
      return "文件有多个硬链接，替换后其他链接仍是旧内容";
    case ReplaceFailure::kNotFound:
      return "文件夹不存在";
    case ReplaceFailure::kNotRegularFile:
      return "不是普通文件";
    case ReplaceFailure::kSymbolicLinkLoop:
      return "符号链接循环";
  }
  return {};
}

}  // namespace platform
