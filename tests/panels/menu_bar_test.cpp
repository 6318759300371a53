// What the batch transcripts cannot reach: every menu-bar entry's handler, the names and states
// of 撤销 and 恢复, and a save after another program changed home.txt while the window was open.
// The panels themselves are checked by the transcripts of tests/batch/transcripts.
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/resources.h"
#include "reports/help_texts.h"
#include "tests/support/genealogy_text.h"
#include "tests/support/window_harness.h"

namespace quillet::testing {
namespace {

using MenuBarTest = WindowTest;

// Each entry of the menu bar runs its handler: the box, chooser or dialog it opens, or (none) the
// pane it shows. 撤销 and 恢复 are greyed out while there is nothing to take back or do again,
// and 最近打开 opens its list.
TEST_F(MenuBarTest, EveryMenuEntryRunsItsCommand) {
  using Kind = platform::HeadlessEvent::Kind;
  using Act = platform::HeadlessWindow::Act;
  const struct {
    int command;
    Kind event;
    const char* caption;
    Act act = Act::Done;
  } rows[] = {
      {ID_FILE_OPEN, Kind::FileChooser, "打开家谱：选择存放家谱（home.txt）的文件夹"},
      {ID_FILE_RECENT, Kind::FileChooser, nullptr, Act::WrongKind},
      {ID_EXPORT_GEDCOM, Kind::FileChooser, "导出 GEDCOM"},
      {ID_EXPORT_CHART, Kind::FileChooser, "导出世系图"},
      {IDC_SAVE, Kind::MessageBox, "警告"},
      {platform::IDOK, Kind::MessageBox, "Morvane提示"},
      {ID_EDIT_UNDO, Kind::MessageBox, nullptr, Act::Disabled},
      {ID_EDIT_REDO, Kind::MessageBox, nullptr, Act::Disabled},
      {ID_HELP_FEATURES, Kind::MessageBox, nullptr},
      {IDC_USAGE, Kind::MessageBox, nullptr},
      {ID_APP_ABOUT, Kind::DialogOpened, "关于 Quillet"},
  };
  std::vector<std::string> titles;
  for (const platform::MenuBarEntry& entry : mainDialogTemplate().menuBar) {
    if (titles.empty() || titles.back() != entry.menu) titles.emplace_back(entry.menu);
  }
  EXPECT_EQ(titles, (std::vector<std::string>{"文件", "编辑", "视图", "帮助"}));
  for (const auto& row : rows) {
    window().clearEvents();
    const std::string before = window().text(IDC_DISPLAY);
    ASSERT_EQ(window().window().chooseMenuBar(row.command), row.act) << row.command;
    if (row.act != Act::Done) {
      EXPECT_TRUE(window().events().empty() && window().text(IDC_DISPLAY) == before) << row.command;
    } else if (row.caption == nullptr) {
      EXPECT_TRUE(window().events().empty() && window().text(IDC_DISPLAY) != before) << row.command;
    } else {
      ASSERT_FALSE(window().events().empty()) << row.command;
      EXPECT_EQ(window().events()[0].kind, row.event) << row.command;
      EXPECT_EQ(readable(window().events()[0].caption), readable(row.caption)) << row.command;
    }
  }
  EXPECT_EQ(window().text(IDC_DISPLAY), usageText());
  window().window().chooseMenuBar(ID_EDIT_FIND);
  EXPECT_EQ(window().window().findOpened(), 1);
  // A view is turned on and off by its entry, which shows it by its check mark; nothing else.
  for (const int view : {ID_VIEW_EXACT_TERMS, ID_VIEW_CHINESE_DATES}) {
    const auto command = static_cast<unsigned>(view);
    window().clearEvents();
    const std::string before = window().text(IDC_DISPLAY);
    for (const bool on : {true, false}) {
      ASSERT_EQ(window().window().chooseMenuBar(command), platform::HeadlessWindow::Act::Done);
      EXPECT_EQ(window().window().menuBarChecked(command), on) << view;
    }
    EXPECT_TRUE(window().events().empty() && window().text(IDC_DISPLAY) == before) << view;
  }
}

// 撤销 and 恢复, in the menu bar and the context menu alike, name the edit each would take back
// or do again and are greyed out without one; Ctrl+Z and Ctrl+Y still run, and say so.
TEST_F(MenuBarTest, UndoAndRedoEntriesAreNamedAfterTheirEditAndGreyedOutWithoutOne) {
  WindowHarness& w = window();
  const auto birth = [&w](const char* name) {
    w.type(IDC_BIRTH_NAME, name);
    w.type(IDC_BIRTH_SEX, "m");
    w.type(IDC_BIRTH_DATE, "17800101");
    w.type(IDC_MOTHER_NAME, "王夫人");
    w.click(IDC_ADD_CHILD);
  };
  const auto marriage = [&w] {
    w.type(IDC_BRIDE_NAME, "李纨");
    w.type(IDC_HUSBAND_NAME, "贾宝玉");
    w.type(IDC_BRIDE_BIRTH_DATE, "17620101");
    w.click(IDC_ADD_WIFE);
  };
  const auto change = [&w] {
    w.type(IDC_MODIFY_NAME, "贾宝玉");
    w.check(IDC_MODIFY_CHOICE + 3);
    w.type(IDC_MODIFY_PARAM, "17610101");
    w.click(IDC_MODIFY);
  };
  using Act = platform::HeadlessWindow::Act;
  const struct {
    std::function<void()> act;
    const char* undo;  // the entries' texts; greyed out when just 撤销 or 恢复
    const char* redo;
  } steps[] = {
      {[] {}, "撤销", "恢复"},
      {[&] { birth("贾兰"); }, "撤销 出生 贾兰", "恢复"},
      {marriage, "撤销 迎娶 李纨", "恢复"},
      {change, "撤销 修改 贾宝玉 的出生日期", "恢复"},
      {[&w] { w.window().keyCtrl('Z'); }, "撤销 迎娶 李纨", "恢复 修改 贾宝玉 的出生日期"},
      {[&w] { EXPECT_TRUE(w.chooseContextMenu(ID_EDIT_UNDO)); }, "撤销 出生 贾兰",
       "恢复 迎娶 李纨"},
      {[&w] { EXPECT_EQ(w.window().chooseMenuBar(ID_EDIT_UNDO), Act::Done); }, "撤销",
       "恢复 出生 贾兰"},
      {[&w] { EXPECT_EQ(w.window().chooseMenuBar(ID_EDIT_REDO), Act::Done); }, "撤销 出生 贾兰",
       "恢复 迎娶 李纨"},
      {[&] { birth("贾菌"); }, "撤销 出生 贾菌", "恢复"},  // a new edit: nothing to do again
  };
  for (const auto& step : steps) {
    step.act();
    for (const auto& [command, text] :
         {std::pair{ID_EDIT_UNDO, step.undo}, {ID_EDIT_REDO, step.redo}}) {
      const auto entry = w.window().commandEntry(static_cast<unsigned>(command));
      ASSERT_TRUE(entry.has_value()) << text;
      EXPECT_EQ(readable(entry->text), readable(text));
      EXPECT_EQ(entry->enabled, std::string_view(text).size() > std::string_view("撤销").size())
          << readable(text);
    }
  }
  // With nothing to do again the entries cannot be chosen, but the key still runs and says so.
  EXPECT_EQ(w.window().chooseMenuBar(ID_EDIT_REDO), Act::Disabled);
  EXPECT_EQ(w.window().chooseContextMenu(ID_EDIT_REDO), Act::Disabled);
  w.window().keyCtrl('Y');
  EXPECT_EQ(w.text(IDC_DISPLAY), "没有可恢复的修改");
}

TEST_F(MenuBarTest, SaveAfterAnotherProgramChangedTheFileKeepsTheirsAndSaysWhy) {
  window().type(IDC_MODIFY_NAME, "贾宝玉");
  window().check(IDC_MODIFY_CHOICE + 3);
  window().type(IDC_MODIFY_PARAM, "17610101");
  window().click(IDC_MODIFY);
  const std::string theirs = readFile("home.txt") + "\r\n";
  writeFile("home.txt", theirs);
  window().answerOk();
  window().click(IDC_SAVE);
  EXPECT_EQ(
      readable(window().text(IDC_DISPLAY)),
      readable("\r\n\r\n\r\n            保存失败\r\n　家谱文件在本程序读入后已被其他程序改动，"
               "为免冲掉那些改动，这次没有保存"));
  EXPECT_EQ(readFile("home.txt"), theirs);
}

}  // namespace
}  // namespace quillet::testing
