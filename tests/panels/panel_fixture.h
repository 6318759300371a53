// A main window over the headless backend, opened on a small clan written to home.txt in a
// fresh working directory, for the tests of the push-button handlers.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <string_view>

#include "app/resources.h"
#include "core/family_tree.h"
#include "core/person.h"
#include "platform/gbk.h"
#include "reports/person_report.h"
#include "tests/panels/clan_file.h"
#include "tests/support/temp_dir.h"
#include "tests/support/window_harness.h"

namespace quillet::testing {

// The panel tests' clan, with a birth date of its own for each person (smallClanFile, the
// window tests' clan, gives everyone the same one):
//   贾演 (root, wife 王氏)
//   ├─ 贾代善 (wives 史太君 and 李氏)
//   │   ├─ 贾政 (wife 王夫人) ── 贾宝玉
//   │   └─ 贾敏 (a daughter, unmarried)
//   └─ 贾代化 (dead)
inline std::string panelClanFile() {
  ClanFile clan;
  clan.member("贾演", '0', {}, "17000101", 'm', {}, '0', 'y')
      .wife("王氏", '0', "贾演", "17020101")
      .member("贾代善", '1', "贾演", "17200101", 'm', {}, '1', 'y')
      .wife("史太君", '1', "贾代善", "17220101")
      .wife("李氏", '1', "贾代善", "17230101")
      .member("贾代化", '1', "贾演", "17210101", 'm', "贾代善", '1', 'n', "17800101")
      .member("贾政", '2', "贾代善", "17400101", 'm', {}, '1', 'y')
      .wife("王夫人", '2', "贾政", "17420101")
      .member("贾敏", '2', "贾代善", "17450101", 'f', "贾政", '2')
      .member("贾宝玉", '3', "贾政", "17600101", 'm');
  return clan.bytes();
}

// A GBK file name (as the program names its files) turned into the UTF-8 path on disk.
inline std::string diskName(std::string_view gbk) { return platform::gbkToUtf8(gbk).value(); }

// A GBK text as UTF-8 for failure messages.
inline std::string shown(std::string_view gbk) {
  return platform::gbkToUtf8(gbk).value_or("<not GBK>");
}

class PanelTest : public ::testing::Test {
 protected:
  PanelTest() { writeFile("home.txt", panelClanFile()); }

  // The window, opened on home.txt as it is when first asked for.
  WindowHarness& window() {
    if (!window_) window_ = std::make_unique<WindowHarness>();
    return *window_;
  }
  // Closes the window and opens a fresh one, as a new start of the program would.
  WindowHarness& restart() {
    window_.reset();
    return window();
  }

  FamilyTree& tree() { return window().objects().tree; }
  Person* person(std::string_view typed) {
    NameKey key{};
    makeNameKey(typed, key);
    Person* found = nullptr;
    tree().findByName(found, key);
    return found;
  }
  // The detailed report of a person of the window's tree, as it stands now.
  std::string reportOf(std::string_view typed) {
    std::string report;
    Person* p = person(typed);
    EXPECT_NE(p, nullptr) << shown(typed);
    showPersonDetails(p, report);
    return report;
  }
  std::string pane() { return window().text(IDC_DISPLAY); }
  // Renames a person in memory without the window knowing, so that a rebuilt tree view shows.
  void renameBehindTheView(std::string_view from, std::string_view to) {
    NameKey key{};
    makeNameKey(to, key);
    ASSERT_TRUE(tree().modifyField(person(from), 1, std::string_view(key.data(), 6)));
  }

  ScopedTempDir dir_;
  std::unique_ptr<WindowHarness> window_;
};

}  // namespace quillet::testing
