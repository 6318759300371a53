// The include direction of the folders: platform -> core -> kinship, reports -> app -> tools,
// each layer including only those below it and itself, with one stated exception (the panel
// handlers). Only the Qt backend and its tests may include Qt: the window logic, the store and
// every other layer build and run without a display. Tests and benchmarks may include anything
// but another test folder's files, so that any selection of test folders builds.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "tests/support/temp_dir.h"

namespace quillet {
namespace {

namespace fs = std::filesystem;

// Calls `visit` with the path (relative to the source tree, with '/') of every C++ source and
// header under the top folders.
int forEachSource(const std::function<void(const std::string& relative, std::ifstream& in)>& visit,
                  const std::function<bool(const std::string& relative)>& skip) {
  const fs::path root = testing::sourcePath("");
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
      if (skip(relative)) continue;
      ++scanned;
      std::ifstream in(entry.path());
      visit(relative, in);
    }
  }
  return scanned;
}

std::string folderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

TEST(Layering, NoFileOutsideTheQtBackendIncludesAQtHeader) {
  const std::regex qtInclude(R"(^\s*#\s*include\s*[<"](Q[A-Za-z]*|Qt[A-Za-z]*/[^>"]*)[>"])");
  // The Qt backend, its tests, and the benchmarks of the Qt window.
  const std::vector<std::string> allowed = {"platform/qt/", "tests/qt/", "bench/qt_"};
  std::vector<std::string> offenders;
  const int scanned = forEachSource(
      [&](const std::string& relative, std::ifstream& in) {
        std::string line;
        while (std::getline(in, line)) {
          if (std::regex_search(line, qtInclude)) offenders.push_back(relative + ": " + line);
        }
      },
      [&](const std::string& relative) {
        return std::any_of(allowed.begin(), allowed.end(),
                           [&](const std::string& prefix) { return relative.starts_with(prefix); });
      });
  EXPECT_GT(scanned, 20);
  EXPECT_TRUE(offenders.empty()) << ::testing::PrintToString(offenders);
}

// The folders of the product and what each may include besides its own files: a folder (its
// headers, not those of its sub-folders) or one header.
const std::map<std::string, std::vector<std::string>>& productLayers() {
  static const std::map<std::string, std::vector<std::string>> layers = {
      {"platform", {}},
      {"platform/dialog", {"platform"}},
      {"platform/headless", {"platform", "platform/dialog"}},
      {"platform/qt", {"platform", "platform/dialog"}},
      {"core", {"platform"}},
      {"kinship", {"platform", "core"}},
      {"reports", {"platform", "core"}},
      // The window program's entry point starts Qt through the one Qt backend header that
      // includes no Qt.
      {"app",
       {"platform", "platform/dialog", "platform/qt/qt_application.h", "core", "kinship",
        "reports"}},
  };
  return layers;
}

bool isProductFolder(const std::string& folder) {
  return productLayers().contains(folder) || folder.starts_with("tools/");
}

// Whether code in `file` may include `header` (both relative to the source tree).
bool mayInclude(const std::string& file, const std::string& header) {
  const std::string folder = folderOf(file);
  const std::string target = folderOf(header);
  if (target == folder) return true;
  // Tests and benchmarks: the whole product, the shared test support, their own folder; never
  // another test folder.
  if (folder.starts_with("tests/") || folder == "bench") {
    return isProductFolder(target) || target == "tests/support";
  }
  // Tools: the whole product and each other's libraries.
  if (folder.starts_with("tools/")) return isProductFolder(target);
  // The exception: the panel handlers of kinship/ and reports/ are members of the main window
  // (app/main_dialog.h) kept with their subsystem, so they include as app/ does.
  const bool panel = (folder == "kinship" || folder == "reports") && file.ends_with("_panel.cpp");
  const auto layer = productLayers().find(panel ? std::string("app") : folder);
  if (layer == productLayers().end()) return false;  // a folder without a rule: give it one
  if (panel && target == "app") return true;
  return std::any_of(layer->second.begin(), layer->second.end(), [&](const std::string& allowed) {
    return allowed == target || allowed == header;
  });
}

TEST(Layering, EveryFolderIncludesOnlyTheLayersBelowIt) {
  const std::regex projectInclude(R"re(^\s*#\s*include\s*"([^"]+)")re");
  std::vector<std::string> offenders;
  int includes = 0;
  const int scanned = forEachSource(
      [&](const std::string& relative, std::ifstream& in) {
        std::string line;
        std::smatch match;
        while (std::getline(in, line)) {
          if (!std::regex_search(line, match, projectInclude)) continue;
          ++includes;
          if (!mayInclude(relative, match[1])) offenders.push_back(relative + ": " + line);
        }
      },
      [](const std::string&) { return false; });
  EXPECT_GT(scanned, 100);
  EXPECT_GT(includes, 200);
  EXPECT_TRUE(offenders.empty()) << ::testing::PrintToString(offenders);
}

// The rules bite: a sample of includes against the direction is refused.
TEST(Layering, IncludesAgainstTheDirectionAreRefused) {
  for (const auto& [file, header] : std::vector<std::pair<std::string, std::string>>{
           {"core/family_tree.cpp", "kinship/kinship_terms.h"},
           {"core/person.cpp", "platform/dialog/dialog.h"},
           {"platform/text_file.cpp", "core/person.h"},
           {"reports/person_report.cpp", "app/main_dialog.h"},
           {"kinship/kinship.cpp", "reports/person_report.h"},
           {"app/main_dialog.cpp", "platform/qt/qt_backend.h"},
           {"app/main_dialog.cpp", "tools/batch/batch_text.h"},
           {"tools/batch/main.cpp", "tests/support/temp_dir.h"},
           {"tests/panels/modify_panel_test.cpp", "tests/app/window_harness.h"},
       }) {
    EXPECT_FALSE(mayInclude(file, header)) << file << " -> " << header;
  }
  EXPECT_TRUE(mayInclude("reports/roster_panel.cpp", "app/main_dialog.h"));
}

}  // namespace
}  // namespace quillet
