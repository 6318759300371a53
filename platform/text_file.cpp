#include "platform/text_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <optional>

#include "platform/gbk.h"

namespace platform {
namespace {

constexpr mode_t kAnyWriteBit = S_IWUSR | S_IWGRP | S_IWOTH;

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
  return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

bool syncDirectory(const std::string& directory) {
  int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  bool ok = ::fsync(fd) == 0;
  return ::close(fd) == 0 && ok;
}

}  // namespace

bool isSafeFileName(std::string_view gbkName) {
  if (gbkName.empty()) return false;
  for (char c : gbkName) {
    if (c == '/' || c == '\\' || c == '\0') return false;
  }
  return gbkName != "." && gbkName != "..";
}

std::unique_ptr<TextFile> TextFile::open(std::string_view gbkName, std::string_view mode) {
  auto path = fileSystemPath(gbkName);
  if (!path || mode.empty()) return nullptr;
  bool binary = mode.find('b') != std::string_view::npos;
  bool update = mode.find('+') != std::string_view::npos;
  char kind = mode[0];
  if (kind != 'r' && kind != 'w' && kind != 'a') return nullptr;
  if ((update || kind != 'r') && isReadOnly(*path)) return nullptr;
  if (kind != 'r' && ::access(path->c_str(), F_OK) != 0 && isReadOnly(directoryOf(*path))) {
    return nullptr;
  }
  std::string cMode(1, kind);
  if (update) cMode += '+';
  cMode += "be";  // binary at the C level: the translation is ours; close on exec
  std::FILE* file = std::fopen(path->c_str(), cMode.c_str());
  if (file == nullptr) return nullptr;
  return std::unique_ptr<TextFile>(new TextFile(file, !binary));
}

std::unique_ptr<TextFile> TextFile::openReplacement(std::string_view gbkName) {
  auto path = fileSystemPath(gbkName);
  if (!path) return nullptr;
  std::string directory = directoryOf(*path);
  if (isReadOnly(*path) || isReadOnly(directory)) return nullptr;
  std::string temp = "." + *path + ".XXXXXX";
  int fd = ::mkstemp(temp.data());
  if (fd < 0) return nullptr;
  // A new file gets the usual rw-r--r-- (less the umask) rather than mkstemp's rw-------,
  // and keeps the permissions of the file it replaces when there is one.
  struct stat old {};
  mode_t permissions;
  if (::stat(path->c_str(), &old) == 0) {
    permissions = old.st_mode & 07777;
  } else {
    mode_t mask = ::umask(0);
    ::umask(mask);
    permissions = 0666 & ~mask;
  }
  ::fchmod(fd, permissions);
  std::FILE* file = ::fdopen(fd, "wb");
  if (file == nullptr) {
    ::close(fd);
    ::unlink(temp.c_str());
    return nullptr;
  }
  auto stream = std::unique_ptr<TextFile>(new TextFile(file, true));
  stream->tempPath_ = temp;
  stream->targetPath_ = *path;
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
  for (char c : bytes) {
    if (!putc(c)) return false;
  }
  return true;
}

bool TextFile::close() {
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

// Moves the temporary file into place without replacing anything: an atomic rename that refuses
// an existing target, or where the file system lacks it, a hard link, which refuses one too.
bool TextFile::finishReplacement(bool replaceExisting) {
  if (file_ == nullptr || tempPath_.empty()) return false;
  bool ok = !failed_ && std::fflush(file_) == 0 && ::fsync(::fileno(file_)) == 0;
  ok = std::fclose(file_) == 0 && ok;
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
    return false;
  }
  tempPath_.clear();
  // The rename is done; a failed directory sync only weakens durability across a power cut.
  syncDirectory(directoryOf(targetPath_));
  return true;
}

}  // namespace platform
