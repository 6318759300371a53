#include "app/user_genealogy.h"

#include <cstdlib>
#include <string_view>
#include <system_error>

#include "platform/whole_file.h"

namespace quillet {

namespace fs = std::filesystem;
using platform::Status;

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
Status writeWhole(const fs::path& to, std::string_view bytes) {
  const Status written = platform::replaceFileAtPath(to.string(), bytes);
  if (written.ok()) return written;
  return Status::error(written.code(), "cannot write " + to.string() + ": " + written.message());
}

// A failure of the seeding that the file system's `error` explains.
Status failure(const std::string& what, const std::error_code& error) {
  return Status::error(Status::Code::kIoError, what + ": " + error.message());
}

// Copies `from` to `to` when `to` is missing, or is empty while `from` is not (a copy that an
// earlier version cut short on a full disk); the copy is whole or absent, and owner-writable
// (the shipped file may be read-only).
Status copyMissing(const fs::path& from, const fs::path& to) {
  std::error_code error;
  const auto status = fs::symlink_status(to, error);
  if (fs::exists(status) && !(fs::is_regular_file(status) && fs::file_size(to, error) == 0 &&
                              !error && fs::file_size(from, error) != 0 && !error)) {
    return {};
  }
  std::string bytes;
  if (Status read = platform::readRegularFile(from.string(), bytes); !read.ok()) {
    return Status::error(read.code(), "cannot copy " + from.string() + ": " + read.message());
  }
  return writeWhole(to, bytes);
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

Status seedGenealogy(const fs::path& folder, const fs::path& shipped) {
  std::error_code error;
  const fs::path mark = folder / kSeedingMark;
  const bool interrupted = fs::exists(fs::symlink_status(mark, error));
  if (!interrupted && fs::exists(folder / kHomeFile, error)) return {};
  if (shipped.empty() || !fs::is_directory(shipped, error)) {
    return Status::error(Status::Code::kNotFound,
                         "the shipped genealogy is not installed (no folder " +
                             (shipped.empty() ? std::string("share/quillet") : shipped.string()) +
                             ")");
  }
  fs::create_directories(folder, error);
  if (error) return failure("cannot make " + folder.string(), error);
  if (!interrupted) {
    if (Status marked = writeWhole(mark, ""); !marked.ok()) return marked;
  }
  for (fs::directory_iterator entry(shipped, error), end; !error && entry != end;
       entry.increment(error)) {
    const fs::path name = entry->path().filename();
    if (name == kHomeFile || !entry->is_regular_file(error)) continue;
    if (Status copied = copyMissing(entry->path(), folder / name); !copied.ok()) return copied;
  }
  if (error) return failure("cannot read " + shipped.string(), error);
  if (Status copied = copyMissing(shipped / kHomeFile, folder / kHomeFile); !copied.ok()) {
    return copied;
  }
  // Complete: the mark goes, and its going is made durable.
  if (!fs::remove(mark, error) || error) return failure("cannot remove " + mark.string(), error);
  platform::syncDirectory(folder.string());
  return {};
}

}  // namespace quillet
