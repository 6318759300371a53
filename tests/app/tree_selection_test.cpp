// The tree answers a click with the person's report, and shows whom a lookup or an edit found.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <string_view>

#include "app/resources.h"
#include "core/person.h"
#include "reports/help_texts.h"
#include "reports/person_report.h"
#include "tests/app/test_genealogy.h"
#include "tests/app/window_harness.h"
#include "tests/support/temp_dir.h"

namespace quillet {
namespace {

using testing::WindowHarness;

// The small clan's tree lines: 0 贾演, 1 贾代善, 2 贾政 王夫人, 3 贾宝玉, 4 贾敏, 5 贾代化.
class TreeSelectionTest : public ::testing::Test {
 protected:
  std::string reportOf(std::string_view name) {
    NameKey key{};
    makeNameKey(name, key);
    Person* person = nullptr;
    window_.objects().tree.findByName(person, key);
    std::string report;
    showPersonDetails(person, report);
    EXPECT_FALSE(report.empty()) << name;
    return report;
  }

  testing::ScopedTempDir dir_;
  const bool written_ = (testing::writeFile("home.txt", testing::smallClan()), true);
  WindowHarness window_;  // opened on the clan just written
};

TEST_F(TreeSelectionTest, FillSelectsNothingAndASelectedItemShowsItsReportEachTime) {
  EXPECT_EQ(window_.selectedTreeLine(), -1);
  EXPECT_EQ(window_.text(IDC_DISPLAY), welcomeText());

  ASSERT_TRUE(window_.selectTreeLine(3));
  EXPECT_EQ(window_.selectedTreeLine(), 3);
  EXPECT_EQ(window_.text(IDC_DISPLAY), reportOf("贾宝玉"));
  window_.click(IDC_ABOUT_SOFTWARE);
  ASSERT_TRUE(window_.selectTreeLine(3));  // the same item again: the report again
  EXPECT_EQ(window_.text(IDC_DISPLAY), reportOf("贾宝玉"));
  ASSERT_TRUE(window_.selectTreeLine(0));
  EXPECT_EQ(window_.text(IDC_DISPLAY), reportOf("贾演"));
  EXPECT_FALSE(window_.selectTreeLine(6));
  EXPECT_TRUE(window_.events().empty());
}

TEST_F(TreeSelectionTest, LookupsAndEditsSelectWhomTheyFoundAndLeaveThePaneAsTheyWroteIt) {
  struct Case {
    const char* what;
    std::function<void(WindowHarness&)> act;
    int selected;
    std::string_view report;  // the pane starts with this person's report
  } cases[] = {
      {"fetch",
       [](WindowHarness& w) {
         w.type(IDC_MODIFY_NAME, "贾宝玉");
         w.click(IDC_FETCH);
       },
       3, "贾宝玉"},
      {"fetch a wife: her husband's item",
       [](WindowHarness& w) {
         w.type(IDC_MODIFY_NAME, "王夫人");
         w.click(IDC_FETCH);
       },
       2, "王夫人"},
      {"query by name",
       [](WindowHarness& w) {
         w.type(IDC_QUERY_KEYWORD, "贾敏");
         w.click(IDC_PERSON_QUERY);
       },
       4, "贾敏"},
      {"modify",
       [](WindowHarness& w) {
         w.type(IDC_MODIFY_NAME, "贾代化");
         w.check(1007);
         w.type(IDC_MODIFY_PARAM, "17220101");
         w.click(IDC_MODIFY);
       },
       5, "贾代化"},
      {"rename: the refilled tree",
       [](WindowHarness& w) {
         w.type(IDC_MODIFY_NAME, "贾敏");
         w.type(IDC_MODIFY_PARAM, "贾惜春");
         w.click(IDC_MODIFY);
       },
       4, "贾惜春"},
      {"birth: the new child",
       [](WindowHarness& w) {
         w.type(IDC_BIRTH_NAME, "贾兰");
         w.type(IDC_BIRTH_SEX, "m");
         w.type(IDC_BIRTH_DATE, "17800101");
         w.type(IDC_MOTHER_NAME, "王夫人");
         w.click(IDC_ADD_CHILD);
       },
       4, "贾兰"},
      {"marriage: the husband",
       [](WindowHarness& w) {
         w.type(IDC_BRIDE_NAME, "袭人");
         w.type(IDC_HUSBAND_NAME, "贾宝玉");
         w.type(IDC_BRIDE_BIRTH_DATE, "17620101");
         w.click(IDC_ADD_WIFE);
       },
       3, "袭人"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    testing::writeFile("home.txt", testing::smallClan());
    WindowHarness window;
    c.act(window);
    EXPECT_EQ(window.selectedTreeLine(), c.selected);
    NameKey key{};
    makeNameKey(c.report, key);
    Person* person = nullptr;
    ASSERT_TRUE(window.objects().tree.findByName(person, key));
    std::string report;
    showPersonDetails(person, report);
    EXPECT_TRUE(window.text(IDC_DISPLAY).starts_with(report));
  }
}

TEST_F(TreeSelectionTest, FailedLookupKeepsTheSelectionAndARefillClearsIt) {
  ASSERT_TRUE(window_.selectTreeLine(2));
  window_.type(IDC_MODIFY_NAME, "无此人");
  window_.click(IDC_FETCH);
  window_.type(IDC_QUERY_KEYWORD, "无此人");
  window_.click(IDC_PERSON_QUERY);
  EXPECT_EQ(window_.selectedTreeLine(), 2);
  window_.dialog().refillTreeView();
  EXPECT_EQ(window_.selectedTreeLine(), -1);
}

}  // namespace
}  // namespace quillet
