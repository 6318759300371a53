#include "platform/text_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <optional>

#include "platform/file_failure.h"
#include "platform/gbk.h"
#include "platform/path.h"
#include "platform/posix_file.h"

namespace platform {

using posix::fileSystemPath;
using posix::identityFrom;
using posix::ignoreFileSizeSignal;
using posix::isReadOnly;
using posix::kAnyWriteBit;
using posix::openRegular;

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
  if (status_.ok()) status_ = writeFailureOf(errno);
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
  if (!status_.ok() || file_ == nullptr) return false;
  if (!textMode_) {
    if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) fail();
    return status_.ok();
  }
  // Translated into a block, each line feed as CR LF, and written a block at a time.
  char block[1 << 16];
  std::size_t used = 0;
  auto flush = [&] {
    if (used != 0 && std::fwrite(block, 1, used, file_) != used) fail();
    used = 0;
    return status_.ok();
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
  if (!status_.ok() || file_ == nullptr) return false;
  if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) fail();
  if (status_.ok() && bytes.size() >= kEarlyWriteback) {
    // A large block starts on its way to the disk now, so that the sync at commit has less left
    // to wait for. (Only a hint: errors show at the sync.)
    const off_t end = ::ftello(file_);
    if (std::fflush(file_) == 0 && end >= 0) {
      ::sync_file_range(::fileno(file_), end - static_cast<off_t>(bytes.size()),
                        static_cast<off_t>(bytes.size()), SYNC_FILE_RANGE_WRITE);
    }
  }
  return status_.ok();
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
  if (file_ == nullptr) return status_.ok();
  if (std::fclose(file_) != 0) fail();
  file_ = nullptr;
  if (!tempPath_.empty()) {
    ::unlink(tempPath_.c_str());
    tempPath_.clear();
  }
  return status_.ok();
}

}  // namespace platform
