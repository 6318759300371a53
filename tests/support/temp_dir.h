// A fresh temporary directory that a test works in: the working directory moves there for the
// test's life (the program finds every file in its working directory) and back at the end,
// and the directory is removed with everything in it.
#pragma once

#include <string>
#include <string_view>

namespace quillet::testing {

class ScopedTempDir {
 public:
  ScopedTempDir();
  ~ScopedTempDir();
  ScopedTempDir(const ScopedTempDir&) = delete;
  ScopedTempDir& operator=(const ScopedTempDir&) = delete;

  const std::string& path() const { return path_; }

 private:
  std::string path_;
  std::string previous_;
};

// Whole-file helpers; names are UTF-8 paths relative to the working directory.
void writeFile(const std::string& name, std::string_view bytes);
std::string readFile(const std::string& name);
bool fileExists(const std::string& name);

// The UTF-8 path of a file of the source tree (such as data/home.txt).
std::string sourcePath(const std::string& relative);

}  // namespace quillet::testing
