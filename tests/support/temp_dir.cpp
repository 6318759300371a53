#include "tests/support/temp_dir.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace quillet::testing {

ScopedTempDir::ScopedTempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "quillet-test-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
  previous_ = std::filesystem::current_path().string();
  std::filesystem::current_path(path_);
}

ScopedTempDir::~ScopedTempDir() {
  std::error_code ignored;
  std::filesystem::current_path(previous_, ignored);
  // Give back write permission that a test took away, so that everything can be removed; never
  // through a symbolic link, whose target (/dev/null ...) is not the test's.
  for (auto& entry : std::filesystem::recursive_directory_iterator(path_, ignored)) {
    if (entry.is_symlink(ignored)) continue;
    std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
  }
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ignored);
  std::filesystem::remove_all(path_, ignored);
}

void writeFile(const std::string& name, std::string_view bytes) {
  std::ofstream out(name, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + name);
}

std::string readFile(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool fileExists(const std::string& name) { return std::filesystem::exists(name); }

std::string sourcePath(const std::string& relative) {
  const char* root = std::getenv("QUILLET_SOURCE_DIR");
  return std::string(root != nullptr ? root : QUILLET_SOURCE_DIR_DEFAULT) + "/" + relative;
}

::testing::AssertionResult sameBytes(std::string_view actual, std::string_view expected) {
  if (actual == expected) return ::testing::AssertionSuccess();
  std::size_t at = 0;
  while (at < actual.size() && at < expected.size() && actual[at] == expected[at]) ++at;
  const std::size_t start = at == 0 ? 0 : expected.rfind('\n', at - 1) + 1;  // npos + 1 is 0
  auto lineAt = [start](std::string_view text) {
    std::string_view line = text.substr(std::min(start, text.size()));
    return std::string(line.substr(0, std::min(line.find('\n'), std::size_t{120})));
  };
  return ::testing::AssertionFailure()
         << actual.size() << " bytes, expected " << expected.size() << "; first difference at byte "
         << at << ", in the line\n  actual:   [" << lineAt(actual) << "]\n  expected: ["
         << lineAt(expected) << "]";
}

}  // namespace quillet::testing
