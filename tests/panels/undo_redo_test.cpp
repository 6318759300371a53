// Undo and redo from the keys, the context menu and the menu bar: what each edit's undo and redo
// show and select, the unsaved changes they leave, and every menu-bar entry's handler.
#include <functional>
#include <string>
#include <vector>

#include "reports/help_texts.h"
#include "tests/panels/panel_fixture.h"

namespace quillet::testing {
namespace {

class UndoRedoTest : public PanelTest {
 protected:
  void modify(const char* name, int choice, const char* value) {
    window().type(IDC_MODIFY_NAME, name);
    window().check(IDC_MODIFY_CHOICE + choice);
    window().type(IDC_MODIFY_PARAM, value);
    window().click(IDC_MODIFY);
  }
  std::optional<std::size_t> selected() { return window().window().selectedTreeLine(IDC_TREE); }
};

// Tree lines: 0 贾演, 1 贾代善, 2 贾政 (王夫人), 3 贾宝玉, 4 贾敏, 5 贾代化.
TEST_F(UndoRedoTest, EachEditTakenBackAndDoneAgainSaysWhatAndSelectsWhom) {
  const struct {
    std::function<void()> edit;
    const char* undone;
    const char* redone;
    std::size_t selected;
  } rows[] = {
      {[this] {
         window().type(IDC_BIRTH_NAME, "贾兰");
         window().type(IDC_BIRTH_SEX, "m");
         window().type(IDC_BIRTH_DATE, "17800101");
         window().type(IDC_MOTHER_NAME, "王夫人");
         window().click(IDC_ADD_CHILD);
       },
       "已撤销：出生 贾兰", "已恢复：出生 贾兰", 2},
      {[this] {
         window().type(IDC_BRIDE_NAME, "薛宝钗");
         window().type(IDC_HUSBAND_NAME, "贾宝玉");
         window().type(IDC_BRIDE_BIRTH_DATE, "17620101");
         window().click(IDC_ADD_WIFE);
       },
       "已撤销：迎娶 薛宝钗", "已恢复：迎娶 薛宝钗", 3},
      {[this] { modify("贾敏", 0, "林黛玉"); }, "已撤销：修改 贾敏 的姓名",
       "已恢复：修改 林黛玉 的姓名", 4},
      {[this] { modify("贾宝玉", 1, ""); }, "已撤销：修改 贾宝玉 的性别",
       "已恢复：修改 贾宝玉 的性别", 3},
      {[this] { modify("王夫人", 2, "5"); }, "已撤销：修改 王夫人 的代数",
       "已恢复：修改 王夫人 的代数", 2},
      {[this] { modify("贾政", 3, "17410101"); }, "已撤销：修改 贾政 的出生日期",
       "已恢复：修改 贾政 的出生日期", 2},
      {[this] { modify("贾代化", 4, "17900101"); }, "已撤销：修改 贾代化 的死亡日期",
       "已恢复：修改 贾代化 的死亡日期", 5},
  };
  for (const auto& row : rows) {
    const std::vector<std::string> loaded = restart().treeLines();
    const std::string loadedReport = reportOf("贾代化");
    row.edit();
    ASSERT_TRUE(tree().hasUnsavedChanges()) << shown(row.undone);
    const std::vector<std::string> edited = window().treeLines();
    window().window().keyCtrl('Z');
    EXPECT_EQ(shown(pane()), shown(row.undone));
    EXPECT_EQ(selected(), row.selected) << shown(row.undone);
    EXPECT_EQ(window().treeLines(), loaded) << shown(row.undone);
    EXPECT_EQ(reportOf("贾代化"), loadedReport);
    EXPECT_FALSE(tree().hasUnsavedChanges());
    window().window().keyCtrl('Y');
    EXPECT_EQ(shown(pane()), shown(row.redone));
    EXPECT_EQ(selected(), row.selected) << shown(row.redone);
    EXPECT_EQ(window().treeLines(), edited) << shown(row.redone);
  }
}

TEST_F(UndoRedoTest, NothingToTakeBackOrDoAgainChangesNothingButThePane) {
  window().window().selectTreeLine(IDC_TREE, 3);
  const std::vector<std::string> lines = window().treeLines();
  window().window().keyCtrl('Z');
  EXPECT_EQ(shown(pane()), shown("没有可撤销的修改"));
  window().window().keyCtrl('Y');
  EXPECT_EQ(shown(pane()), shown("没有可恢复的修改"));
  EXPECT_EQ(selected(), 3u);
  EXPECT_EQ(window().treeLines(), lines);
  // Ctrl+Shift+Z redoes too, and a change taken back leaves nothing to ask about at the exit.
  modify("贾宝玉", 1, "");
  window().window().keyCtrl('Z');
  EXPECT_EQ(window().window().keyCtrl('Z', true), platform::HeadlessWindow::Act::Done);
  EXPECT_EQ(shown(pane()), shown("已恢复：修改 贾宝玉 的性别"));
  window().window().keyCtrl('Z');
  window().keyEsc();
  EXPECT_TRUE(window().ended());
  EXPECT_TRUE(window().messageBoxes().empty());
}

// Each entry of the menu bar (and the context menu's 撤销 and 恢复) runs its handler.
TEST_F(UndoRedoTest, EveryMenuEntryRunsItsCommand) {
  using Kind = platform::HeadlessEvent::Kind;
  const struct {
    int command;
    Kind event;        // the event it shows, or (MessageBox with no caption) only a pane text
    const char* text;  // the caption, or the pane
  } rows[] = {
      {ID_EXPORT_GEDCOM, Kind::FileChooser, "导出 GEDCOM"},
      {ID_EXPORT_CHART, Kind::FileChooser, "导出世系图"},
      {IDC_SAVE, Kind::MessageBox, "警告"},
      {platform::IDOK, Kind::MessageBox, "Morvane提示"},
      {ID_EDIT_UNDO, Kind::MessageBox, nullptr},
      {ID_EDIT_REDO, Kind::MessageBox, nullptr},
      {IDC_USAGE, Kind::MessageBox, nullptr},
      {ID_APP_ABOUT, Kind::DialogOpened, "关于 Quillet"},
  };
  std::vector<std::string> titles;
  for (const platform::MenuBarEntry& entry : mainDialogTemplate().menuBar) {
    if (titles.empty() || titles.back() != entry.menu) titles.emplace_back(entry.menu);
  }
  EXPECT_EQ(titles, (std::vector<std::string>{"文件", "编辑", "帮助"}));
  for (const auto& row : rows) {
    window().clearEvents();
    ASSERT_EQ(window().window().chooseMenuBar(row.command), platform::HeadlessWindow::Act::Done)
        << row.command;
    if (row.text == nullptr) {
      EXPECT_TRUE(window().events().empty()) << row.command;
      EXPECT_NE(pane(), "") << row.command;
      continue;
    }
    ASSERT_FALSE(window().events().empty()) << row.command;
    EXPECT_EQ(window().events()[0].kind, row.event) << row.command;
    EXPECT_EQ(shown(window().events()[0].caption), shown(row.text)) << row.command;
  }
  EXPECT_EQ(pane(), usageText());
  ASSERT_EQ(window().window().chooseMenuBar(ID_EDIT_FIND), platform::HeadlessWindow::Act::Done);
  EXPECT_EQ(window().window().findOpened(), 1);
  for (int command : {ID_EDIT_UNDO, ID_EDIT_REDO}) {
    ASSERT_TRUE(window().chooseContextMenu(command));
    EXPECT_EQ(shown(pane()),
              shown(command == ID_EDIT_UNDO ? "没有可撤销的修改" : "没有可恢复的修改"));
  }
}

}  // namespace
}  // namespace quillet::testing
