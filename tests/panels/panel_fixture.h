// The window of the push-button handler tests, opened on the panel clan.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "app/resources.h"
#include "core/family_tree.h"
#include "core/person.h"
#include "platform/gbk.h"
#include "reports/person_report.h"
#include "tests/support/genealogy_text.h"
#include "tests/support/window_harness.h"

namespace quillet::testing {

// The panel tests' clan, each person with a birth date of its own:
//   贾演 (root, wife 王氏)
//   ├─ 贾代善 (wives 史太君 and 李氏)
//   │   ├─ 贾政 (wife 王夫人) ── 贾宝玉
//   │   └─ 贾敏 (a daughter, unmarried)
//   └─ 贾代化 (dead)
inline std::string panelClanFile() {
  // clang-format off
  return records({
      {.name = "贾演", .generation = '0', .married = 'y'},
      {.name = "王氏", .generation = '0', .birthDate = "17020101", .sex = 'f', .married = 'y', .husband = "贾演"},
      {.name = "贾代善", .father = "贾演", .birthDate = "17200101", .motherIndex = '1', .married = 'y'},
      {.name = "史太君", .birthDate = "17220101", .sex = 'f', .married = 'y', .husband = "贾代善"},
      {.name = "李氏", .birthDate = "17230101", .sex = 'f', .married = 'y', .husband = "贾代善"},
      {.name = "贾代化", .father = "贾演", .birthDate = "17210101", .olderSibling = "贾代善", .motherIndex = '1', .alive = 'n', .deathDate = "17800101"},
      {.name = "贾政", .generation = '2', .father = "贾代善", .birthDate = "17400101", .motherIndex = '1', .married = 'y'},
      {.name = "王夫人", .generation = '2', .birthDate = "17420101", .sex = 'f', .married = 'y', .husband = "贾政"},
      {.name = "贾敏", .generation = '2', .father = "贾代善", .birthDate = "17450101", .sex = 'f', .olderSibling = "贾政", .motherIndex = '2'},
      {.name = "贾宝玉", .generation = '3', .father = "贾政", .birthDate = "17600101", .motherIndex = '1'},
  });
  // clang-format on
}

// A GBK file name (as the program names its files) turned into the UTF-8 path on disk.
inline std::string diskName(std::string_view gbk) { return platform::gbkToUtf8(gbk).value(); }

// A GBK text as UTF-8 for failure messages.
inline std::string shown(std::string_view gbk) { return readable(gbk); }

class PanelTest : public WindowTest {
 protected:
  PanelTest() : WindowTest(panelClanFile()) {}

  // The detailed report of a person of the window's tree, as it stands now.
  std::string reportOf(std::string_view typed) {
    std::string report;
    Person* p = person(typed);
    EXPECT_NE(p, nullptr) << shown(typed);
    showPersonDetails(p, report);
    return report;
  }
  std::string pane() { return window().text(IDC_DISPLAY); }
  // A birth, a marriage or a change typed into its panel; the pane afterwards.
  std::string birth(std::string_view name, std::string_view sex, std::string_view date,
                    std::string_view mother) {
    window().type(IDC_BIRTH_NAME, name);
    window().type(IDC_BIRTH_SEX, sex);
    window().type(IDC_BIRTH_DATE, date);
    window().type(IDC_MOTHER_NAME, mother);
    window().click(IDC_ADD_CHILD);
    return pane();
  }
  std::string marriage(std::string_view bride, std::string_view husband, std::string_view date) {
    window().type(IDC_BRIDE_NAME, bride);
    window().type(IDC_HUSBAND_NAME, husband);
    window().type(IDC_BRIDE_BIRTH_DATE, date);
    window().click(IDC_ADD_WIFE);
    return pane();
  }
  std::string modify(std::string_view name, int radioId, std::string_view param) {
    window().type(IDC_MODIFY_NAME, name);
    window().check(radioId);
    window().type(IDC_MODIFY_PARAM, param);
    window().click(IDC_MODIFY);
    return pane();
  }
  // Renames a person in memory without the window knowing, so that a rebuilt tree view shows.
  void renameBehindTheView(std::string_view from, std::string_view to) {
    NameKey key{};
    makeNameKey(to, key);
    ASSERT_TRUE(tree().modifyField(person(from), 1, std::string_view(key.data(), 6)));
  }
};

}  // namespace quillet::testing
