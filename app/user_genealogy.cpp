#include "app/user_genealogy.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <string_view>
#include <system_error>

#include "platform/text_file.h"

namespace quillet {

namespace fs = std::filesystem;

namespace {

constexpr const char kHomeFile[] = "home.txt";
// Lies in the folder while a first start fills it: a folder that holds it is not complete, and
// the next start completes it whatever home.txt it holds.
constexpr const char kSeedingMark[] = ".quillet-seeding";

std::string_view environment(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? std::string_view() : std::string_view(value);
}

// Writes `bytes` to `to` whole or not at all (a temporary file renamed over it once synced).
// False, with `why`, when it fails.
bool writeWhole(const fs::path& to, std::string_view bytes, std::string& why) {
  platform::ReplaceFailure failure = platform::ReplaceFailure::kNone;
  auto file = platform::PathReplacement::open(to.string(), &failure);
  if (file != nullptr && file->write(bytes) && file->commit()) return true;
  if (file != nullptr) failure = file->failure();
  why = "cannot write " + to.string() + ": " + std::string(platform::replaceFailureText(failure));
  return false;
}

// Copies `from` to `to` when `to` is missing, or is empty while `from` is not (a copy that an
// earlier version cut short on a full disk); the copy is whole or absent, and owner-writable
// (the shipped file may be read-only). False, with `why`, when it fails.
bool copyMissing(const fs::path& from, const fs::path& to, std::string& why) {
  std::error_code error;
  const auto status = fs::symlink_status(to, error);
  if (fs::exists(status) && !(fs::is_regular_file(status) && fs::file_size(to, error) == 0 &&
                              !error && fs::file_size(from, error) != 0 && !error)) {
    return true;
  }
  std::string bytes;
  std::string reason;
  if (!platform::readRegularFile(from.string(), bytes, reason)) {
    why = "cannot copy " + from.string() + ": " + reason;
    return false;
  }
  return writeWhole(to, bytes, why);
}

}  // namespace

fs::path userGenealogyFolder() {
  const fs::path dataHome(environment("XDG_DATA_HOME"));
  if (dataHome.is_absolute()) return dataHome / "quillet";
  const std::string_view home = environment("HOME");
  if (home.empty()) return {};
  return fs::path(home) / ".local" / "share" / "quillet";
}

fs::path shippedGenealogyFolder() {
  std::error_code error;
  const fs::path program = fs::read_symlink("/proc/self/exe", error);
  if (error || !program.has_parent_path()) return {};
  return program.parent_path().parent_path() / "share" / "quillet";
}

bool seedGenealogy(const fs::path& folder, const fs::path& shipped, std::string& why) {
  std::error_code error;
  const fs::path mark = folder / kSeedingMark;
  const bool interrupted = fs::exists(fs::symlink_status(mark, error));
  if (!interrupted && fs::exists(folder / kHomeFile, error)) return true;
  if (shipped.empty() || !fs::is_directory(shipped, error)) {
    why = "the shipped genealogy is not installed (no folder " +
          (shipped.empty() ? std::string("share/quillet") : shipped.string()) + ")";
    return false;
  }
  fs::create_directories(folder, error);
  if (error) {
    why = "cannot make " + folder.string() + ": " + error.message();
    return false;
  }
  if (!interrupted && !writeWhole(mark, "", why)) return false;
  for (fs::directory_iterator entry(shipped, error), end; !error && entry != end;
       entry.increment(error)) {
    const fs::path name = entry->path().filename();
    if (name == kHomeFile || !entry->is_regular_file(error)) continue;
    if (!copyMissing(entry->path(), folder / name, why)) return false;
  }
  if (error) {
    why = "cannot read " + shipped.string() + ": " + error.message();
    return false;
  }
  if (!copyMissing(shipped / kHomeFile, folder / kHomeFile, why)) return false;
  // Complete: the mark goes, and its going is made durable.
  if (!fs::remove(mark, error) || error) {
    why = "cannot remove " + mark.string() + ": " + error.message();
    return false;
  }
  if (const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); fd >= 0) {
    ::fsync(fd);
    ::close(fd);
  }
  return true;
}

}  // namespace quillet
