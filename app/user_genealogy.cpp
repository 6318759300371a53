#include "app/user_genealogy.h"

#include <cstdlib>
#include <string_view>
#include <system_error>

namespace quillet {

namespace fs = std::filesystem;

namespace {

constexpr const char kHomeFile[] = "home.txt";

std::string_view environment(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? std::string_view() : std::string_view(value);
}

// Copies `from` to `to` unless `to` exists, and lets the owner write the copy (the shipped file
// may be read-only). False, with `why`, when it fails.
bool copyMissing(const fs::path& from, const fs::path& to, std::string& why) {
  std::error_code error;
  if (fs::exists(to, error)) return true;
  fs::copy_file(from, to, fs::copy_options::skip_existing, error);
  if (!error) fs::permissions(to, fs::perms::owner_write, fs::perm_options::add, error);
  if (!error) return true;
  why = "cannot copy " + from.string() + " to " + to.string() + ": " + error.message();
  return false;
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
  if (fs::exists(folder / kHomeFile, error)) return true;
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
  return copyMissing(shipped / kHomeFile, folder / kHomeFile, why);
}

}  // namespace quillet
