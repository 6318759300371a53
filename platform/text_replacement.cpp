// TextFile's replacement of a file (TextFile::openReplacement, commit, commitNew; their contract
// is in text_file.h): the old file locked against other programs, its owner, ACLs and attributes
// carried over, and the new file renamed into place.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "platform/file_failure.h"
#include "platform/path.h"
#include "platform/posix_file.h"
#include "platform/temporaries.h"
#include "platform/text_file.h"
#include "platform/whole_file.h"

namespace platform {
namespace {

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
// freeze this one. Ok when locked, and when the file system has no locks at all.
Status lockExclusive(int fd) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0 || noLocksHere(errno)) {
      if (lockAgainstRecordLocks(fd)) return {};
      ::flock(fd, LOCK_UN);  // another program's record lock: this one waits without the flock
    } else if (errno != EWOULDBLOCK && errno != EINTR) {
      return fileFailure(Status::Code::kIoError);
    }
    struct timespec pause {
      0, 10'000'000
    };
    ::nanosleep(&pause, nullptr);
  }
  return fileFailure(Status::Code::kHeldByAnotherProgram);
}

// Whether this user may write `path` (a file, or a directory to make files in): ok, or why not
// (kReadOnlyFile when the permissions keep this user out). Bits without any write permission
// refuse every user, root included.
Status writability(const std::string& path) {
  using Code = Status::Code;
  if (posix::isReadOnly(path)) return fileFailure(Code::kReadOnlyFile);
  if (::access(path.c_str(), W_OK) == 0) return {};
  if (errno == ENOENT || errno == ENOTDIR) return fileFailure(Code::kNotFound);
  return fileFailure(errno == EROFS ? Code::kReadOnlyFileSystem : Code::kReadOnlyFile);
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
Status takeOverOwnership(int fd, int oldFd, const struct stat& old) {
  if (::fchown(fd, old.st_uid, old.st_gid) != 0) {
    [[maybe_unused]] int ignored = ::fchown(fd, static_cast<uid_t>(-1), old.st_gid);
  }
  // The permissions last: setting an ACL sets the group bits, and they must end as the old ones.
  const mode_t permissions = old.st_mode & 07777 & ~(S_ISUID | S_ISGID);
  return copyAttributes(oldFd, fd) && ::fchmod(fd, permissions) == 0
             ? Status()
             : fileFailure(Status::Code::kAttributesNotKept);
}

}  // namespace

namespace {

using Code = Status::Code;

// The file that a replacement of `path` replaces: `path` itself, or the file that a symbolic link
// there leads to (the link stays). Fails when the link does not resolve, or the target's folder
// does not let this user make files.
Status replacementTarget(const std::string& path, std::string& target) {
  target = path;
  struct stat linkInfo {};
  if (::lstat(path.c_str(), &linkInfo) == 0 && S_ISLNK(linkInfo.st_mode)) {
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (resolved == nullptr) return writeFailureOf(errno);
    target = resolved;
    std::free(resolved);
  }
  Status folder = writability(directoryOf(target));
  return folder.code() == Code::kReadOnlyFile ? fileFailure(Code::kFolderNotWritable) : folder;
}

// Locks the old file open at `fd` and checks it under the lock: the name `target` must still lead
// to the file held, that must be the file `expected` (when given), and this user must be allowed
// to replace it. `old` receives its status.
Status lockAndCheck(int fd, const std::string& target, const std::optional<FileIdentity>& expected,
                    struct stat& old) {
  if (Status locked = lockExclusive(fd); !locked.ok()) return locked;
  if (::fstat(fd, &old) != 0) return fileFailure(Code::kIoError);
  struct stat now {};
  const bool current =
      ::stat(target.c_str(), &now) == 0 && now.st_dev == old.st_dev && now.st_ino == old.st_ino;
  if (!current || (expected && posix::identityFrom(old) != *expected)) {
    return fileFailure(Code::kChangedSinceRead);
  }
  if (Status file = posix::replacementRefusal(fd, old); !file.ok()) return file;
  return writability(target);
}

// The old file at `target`, opened and locked for the whole replacement (lockAndCheck): `lockFd`
// receives it and `old` its status; -1 when there is no old file, which is simply made.
Status lockOldFile(const std::string& target, const std::optional<FileIdentity>& expected,
                   int& lockFd, struct stat& old) {
  lockFd = -1;
  if (::access(target.c_str(), F_OK) != 0) return {};
  const int fd = posix::openRegular(target, O_RDONLY, old);
  if (fd < 0) {
    return ::stat(target.c_str(), &old) == 0 && !S_ISREG(old.st_mode)
               ? fileFailure(Code::kNotRegularFile)
               : writeFailureOf(errno);
  }
  if (Status checked = lockAndCheck(fd, target, expected, old); !checked.ok()) {
    ::close(fd);
    return checked;
  }
  lockFd = fd;
  return {};
}

// Makes the temporary file that will replace `target` (its stale ones removed first), with the
// owner, attributes and permissions of the old file open at `lockFd` (whose status is `old`), or
// a new file's permissions when there is none (-1). `temp` receives its path, `file` its stream.
Status makeReplacementFile(const std::string& target, int lockFd, const struct stat& old,
                           std::string& temp, std::FILE*& file) {
  file = nullptr;
  temporaries::removeStale(target);
  const int fd = temporaries::make(target, temp);
  if (fd < 0) return writeFailureOf(errno);
  const Status kept = lockFd >= 0 ? takeOverOwnership(fd, lockFd, old)
                      : ::fchmod(fd, posix::newFilePermissions()) == 0
                          ? Status()
                          : fileFailure(Code::kAttributesNotKept);
  if (kept.ok()) file = ::fdopen(fd, "wb");
  if (file != nullptr) return {};
  ::close(fd);
  ::unlink(temp.c_str());
  return kept.ok() ? fileFailure(Code::kIoError) : kept;
}

}  // namespace

Status TextFile::openReplacement(std::string_view gbkName,
                                 const std::optional<FileIdentity>& expected,
                                 std::unique_ptr<TextFile>& replacement) {
  replacement.reset();
  auto path = posix::fileSystemPath(gbkName);
  if (!path) return fileFailure(Code::kIoError);
  posix::ignoreFileSizeSignal();
  std::string target;
  if (Status found = replacementTarget(*path, target); !found.ok()) return found;
  struct stat old {};
  int lockFd = -1;
  if (Status locked = lockOldFile(target, expected, lockFd, old); !locked.ok()) return locked;
  std::string temp;
  std::FILE* file = nullptr;
  if (Status made = makeReplacementFile(target, lockFd, old, temp, file); !made.ok()) {
    if (lockFd >= 0) ::close(lockFd);
    return made;
  }
  replacement.reset(new TextFile(file, true));
  replacement->tempPath_ = std::move(temp);
  replacement->targetPath_ = std::move(target);
  replacement->lockFd_ = lockFd;
  return {};
}

bool TextFile::commit() { return finishReplacement(true); }

bool TextFile::commitNew() { return finishReplacement(false); }

// Flushes and syncs the temporary file, moves it into place, and closes it: over the target with
// `replaceExisting`, else without replacing anything (an atomic rename that refuses an existing
// target, or where the file system lacks it, a hard link, which refuses one too). The file is
// closed only once it has its name, so that its lock keeps every clean-up away until then.
bool TextFile::finishReplacement(bool replaceExisting) {
  if (file_ == nullptr || tempPath_.empty()) return false;
  bool ok = status_.ok();
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
    if (status_.ok()) fail();
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

}  // namespace platform
