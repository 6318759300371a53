// The include direction of the folders: platform -> core -> kinship, reports -> gedcom -> app ->
// tools, each layer including only those below it and itself, with two stated exceptions (the
// panel handlers, the book's export). Only the Qt backend and its tests may include Qt: the window
// logic, the store and every other layer build and run without a display; so may X's own client
// library (xcb, which opens the display before Qt would abort on one it cannot). Only the PDF
// painter includes cairo and pango, and only the door to ICU (platform/icu/) includes ICU. Tests
// and benchmarks may include anything but another test folder's files, so that any selection of
// test folders builds.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/temp_dir.h"

namespace quillet {
namespace {

namespace fs = std::filesystem;

std::string folderOf(const std::string& path) { return path.substr(0, path.rfind('/') + 1); }

// Each folder of the product and what it may include besides its own files: folders (their
// headers, not their sub-folders') or single headers.
const std::map<std::string, std::vector<std::string>> kLayers = {
    {"platform/", {}},
    // The tree's find field matches names by their readings (platform/icu/name_match.h).
    {"platform/dialog/", {"platform/", "platform/icu/"}},
    {"platform/headless/", {"platform/", "platform/dialog/"}},
    {"platform/qt/", {"platform/", "platform/dialog/"}},
    {"platform/pdf/", {"platform/"}},
    {"platform/icu/", {"platform/"}},
    {"core/", {"platform/"}},
    {"kinship/", {"platform/", "core/"}},
    {"reports/", {"platform/", "platform/icu/", "core/"}},
    {"gedcom/", {"platform/", "core/", "reports/"}},
    // The window program's entry point starts Qt through the Qt backend's one header that
    // includes no Qt.
    {"app/",
     {"platform/", "platform/dialog/", "platform/qt/qt_application.h", "platform/pdf/",
      "platform/icu/", "core/", "kinship/", "reports/", "gedcom/"}},
};

bool isProduct(const std::string& folder) {
  return kLayers.contains(folder) || folder.starts_with("tools/");
}

// Whether code in `file` may include `header` (both relative to the source tree).
bool mayInclude(const std::string& file, const std::string& header) {
  const std::string folder = folderOf(file);
  const std::string target = folderOf(header);
  if (target == folder) return true;
  if (folder.starts_with("tests/") || folder == "bench/") {
    return isProduct(target) || target == "tests/support/";
  }
  if (folder.starts_with("tools/")) return isProduct(target);
  // The exception: the panel handlers of kinship/ and reports/ are members of the main window
  // kept with their subsystem, so they include as app/ does.
  const bool panel = (folder == "kinship/" || folder == "reports/") && file.ends_with("_panel.cpp");
  if (panel && target == "app/") return true;
  // The other: the book's export joins the book's layout to the PDF painter.
  if (file == "reports/book_export.cpp" && target == "platform/pdf/") return true;
  const auto layer = kLayers.find(panel ? "app/" : folder);
  return layer != kLayers.end() &&  // a folder without a rule gets one
         std::any_of(layer->second.begin(), layer->second.end(),
                     [&](const std::string& below) { return below == target || below == header; });
}

TEST(Layering, EveryFolderIncludesOnlyTheLayersBelowItAndOnlyTheQtBackendIncludesQt) {
  const std::regex projectInclude(R"re(^\s*#\s*include\s*"([^"]+)")re");
  const std::regex qtInclude(R"(^\s*#\s*include\s*[<"](Q[A-Za-z]*|Qt[A-Za-z]*/[^>"]*)[>"])");
  const std::regex cairoInclude(R"(^\s*#\s*include\s*[<"](cairo|pango/))");
  const std::regex icuInclude(R"(^\s*#\s*include\s*[<"]unicode/)");
  const std::regex xInclude(R"(^\s*#\s*include\s*[<"](xcb|X11)/)");
  const fs::path root = testing::sourcePath("");
  std::vector<std::string> offenders;
  int files = 0, checked = 0;
  for (const char* top :
       {"app", "core", "kinship", "reports", "gedcom", "platform", "tools", "tests", "bench"}) {
    if (!fs::exists(root / top)) continue;
    for (const auto& entry : fs::recursive_directory_iterator(
             root / top, fs::directory_options::follow_directory_symlink)) {
      const std::string ext = entry.path().extension().string();
      if (!entry.is_regular_file() || (ext != ".h" && ext != ".cpp")) continue;
      ++files;
      const std::string file = fs::relative(entry.path(), root).generic_string();
      // The Qt backend, its tests, and the benchmarks of the Qt window include Qt.
      const bool qtAllowed = file.starts_with("platform/qt/") || file.starts_with("tests/qt/") ||
                             file.starts_with("bench/qt_");
      std::ifstream in(entry.path());
      for (std::string line; std::getline(in, line);) {
        std::smatch match;
        if (line.find('#') == std::string::npos) continue;
        if (!qtAllowed && std::regex_search(line, qtInclude))
          offenders.push_back(file + ": " + line);
        if (!file.starts_with("platform/qt/") && std::regex_search(line, xInclude))
          offenders.push_back(file + ": " + line);
        if (!file.starts_with("platform/pdf/") && std::regex_search(line, cairoInclude))
          offenders.push_back(file + ": " + line);
        if (!file.starts_with("platform/icu/") && std::regex_search(line, icuInclude))
          offenders.push_back(file + ": " + line);
        if (!std::regex_search(line, match, projectInclude)) continue;
        ++checked;
        if (!mayInclude(file, match[1])) offenders.push_back(file + ": " + line);
      }
    }
  }
  EXPECT_GT(files, 20);
  EXPECT_GT(checked, 200);
  EXPECT_TRUE(offenders.empty()) << ::testing::PrintToString(offenders);
  // The rules bite.
  for (const auto& [file, header] : std::vector<std::pair<std::string, std::string>>{
           {"core/person.cpp", "platform/dialog/dialog.h"},
           {"kinship/kinship.cpp", "reports/person_report.h"},
           {"reports/person_report.cpp", "app/main_dialog.h"},
           {"app/main_dialog.cpp", "platform/qt/qt_backend.h"},
           {"reports/book_layout.cpp", "platform/pdf/pdf_document.h"},
           {"tools/batch/main.cpp", "tests/support/temp_dir.h"},
           {"tests/panels/modify_panel_test.cpp", "tests/app/main_window_test.h"}}) {
    EXPECT_FALSE(mayInclude(file, header)) << file << " -> " << header;
  }
}

}  // namespace
}  // namespace quillet
