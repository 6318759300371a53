// What the batch transcripts cannot reach: every menu-bar entry's handler, and a save after
// another program changed home.txt while the window was open. The panels themselves are
// checked by the transcripts of tests/batch/transcripts.
#include <string>
#include <vector>

#include "app/resources.h"
#include "reports/help_texts.h"
#include "tests/support/genealogy_text.h"
#include "tests/support/window_harness.h"

namespace quillet::testing {
namespace {

using MenuBarTest = WindowTest;

// Each entry of the menu bar runs its handler: the box, chooser or dialog it opens, or (none) the
// pane it shows.
TEST_F(MenuBarTest, EveryMenuEntryRunsItsCommand) {
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
  EXPECT_EQ(titles, (std::vector<std::string>{"文件", "编辑", "视图", "帮助"}));
  for (const auto& row : rows) {
    window().clearEvents();
    const std::string before = window().text(IDC_DISPLAY);
    ASSERT_EQ(window().window().chooseMenuBar(row.command), platform::HeadlessWindow::Act::Done);
    if (row.caption == nullptr) {
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
