// Names and changes the genealogy file cannot hold are refused: names beginning with '0' where
// they are typed, and saves that would not read back into the tree in memory.
#include <string>

#include "tests/panels/panel_fixture.h"

namespace quillet::testing {
namespace {

constexpr char kNotSaved[] = "\r\n\r\n\r\n            保存失败";

class SaveRefusalTest : public PanelTest {
 protected:
  void save() {
    window().answerOk();
    window().click(IDC_SAVE);
  }
  void modify(std::string_view name, int radioId, std::string_view param) {
    window().type(IDC_MODIFY_NAME, name);
    window().check(radioId);
    window().type(IDC_MODIFY_PARAM, param);
    window().click(IDC_MODIFY);
  }
};

TEST_F(SaveRefusalTest, NamesBeginningWithZeroAreRefusedAsTooShortNamesAre) {
  struct Case {
    int nameBox, dateBox, button;
    const char* expected;
  };
  const Case cases[] = {
      {IDC_BIRTH_NAME, IDC_BIRTH_DATE, IDC_ADD_CHILD,
       "\r\n\r\n\r\n    "
       "您的输入不合法，请注意新人姓名至少两个字，出生日期为8位，如17830216，性别为一位，输入m/f"},
      {IDC_BRIDE_NAME, IDC_BRIDE_BIRTH_DATE, IDC_ADD_WIFE,
       "\r\n\r\n\r\n        您的输入不合法，请注意新人姓名至少两个字，出生日期为8位，如17830216"},
  };
  window().type(IDC_BIRTH_SEX, "m");
  window().type(IDC_MOTHER_NAME, "王夫人");
  window().type(IDC_HUSBAND_NAME, "贾宝玉");
  for (const Case& c : cases) {
    window().type(c.nameBox, "0000");
    window().type(c.dateBox, "17800101");
    window().click(c.button);
    EXPECT_EQ(shown(pane()), shown(c.expected));
  }
  modify("贾政", IDC_MODIFY_CHOICE, "0000");
  EXPECT_EQ(shown(pane()), shown("\r\n\r\n               请勿将关健字设为空。"));
  EXPECT_NE(person("贾政"), nullptr);
  EXPECT_EQ(person("0000"), nullptr);
  EXPECT_EQ(tree().personCount(), 10);
}

TEST_F(SaveRefusalTest, SaveThatWouldNotReadBackNamesEachPersonAndKeepsTheFile) {
  const std::string file = readFile("home.txt");
  modify("王夫人", IDC_MODIFY_CHOICE + 1, "");   // a wife made male
  modify("贾宝玉", IDC_MODIFY_CHOICE + 2, "0");  // a second generation-0 man
  save();
  EXPECT_EQ(shown(pane()), shown(std::string(kNotSaved) + "\r\n　王夫人：妻子不能改为男性" +
                                 "\r\n　贾宝玉：只有始祖的代数可以是0"));
  EXPECT_EQ(readFile("home.txt"), file);
  EXPECT_EQ(person("王夫人")->sex, 'm');  // the edits stay in memory
}

TEST_F(SaveRefusalTest, FileChangedByAnotherProgramIsKeptAndThePaneSaysSo) {
  modify("贾宝玉", IDC_MODIFY_CHOICE + 3, "17610101");
  const std::string theirs = panelClanFile() + "\r\n";
  writeFile("home.txt", theirs);
  save();
  EXPECT_EQ(shown(pane()),
            shown(std::string(kNotSaved) +
                  "\r\n　家谱文件在本程序读入后已被其他程序改动，为免冲掉那些改动，这次没有保存"));
  EXPECT_EQ(readFile("home.txt"), theirs);
}

}  // namespace
}  // namespace quillet::testing
