#include "platform/temporaries.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <ctime>

#include "platform/path.h"
#include "platform/posix_file.h"
#include "platform/whole_file.h"

namespace platform {
namespace {

// A temporary file is ".NAME" and this mark: the mark tells it from every file a person or another
// program keeps beside the target.
constexpr char kTempMark[] = ".quillet-";
constexpr char kTempRandom[] = "XXXXXX";
constexpr std::size_t kTempRandomBytes = 6;
constexpr std::int64_t kFreshSeconds = 2;  // a temporary file this young may be one just made

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

// The absolute path of `path`'s directory, and its base name; empty when it does not resolve.
std::string absoluteOf(const std::string& path) {
  char* directory = ::realpath(directoryOf(path).c_str(), nullptr);
  if (directory == nullptr) return {};
  std::string absolute = directory;
  std::free(directory);
  if (absolute != "/") absolute += '/';
  return absolute + baseNameOf(path);
}

// Whether the note's text `temp` names a temporary file of an export: an absolute path whose
// base name is ".NAME.quillet-XXXXXX".
bool namesTemporary(const std::string& temp) {
  const std::string base = baseNameOf(temp);
  const std::size_t mark = base.rfind(kTempMark);
  return !temp.empty() && temp[0] == '/' && base.starts_with('.') && mark != std::string::npos &&
         isTempName(base, base.substr(0, mark + sizeof kTempMark - 1));
}

// Removes the temporary file `temp` unless a running export holds it (it keeps its file locked);
// false when it is held.
bool removeUnlessHeld(const std::string& temp) {
  if (::access(temp.c_str(), F_OK) != 0) return true;
  int fd = ::open(temp.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat info {};
  const bool held =
      ::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || ::flock(fd, LOCK_EX | LOCK_NB) != 0;
  if (!held) ::unlink(temp.c_str());
  ::close(fd);
  return !held;
}

}  // namespace

namespace temporaries {

int make(const std::string& target, std::string& tempPath) {
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

// A replacement locks its temporary file for as long as it lives. One made in the last moments
// is left too: it may be one whose maker has not locked it yet.
void removeStale(const std::string& target) {
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

std::string note(const std::string& temp) {
  const std::string absolute = absoluteOf(temp);
  const std::string folder = temporariesFolder();
  if (folder.empty() || !makeFolders(folder)) return {};
  std::string note = folder + "/export-XXXXXX";
  const int fd = ::mkostemp(note.data(), O_CLOEXEC);
  if (fd < 0) return {};
  const bool ok = posix::writeAll(fd, absolute);
  if (::close(fd) != 0 || !ok) {
    ::unlink(note.c_str());
    return {};
  }
  return note;
}

}  // namespace temporaries

void removeStaleReplacements(std::string_view gbkName) {
  if (auto path = posix::fileSystemPath(gbkName)) temporaries::removeStale(*path);
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
    std::string temp;
    struct stat noted {};
    if (::lstat(note.c_str(), &noted) != 0 || !S_ISREG(noted.st_mode) ||
        noted.st_mtim.tv_sec + kFreshSeconds >= now.tv_sec || !readRegularFile(note, temp).ok()) {
      continue;  // a note being written, or no note
    }
    // Removed as a replacement's stale temporaries are: only when no running export holds it.
    if (namesTemporary(temp) && !removeUnlessHeld(temp)) continue;
    ::unlink(note.c_str());
  }
  ::closedir(dir);
}

}  // namespace platform
