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
  void key(char letter) { window().window().keyCtrl(letter); }
  std::optional<std::size_t> selected() { return window().window().selectedTreeLine(IDC_TREE); }
};

// Tree lines: 0 贾演, 1 贾代善, 2 贾政 (王夫人), 3 贾宝玉, 4 贾敏, 5 贾代化.
TEST_F(UndoRedoTest, EachEditTakenBackAndDoneAgainSaysWhatAndSelectsWhom) {
  const int choice = IDC_MODIFY_CHOICE;
  const struct {
    std::function<void()> edit;
    const char* undone;
    const char* redone;  // when it differs: "已恢复：" for "已撤销："
    std::size_t selected;
  } rows[] = {
      {[&] { birth("贾兰", "m", "17800101", "王夫人"); }, "已撤销：出生 贾兰", nullptr, 2},
      {[&] { marriage("薛宝钗", "贾宝玉", "17620101"); }, "已撤销：迎娶 薛宝钗", nullptr, 3},
      {[&] { modify("贾敏", choice, "林黛玉"); }, "已撤销：修改 贾敏 的姓名",
       "已恢复：修改 林黛玉 的姓名", 4},
      {[&] { modify("贾宝玉", choice + 1, ""); }, "已撤销：修改 贾宝玉 的性别", nullptr, 3},
      {[&] { modify("王夫人", choice + 2, "5"); }, "已撤销：修改 王夫人 的代数", nullptr, 2},
      {[&] { modify("贾政", choice + 3, "17410101"); }, "已撤销：修改 贾政 的出生日期", nullptr, 2},
      {[&] { modify("贾代化", choice + 4, "17900101"); }, "已撤销：修改 贾代化 的死亡日期", nullptr,
       5},
  };
  for (const auto& row : rows) {
    const std::vector<std::string> loaded = restart().treeLines();
    const std::string loadedReport = reportOf("贾代化");
    row.edit();
    ASSERT_TRUE(tree().hasUnsavedChanges()) << shown(row.undone);
    const std::vector<std::string> edited = window().treeLines();
    key('Z');
    EXPECT_EQ(shown(pane()), shown(row.undone));
    EXPECT_EQ(selected(), row.selected) << shown(row.undone);
    EXPECT_EQ(window().treeLines(), loaded) << shown(row.undone);
    EXPECT_EQ(reportOf("贾代化"), loadedReport);
    EXPECT_FALSE(tree().hasUnsavedChanges());
    key('Y');
    std::string redone = row.redone ? row.redone : row.undone;
    if (!row.redone) redone.replace(0, std::string("已撤销：").size(), "已恢复：");
    EXPECT_EQ(shown(pane()), shown(redone));
    EXPECT_EQ(selected(), row.selected) << shown(redone);
    EXPECT_EQ(window().treeLines(), edited) << shown(redone);
  }
}

// Each entry of the menu bar runs its handler: the box, chooser or dialog it opens, or (none) the
// pane it shows.
TEST_F(UndoRedoTest, EveryMenuEntryRunsItsCommand) {
  using Kind = platform::HeadlessEvent::Kind;
  const struct {
    int command;
    Kind event;
    const char* caption;
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
    const std::string before = pane();
    ASSERT_EQ(window().window().chooseMenuBar(row.command), platform::HeadlessWindow::Act::Done);
    if (row.caption == nullptr) {
      EXPECT_TRUE(window().events().empty() && pane() != before) << row.command;
    } else {
      ASSERT_FALSE(window().events().empty()) << row.command;
      EXPECT_EQ(window().events()[0].kind, row.event) << row.command;
      EXPECT_EQ(shown(window().events()[0].caption), shown(row.caption)) << row.command;
    }
  }
  EXPECT_EQ(pane(), usageText());
  window().window().chooseMenuBar(ID_EDIT_FIND);
  EXPECT_EQ(window().window().findOpened(), 1);
}

}  // namespace
}  // namespace quillet::testing
