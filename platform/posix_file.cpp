#include "platform/posix_file.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

#include "platform/file_failure.h"
#include "platform/gbk.h"

namespace platform::posix {

std::optional<std::string> fileSystemPath(std::string_view gbkName) {
  if (!isSafeFileName(gbkName)) return std::nullopt;
  return gbkToUtf8(gbkName);
}

bool isReadOnly(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return false;
  return (info.st_mode & kAnyWriteBit) == 0;
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

void ignoreFileSizeSignal() {
  struct sigaction current {};
  if (::sigaction(SIGXFSZ, nullptr, &current) == 0 && current.sa_handler == SIG_DFL) {
    std::signal(SIGXFSZ, SIG_IGN);
  }
}

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

bool writeAll(int fd, std::string_view bytes) {
  for (std::size_t done = 0; done < bytes.size();) {
    ssize_t wrote = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote <= 0) return false;
    done += static_cast<std::size_t>(wrote);
  }
  return true;
}

mode_t newFilePermissions() {
  mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

Status replacementRefusal(int fd, const struct stat& info) {
  int flags = 0;
  if (::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0 && (flags & (FS_APPEND_FL | FS_IMMUTABLE_FL))) {
    return fileFailure(Status::Code::kAppendOnlyOrImmutable);
  }
  return info.st_nlink > 1 ? fileFailure(Status::Code::kSeveralLinks) : Status();
}

}  // namespace platform::posix
