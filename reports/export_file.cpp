#include "reports/export_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <string_view>

#include "platform/gbk.h"
#include "platform/text_file.h"

namespace quillet {
namespace {

// The files the window reads from its working directory besides person text files.
constexpr std::array<std::string_view, 9> kProgramFiles = {"home.txt", "宁.txt",   "荣.txt",
                                                           "史.txt",   "王.txt",   "薛.txt",
                                                           "其它.txt", "most.txt", "number.txt"};
constexpr std::size_t kPersonFileBytes = 10;  // a 6-byte name key and ".txt"

// True when the program, in its working directory, opens a file of this (UTF-8) name.
bool isProgramFileName(const std::string& utf8Name) {
  const std::string gbk = platform::utf8ToGbk(utf8Name);
  if (platform::gbkToUtf8(gbk) != utf8Name) return false;  // no GBK name leads here
  for (std::string_view name : kProgramFiles) {
    if (gbk == name) return true;
  }
  return gbk.size() == kPersonFileBytes && gbk.ends_with(".txt");
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

// Whether the bytes after a record's '!' begin as a genealogy record does: a 6-byte name of GBK
// characters (spaces after them), a generation digit, then at their places a birth date of eight
// digits and the sex 'm' or 'f'. The other fields may hold anything the reader takes.
bool beginsAsRecord(std::string_view record) {
  constexpr std::size_t kName = 0, kGeneration = 6, kBirthDate = 13, kSex = 21, kSexEnd = 22;
  if (record.size() < kSexEnd) return false;
  auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
  std::size_t at = kName;
  while (at < kGeneration && platform::gbkCharLength(record.substr(at, kGeneration - at)) == 2) {
    at += 2;
  }
  if (at == kName) return false;
  for (; at < kGeneration; ++at) {
    if (record[at] != ' ') return false;
  }
  for (std::size_t i = kBirthDate; i < kSex; ++i) {
    if (!isDigit(record[i])) return false;
  }
  return isDigit(record[kGeneration]) && (record[kSex] == 'm' || record[kSex] == 'f');
}

}  // namespace

bool holdsGenealogy(const std::string& utf8Path) {
  if (baseNameOf(utf8Path) == "home.txt") return true;
  // Only a regular file is opened: opening a FIFO or a device may do something to it.
  struct stat info {};
  if (::stat(utf8Path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
  int fd = ::open(utf8Path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return false;
  std::string head;
  if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
    constexpr std::size_t kHeadBytes = 1 << 16;
    head.resize(kHeadBytes);
    const ssize_t got = ::read(fd, head.data(), head.size());
    head.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
  }
  ::close(fd);
  // As the reader goes: to the first '!', unless a 0xFF ends the file before it.
  const std::size_t marker = head.find_first_of("!\xff");
  return marker != std::string::npos && head[marker] == '!' &&
         beginsAsRecord(std::string_view(head).substr(marker + 1));
}

bool readByTheProgram(const std::string& utf8Path) {
  auto here = platform::identityOfPath(".");
  auto directory = platform::identityOfPath(directoryOf(utf8Path));
  if (here && directory && here->device == directory->device && here->inode == directory->inode &&
      isProgramFileName(baseNameOf(utf8Path))) {
    return true;
  }
  // Another way to one of them: a link, a hard link, a path through another directory.
  auto target = platform::identityOfPath(utf8Path);
  if (!target) return false;
  DIR* dir = ::opendir(".");
  if (dir == nullptr) return false;
  bool found = false;
  while (const struct dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (!isProgramFileName(name)) continue;
    auto file = platform::identityOfPath(name);
    if (file && file->device == target->device && file->inode == target->inode) {
      found = true;
      break;
    }
  }
  ::closedir(dir);
  return found;
}

ExportResult exportText(const std::string& utf8Path, bool force,
                        const std::function<bool(std::string& text)>& make) {
  if (readByTheProgram(utf8Path)) return ExportResult::kRefused;
  if (!force && holdsGenealogy(utf8Path)) return ExportResult::kGenealogy;
  std::string text;
  if (!make(text)) return ExportResult::kNoRoot;
  return platform::replaceFileAtPath(utf8Path, text) ? ExportResult::kWritten
                                                     : ExportResult::kWriteFailed;
}

}  // namespace quillet
