// The birth (确定 1031, 重填 1030) and marriage (确定 1036, 重填 1035) panels, and a saved
// birth and marriage read back by a fresh start.
#include <string>
#include <vector>

#include "tests/panels/panel_fixture.h"

namespace quillet::testing {
namespace {

constexpr char kBirthRefused[] =
    "\r\n\r\n\r\n    "
    "您的输入不合法，请注意新人姓名至少两个字，出生日期为8位，如17830216，性别为一位，输入m/f";
constexpr char kMarriageRefused[] =
    "\r\n\r\n\r\n        您的输入不合法，请注意新人姓名至少两个字，出生日期为8位，如17830216";
constexpr char kNameTaken[] = "新人姓名与已有人员重名，系统不支持";
constexpr char kAdded[] = "\r\n\r\n增加成功";
constexpr char kBirthFailed[] =
    "\r\n\r\n\r\n 添加失败!\r\n 失败原因：\r\n   1 其母姓名不在贾氏家族家谱中。\r\n   2 "
    "错输其父姓名为其母姓名";
constexpr char kMarriageFailed[] =
    "\r\n\r\n\r\n添加失败!\r\n 失败原因：\r\n　1　其丈夫姓名不在贾氏家族家谱中。\r\n　2　"
    "您输入的丈夫不是男性";

// The place of the first tree line whose label begins with `name`; the size when none does.
std::size_t lineOf(const std::vector<std::string>& view, std::string_view name) {
  for (std::size_t i = 0; i < view.size(); ++i) {
    if (view[i].find(std::string(" ") + std::string(name)) != std::string::npos) return i;
  }
  ADD_FAILURE() << "no tree line for " << shown(name);
  return view.size();
}

class AddPersonTest : public PanelTest {
 protected:
  // Expects the refusal or failure left the tree and its view as they were. Tests rename a
  // person behind the view first, so that a needless rebuild shows.
  void expectUnchanged(int persons, const std::vector<std::string>& view) {
    EXPECT_EQ(tree().personCount(), persons);
    EXPECT_EQ(window().treeLines(), view);
  }
};

// The inputs' lengths and sex come first (贾政 is taken and names a man, but the short date is
// reported), then a taken name (a wife's included), then the mother: a man, unknown, empty or an
// unmarried daughter. Nothing changes, and the view is not rebuilt.
TEST_F(AddPersonTest, BirthInputsAreCheckedBeforeTheNameAndTheMother) {
  const int persons = tree().personCount();
  const auto view = window().treeLines();
  renameBehindTheView("贾代化", "贾敷");
  const struct {
    const char *name, *sex, *date, *mother, *expected;
  } cases[] = {
      {"贾政", "m", "1780", "贾政", kBirthRefused},
      {"贾环", "M", "17800101", "王夫人", kBirthRefused},
      {"贾环", "", "17800101", "王夫人", kBirthRefused},
      {"环", "m", "17800101", "王夫人", kBirthRefused},
      {"0000", "m", "17800101", "王夫人", kBirthRefused},  // read back as nobody
      {"史太君", "f", "17800101", "贾政", kNameTaken},
      {"贾环", "m", "17800101", "贾政", kBirthFailed},
      {"贾环", "m", "17800101", "赵姨娘", kBirthFailed},
      {"贾环", "m", "17800101", "", kBirthFailed},
      {"贾兰", "m", "17800101", "贾敏", kBirthFailed},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(shown(birth(c.name, c.sex, c.date, c.mother)), shown(c.expected)) << shown(c.name);
  }
  EXPECT_EQ(person("贾兰"), nullptr);
  expectUnchanged(persons, view);
}

TEST_F(AddPersonTest, RecordedBirthShowsTheReportAndRebuildsTheView) {
  // Eight letters pass as a date; the child goes last under the mother's husband.
  const auto before = window().treeLines();
  const std::string text = birth("贾珠", "m", "abcdefgh", "王夫人");
  EXPECT_EQ(shown(text), shown(reportOf("贾珠") + kAdded));
  Person* child = person("贾珠");
  ASSERT_NE(child, nullptr);
  EXPECT_EQ(child->father, person("贾政"));
  EXPECT_EQ(child->olderSibling, person("贾宝玉"));
  // The view gains one line: the child, right after his older brother 贾宝玉 at the same depth.
  const auto view = window().treeLines();
  ASSERT_EQ(view.size(), before.size() + 1);
  const std::size_t brother = lineOf(view, "贾宝玉");
  ASSERT_LT(brother + 1, view.size());
  EXPECT_EQ(shown(view[brother + 1]), shown(view[brother].substr(0, 6) + "贾珠  "));
  // The inputs stay; the same click again finds the name taken.
  EXPECT_EQ(shown(birth("贾珠", "m", "abcdefgh", "王夫人")), shown(kNameTaken));
}

// Lengths first, then a taken name, then the husband: a woman, unknown, or with two wives.
TEST_F(AddPersonTest, MarriageInputsAreCheckedBeforeTheNameAndTheHusband) {
  const int persons = tree().personCount();
  const auto view = window().treeLines();
  renameBehindTheView("贾代化", "贾敷");
  const struct {
    const char *bride, *husband, *date, *expected;
  } cases[] = {
      {"王夫人", "贾", "17800101", kMarriageRefused},
      {"薛宝钗", "贾宝玉", "1780", kMarriageRefused},
      {"钗", "贾宝玉", "17800101", kMarriageRefused},
      {"0000", "贾宝玉", "17800101", kMarriageRefused},
      {"贾敏", "贾敏", "17800101", kNameTaken},
      {"薛宝钗", "贾敏", "17800101", kMarriageFailed},
      {"薛宝钗", "甄宝玉", "17800101", kMarriageFailed},
      {"赵姨娘", "贾代善", "17300101", kMarriageFailed},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(shown(marriage(c.bride, c.husband, c.date)), shown(c.expected)) << shown(c.bride);
  }
  EXPECT_EQ(person("赵姨娘"), nullptr);
  expectUnchanged(persons, view);
}

TEST_F(AddPersonTest, RecordedMarriageShowsTheReportAndNamesTheBrideInTheView) {
  const std::string text = marriage("薛宝钗", "贾宝玉", "17620101");
  EXPECT_EQ(shown(text), shown(reportOf("薛宝钗") + kAdded));
  ASSERT_NE(person("贾宝玉"), nullptr);
  EXPECT_EQ(person("贾宝玉")->spouse, person("薛宝钗"));
  const auto view = window().treeLines();
  const std::string& husband = view[lineOf(view, "贾宝玉")];
  EXPECT_EQ(shown(husband.substr(husband.size() - 7)), shown(" 薛宝钗"));
}

// Each 重填 empties its own panel's boxes and nothing else: not the other boxes, the radios or
// the pane.
TEST_F(PanelTest, EachResetEmptiesOnlyItsOwnPanel) {
  const std::pair<int, std::vector<int>> resets[] = {
      {IDC_RESET_BIRTH, {IDC_BIRTH_NAME, IDC_BIRTH_SEX, IDC_BIRTH_DATE, IDC_MOTHER_NAME}},
      {IDC_RESET_MARRIAGE, {IDC_BRIDE_NAME, IDC_HUSBAND_NAME, IDC_BRIDE_BIRTH_DATE}},
      {IDC_RESET_QUERY, {IDC_QUERY_KEYWORD}},
      {IDC_RESET_RELATION, {IDC_RELATION_FIRST, IDC_RELATION_SECOND}},
  };
  window().type(IDC_RELATION_FIRST, "贾政");
  window().type(IDC_RELATION_SECOND, "贾宝玉");
  window().click(IDC_RELATION_QUERY);
  window().check(1015);
  const std::string answer = pane();
  for (const auto& [reset, own] : resets) {
    for (const auto& panel : resets) {
      for (int id : panel.second) window().type(id, "m");
    }
    window().type(IDC_MODIFY_NAME, "m");
    window().click(reset);
    for (const auto& panel : resets) {
      for (int id : panel.second) {
        EXPECT_EQ(window().text(id), &panel.second == &own ? "" : "m") << reset << " " << id;
      }
    }
    EXPECT_EQ(window().text(IDC_MODIFY_NAME), "m");
    EXPECT_TRUE(window().isChecked(1015));
    EXPECT_EQ(pane(), answer);
  }
}

}  // namespace
}  // namespace quillet::testing
