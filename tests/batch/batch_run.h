// Runs quillet-batch on a script in a fresh working directory holding the small clan's home.txt,
// for the tests of whole runs.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include "tests/support/temp_dir.h"
#include "tests/support/test_genealogy.h"

namespace quillet::testing {

struct BatchRun {
  std::string out;  // UTF-8
  std::string err;
  int status;
};

// Scripts and outputs are UTF-8; they are written here as u8 literals.
inline std::string utf8(std::u8string_view text) { return std::string(text.begin(), text.end()); }

// Runs in `directory` (the working directory by default); the script and outputs stay here.
inline BatchRun runBatch(std::string_view script, const std::string& directory = ".") {
  writeFile("script.txt", script);
  const std::string here = std::filesystem::current_path().string();
  const std::string command = "cd '" + directory + "' && '" + QUILLET_BATCH_PATH + "' < '" + here +
                              "/script.txt' > '" + here + "/out.txt' 2> '" + here + "/err.txt'";
  const int raw = std::system(command.c_str());
  return {readFile("out.txt"), readFile("err.txt"), WIFEXITED(raw) ? WEXITSTATUS(raw) : -1};
}

inline BatchRun runBatch(std::u8string_view script) { return runBatch(utf8(script)); }

class BatchRunTest : public ::testing::Test {
 protected:
  BatchRunTest() { writeFile("home.txt", smallClan()); }
  ScopedTempDir dir_;
};

}  // namespace quillet::testing
