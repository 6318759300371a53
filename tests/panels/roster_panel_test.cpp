// The household roster buttons, the two free-text buttons and the two help-text buttons.
#include <sys/stat.h>

#include <string>

#include "reports/help_texts.h"
#include "tests/panels/panel_fixture.h"

namespace quillet::testing {
namespace {

constexpr char kFooter[] = "\r\n\r\n     人员具体信息可通过查询功能中的个人方式进行查询!";
constexpr char kRosterUnreadable[] = "发生不可知错误";
constexpr char kSideTextUnreadable[] = "\r\n\r\n     error";

struct RosterButton {
  int id;
  const char* file;    // GBK
  const char* header;  // GBK, for one name
};

constexpr RosterButton kRosterButtons[] = {
    {1022, "宁.txt", " 宁国府所有人员名单如下(共1人):\r\n\r\n"},
    {1039, "荣.txt", " 荣国府所有人员名单如下(共1人):\r\n\r\n"},
    {1040, "史.txt", " 史府所有人员名单如下(共1人):\r\n\r\n"},
    {1042, "王.txt", " 王府所有人员名单如下(共1人):\r\n\r\n"},
    {1037, "薛.txt", " 薛府所有人员名单如下(共1人):\r\n\r\n"},
    {1043, "其它.txt", " 其它人员名单如下(共1人):\r\n\r\n"},
};

using RosterPanelTest = PanelTest;

TEST_F(RosterPanelTest, EachButtonReadsItsOwnFileUnderItsOwnHeader) {
  for (const RosterButton& button : kRosterButtons) {
    writeFile(diskName(button.file), std::string(button.file, 2) + "某  ");
  }
  for (const RosterButton& button : kRosterButtons) {
    window().click(button.id);
    EXPECT_EQ(shown(pane()), shown(std::string(button.header) + "        " +
                                   std::string(button.file, 2) + "某      " + kFooter))
        << button.id;
  }
}

// An empty roster shows the header of none; a missing or read-only one an unknown error; a
// missing or read-only free text shows "error".
TEST_F(RosterPanelTest, EmptyMissingOrReadOnlyFiles) {
  writeFile(diskName("荣.txt"), "");
  window().click(1039);
  EXPECT_EQ(shown(pane()), shown(std::string(" 荣国府所有人员名单如下(共0人):\r\n\r\n") + kFooter));
  writeFile(diskName("王.txt"), "王仁  ");
  writeFile("most.txt", "hidden");
  ::chmod(diskName("王.txt").c_str(), 0444);
  ::chmod("most.txt", 0444);
  for (const auto& [button, expected] : {std::pair{1040, kRosterUnreadable},
                                         {1042, kRosterUnreadable},
                                         {1045, kSideTextUnreadable},
                                         {1038, kSideTextUnreadable}}) {
    window().click(button);
    EXPECT_EQ(shown(pane()), shown(expected)) << button;
  }
}

TEST_F(RosterPanelTest, SideTextBreaksLinesAtHashAndIsShownOncePerPress) {
  writeFile("most.txt", "最富#贾府\r\n最后");
  window().click(1038);
  window().click(1038);
  EXPECT_EQ(shown(pane()), shown("最富\r\n贾府\n最后"));
  writeFile("number.txt", "共计100人");
  window().click(1045);
  EXPECT_EQ(shown(pane()), shown("共计100人"));
}

TEST_F(RosterPanelTest, HelpButtonsReplaceThePaneAndKeepTheInputs) {
  window().type(IDC_RELATION_FIRST, "贾政");
  window().type(IDC_RELATION_SECOND, "贾宝玉");
  window().click(IDC_RELATION_QUERY);
  window().type(IDC_MODIFY_NAME, "贾敏");
  window().check(1007);

  window().click(IDC_USAGE);
  EXPECT_EQ(shown(pane()), shown(usageText()));
  window().click(IDC_ABOUT_SOFTWARE);
  EXPECT_EQ(shown(pane()), shown(welcomeText()));

  EXPECT_EQ(window().text(IDC_RELATION_FIRST), "贾政");
  EXPECT_EQ(window().text(IDC_RELATION_SECOND), "贾宝玉");
  EXPECT_EQ(window().text(IDC_MODIFY_NAME), "贾敏");
  EXPECT_TRUE(window().isChecked(1007));
}

}  // namespace
}  // namespace quillet::testing
