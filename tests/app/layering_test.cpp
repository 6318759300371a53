// Only the Qt backend and its tests may include Qt: the window logic, the store and every other
// layer build and run without a display.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "tests/support/temp_dir.h"

namespace quillet {
namespace {

namespace fs = std::filesystem;

TEST(Layering, NoFileOutsideTheQtBackendIncludesAQtHeader) {
  const fs::path root = testing::sourcePath("");
  const std::regex qtInclude(R"(^\s*#\s*include\s*[<"](Q[A-Za-z]*|Qt[A-Za-z]*/[^>"]*)[>"])");
  // The Qt backend, its tests, and the benchmarks of the Qt window.
  const std::vector<std::string> allowed = {"platform/qt/", "tests/qt/", "bench/qt_"};
  std::vector<std::string> offenders;
  int scanned = 0;
  for (const char* top :
       {"app", "core", "kinship", "reports", "platform", "tools", "tests", "bench"}) {
    const fs::path folder = root / top;
    if (!fs::exists(folder)) continue;
    for (const auto& entry : fs::recursive_directory_iterator(
             folder, fs::directory_options::follow_directory_symlink)) {
      const std::string ext = entry.path().extension().string();
      if (!entry.is_regular_file() || (ext != ".h" && ext != ".cpp")) continue;
      const std::string relative = fs::relative(entry.path(), root).generic_string();
      bool isAllowed = false;
      for (const std::string& prefix : allowed) isAllowed |= relative.starts_with(prefix);
      if (isAllowed) continue;
      ++scanned;
      std::ifstream in(entry.path());
      std::string line;
      while (std::getline(in, line)) {
        if (std::regex_search(line, qtInclude)) offenders.push_back(relative + ": " + line);
      }
    }
  }
  EXPECT_GT(scanned, 20);
  EXPECT_TRUE(offenders.empty()) << ::testing::PrintToString(offenders);
}

}  // namespace
}  // namespace quillet
