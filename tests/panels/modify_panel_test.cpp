// The modify panel (调出 1003, 输入 1010) and the save button (保存修改 1020).
#include <sys/stat.h>

#include <string>

#include "platform/dialog/backend.h"
#include "tests/panels/panel_fixture.h"

namespace quillet::testing {
namespace {

constexpr char kNotInTree[] = "\r\n\r\n\r\n      人员非贾氏家族成员，无法通过家族树进行修改!";
constexpr char kNoName[] = "\r\n\r\n\r\n      您没有输入姓名!";
constexpr char kNewNameTooShort[] = "\r\n\r\n               请勿将关健字设为空。";
constexpr char kNewValueTooShort[] = "\r\n\r\n                请勿将关健字设为空。";
constexpr char kModified[] = "\r\n\r\n修改结果如上";
constexpr char kSaveWarning[] = "保存后可能会导至文件不可调用或与原著不符\r\n 保存吗？";
constexpr char kSaved[] = "\r\n\r\n\r\n        保存成功！";
constexpr char kNotSaved[] = "\r\n\r\n\r\n            保存失败";

class ModifyPanelTest : public PanelTest {
 protected:
  std::string fetch(std::string_view name) {
    window().type(IDC_MODIFY_NAME, name);
    window().click(IDC_FETCH);
    return pane();
  }
};

TEST_F(ModifyPanelTest, FetchShowsTheReportOrSaysWhyNot) {
  EXPECT_EQ(shown(fetch("")), shown(kNoName));
  EXPECT_EQ(shown(fetch("甄宝玉")), shown(kNotInTree));
  EXPECT_EQ(shown(fetch("史太君")), shown(reportOf("史太君")));
}

// The name is asked about before the value: a missing or unknown person is the complaint even
// when the value is too short too; each too-short value has its own indent; nothing changes.
TEST_F(ModifyPanelTest, ComplaintsFollowTheirPrecedence) {
  const struct {
    const char* name;
    int radio;
    const char* param;
    const char* expected;
  } cases[] = {
      {"", 1005, "", kNoName},
      {"", 1004, "玉", kNoName},
      {"甄宝玉", 1005, "", kNotInTree},
      {"甄宝玉", 1007, "1760", kNotInTree},
      {"贾宝玉", 1004, "玉", kNewNameTooShort},
      {"贾宝玉", 1004, "0000", kNewNameTooShort},  // the file would read it as nobody
      {"贾宝玉", 1006, "", kNewValueTooShort},
      {"贾宝玉", 1007, "1760", kNewValueTooShort},
      {"贾宝玉", 1008, "1760010", kNewValueTooShort},
  };
  const std::string before = reportOf("贾宝玉");
  for (const auto& c : cases) {
    EXPECT_EQ(shown(modify(c.name, c.radio, c.param)), shown(c.expected))
        << shown(c.name) << " " << c.radio << " " << c.param;
  }
  EXPECT_EQ(shown(reportOf("贾宝玉")), shown(before));
}

// Each radio changes its field (the store takes a generation's first byte and a date's first
// eight; sex and death toggle whatever the parameter holds) and the pane shows the new report.
TEST_F(ModifyPanelTest, EachRadioChangesItsFieldAndShowsTheReport) {
  modify("贾宝玉", 1005, "m");
  modify("贾宝玉", 1006, "12");
  modify("贾宝玉", 1007, "1761020399");
  const std::string text = modify("贾宝玉", 1008, "18000101");
  Person* baoyu = person("贾宝玉");
  ASSERT_NE(baoyu, nullptr);
  EXPECT_EQ(shown(text), shown(reportOf("贾宝玉") + kModified));
  EXPECT_EQ(baoyu->sex, 'f');
  EXPECT_EQ(baoyu->generation, '1');
  EXPECT_EQ(dateText(baoyu->birthDate), "17610203");
  ASSERT_EQ(baoyu->alive, 'n');
  EXPECT_EQ(dateText(*baoyu->deathDate), "18000101");
  modify("贾宝玉", 1008, "18000101");
  EXPECT_EQ(baoyu->alive, 'y');
}

TEST_F(ModifyPanelTest, OnlyAChangeOfNameChangesTheTreeView) {
  const auto view = window().treeLines();
  modify("贾宝玉", 1005, "");
  EXPECT_EQ(window().treeLines(), view);  // a change of sex leaves the view alone

  std::string text = modify("贾宝玉", 1004, "贾宝玉");
  EXPECT_EQ(shown(text), shown(reportOf("贾宝玉") + kModified));
  EXPECT_EQ(window().treeLines(), view);  // the own name again: succeeds, shows the same

  text = modify("贾宝玉", 1004, "贾瑛");
  EXPECT_EQ(shown(text), shown(reportOf("贾瑛") + kModified));
  EXPECT_EQ(person("贾宝玉"), nullptr);
  // 输入 again with the old name in the box finds nobody.
  EXPECT_EQ(shown(modify("贾宝玉", 1004, "贾瑛")), shown(kNotInTree));
}

TEST_F(ModifyPanelTest, TakenNameIsAMessageBoxAndNothingElse) {
  const std::string before = fetch("贾宝玉");
  const auto view = window().treeLines();
  window().clearEvents();
  modify("贾宝玉", 1004, "史太君");
  const auto boxes = window().messageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(shown(boxes[0].text), shown("人名重复，不能修改!"));
  EXPECT_EQ(boxes[0].caption, platform::applicationName());
  EXPECT_EQ(boxes[0].type, platform::MB_OK);
  EXPECT_EQ(pane(), before);
  EXPECT_EQ(window().treeLines(), view);
  EXPECT_NE(person("贾宝玉"), nullptr);
}

// A record that no walk reaches (its father is nobody of the file) still holds its name in the
// file: a rename, a birth or a marriage to that name is refused at once, not at the save.
class OrphanNameTest : public WindowTest {
 protected:
  OrphanNameTest() : WindowTest(panelClanFile() + record({.name = "甄士隐", .father = "甄费"})) {}
};

TEST_F(OrphanNameTest, NameOfARecordNoWalkReachesIsTaken) {
  window().type(IDC_MODIFY_NAME, "贾宝玉");
  window().check(1004);
  window().type(IDC_MODIFY_PARAM, "甄士隐");
  window().click(IDC_MODIFY);
  const auto boxes = window().messageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(shown(boxes[0].text), shown("人名重复，不能修改!"));
  const struct {
    int nameBox, dateBox, otherBox, button;
    std::string_view other;
  } adds[] = {{IDC_BIRTH_NAME, IDC_BIRTH_DATE, IDC_MOTHER_NAME, IDC_ADD_CHILD, "王夫人"},
              {IDC_BRIDE_NAME, IDC_BRIDE_BIRTH_DATE, IDC_HUSBAND_NAME, IDC_ADD_WIFE, "贾宝玉"}};
  for (const auto& add : adds) {
    window().type(IDC_BIRTH_SEX, "m");
    window().type(add.nameBox, "甄士隐");
    window().type(add.dateBox, "17800101");
    window().type(add.otherBox, add.other);
    window().click(add.button);
    EXPECT_EQ(shown(window().text(IDC_DISPLAY)), shown("新人姓名与已有人员重名，系统不支持"));
  }
  EXPECT_EQ(tree().personCount(), 11);
  EXPECT_FALSE(tree().hasUnsavedChanges());
}

TEST_F(ModifyPanelTest, SaveAsksFirstAndCancelTouchesNothing) {
  const std::string file = readFile("home.txt");
  modify("贾宝玉", 1005, "");
  const std::string shownBefore = pane();
  window().clearEvents();
  window().answerCancel();
  window().click(IDC_SAVE);
  const auto boxes = window().messageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(shown(boxes[0].text), shown(kSaveWarning));
  EXPECT_EQ(shown(boxes[0].caption), shown("警告"));
  EXPECT_EQ(boxes[0].type, platform::MB_OKCANCEL | platform::MB_DEFBUTTON2);
  EXPECT_EQ(readFile("home.txt"), file);
  EXPECT_EQ(pane(), shownBefore);

  window().click(IDC_SAVE);  // no answer queued: the default button, Cancel
  EXPECT_EQ(readFile("home.txt"), file);

  window().answerOk();
  window().click(IDC_SAVE);
  EXPECT_EQ(shown(pane()), shown(kSaved));
  EXPECT_NE(readFile("home.txt"), file);
  EXPECT_EQ(restart().objects().tree.personCount(), 10);
  ASSERT_NE(person("贾宝玉"), nullptr);
  EXPECT_EQ(person("贾宝玉")->sex, 'f');
}

// A failed save keeps the file and says why: a read-only file, which opens and shows its tree;
// edits the file could not hold (each person named, the edits kept in memory); a file another
// program changed since loading.
TEST_F(ModifyPanelTest, FailedSaveSaysWhyAndLeavesTheFileWhole) {
  const std::string file = readFile("home.txt");
  const std::string theirs = file + "\r\n";
  ::chmod("home.txt", 0444);
  EXPECT_FALSE(window().treeLines().empty());
  modify("贾宝玉", 1007, "17610101");
  window().answerOk();
  window().click(IDC_SAVE);
  EXPECT_EQ(shown(pane()), shown(std::string(kNotSaved) + "\r\n　家谱文件是只读的"));
  EXPECT_EQ(readFile("home.txt"), file);

  ::chmod("home.txt", 0644);
  modify("王夫人", 1005, "");   // a wife made male
  modify("贾宝玉", 1006, "0");  // a second generation-0 man
  window().answerOk();
  window().click(IDC_SAVE);
  EXPECT_EQ(shown(pane()), shown(std::string(kNotSaved) + "\r\n　王夫人：妻子不能改为男性" +
                                 "\r\n　贾宝玉：只有始祖的代数可以是0"));
  EXPECT_EQ(readFile("home.txt"), file);
  ASSERT_NE(person("王夫人"), nullptr);
  EXPECT_EQ(person("王夫人")->sex, 'm');

  restart();
  modify("贾宝玉", 1007, "17610101");
  writeFile("home.txt", theirs);
  window().answerOk();
  window().click(IDC_SAVE);
  EXPECT_EQ(shown(pane()),
            shown(std::string(kNotSaved) +
                  "\r\n　家谱文件在本程序读入后已被其他程序改动，为免冲掉那些改动，这次没有保存"));
  EXPECT_EQ(readFile("home.txt"), theirs);

  writeFile("home.txt", file.substr(0, file.size() - 20));  // the last record cut short
  restart();
  modify("贾宝玉", 1007, "17610101");
  window().answerOk();
  window().click(IDC_SAVE);
  const std::size_t last = file.rfind('!');
  EXPECT_EQ(shown(pane()),
            shown(std::string(kNotSaved) + "\r\n　家谱文件读到第" + std::to_string(last) +
                  "个字节就停止了，其后还有" + std::to_string(file.size() - 20 - last) +
                  "个字节没有读入，保存会丢掉其中的人员，这次没有保存"));
}

}  // namespace
}  // namespace quillet::testing
