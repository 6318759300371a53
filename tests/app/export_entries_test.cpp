// The context menu's exports over the headless backend: the entries, the chooser's answer
// deciding file and format, the warning when nothing can be written, and the book's progress
// dialog.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "app/resources.h"
#include "gedcom/tree_export.h"
#include "reports/book_layout.h"
#include "tests/support/window_harness.h"

namespace quillet {
namespace {

using testing::WindowHarness;

using ExportEntriesTest = testing::WindowTest;

// The context menu offers the exports after a separator. Each entry writes the tree as the
// window holds it, an unsaved birth included, in the format its chooser's filter names, showing
// the living as the choice dialog's answer says, and shows no box; the chart's says in the pane
// what it wrote. A cancelled choice writes nothing.
TEST_F(ExportEntriesTest, EachEntryWritesTheWindowsTreeInTheChosenFormat) {
  struct Case {
    int entry;
    std::size_t filter;
    const char* file;
    const char* caption;
    const char* suggested;
    ExportKind kind;
    std::optional<std::size_t> choice;  // none queued: the first, everything shown
    LivingPersons living;
    const char* pane;  // what the pane says once it is written
  };
  const Case cases[] = {
      {ID_EXPORT_GEDCOM,
       0,
       "a.ged",
       "导出 GEDCOM",
       "clan.ged",
       ExportKind::kGedcom70,
       {},
       LivingPersons::kShow,
       "已导出GEDCOM 7.0：a.ged\r\n收录11人"},
      {ID_EXPORT_GEDCOM, 1, "b.ged", "导出 GEDCOM", "clan.ged", ExportKind::kGedcom551, 1,
       LivingPersons::kName, "已导出GEDCOM 5.5.1：b.ged\r\n收录11人"},
      {ID_EXPORT_CHART, 0, "c.svg", "导出世系图", "chart.svg", ExportKind::kChartSvg, 2,
       LivingPersons::kHide, "已导出世系图：c.svg\r\n收录1人"}};
  WindowHarness window;
  const std::vector<std::pair<unsigned, std::string>> menu = {
      {0, ""},
      {ID_EXPORT_GEDCOM, "导出GEDCOM..."},
      {ID_EXPORT_CHART, "导出世系图..."},
      {ID_EXPORT_BOOK, "导出家谱书(PDF)..."},
      {ID_IMPORT_GEDCOM, "导入GEDCOM..."},
      {0, ""},
      {ID_EDIT_UNDO, "撤销"},
      {ID_EDIT_REDO, "恢复"}};
  EXPECT_EQ(window.window().contextMenu(), menu);
  window.type(IDC_BIRTH_NAME, "贾兰");
  window.type(IDC_BIRTH_SEX, "m");
  window.type(IDC_BIRTH_DATE, "17800101");
  window.type(IDC_MOTHER_NAME, "王夫人");
  window.click(IDC_ADD_CHILD);
  const FamilyTree& tree = window.objects().tree;
  ASSERT_TRUE(tree.hasUnsavedChanges());
  for (const Case& c : cases) {
    window.clearEvents();
    window.answerFileName(c.file, c.filter);
    if (c.choice) window.answerChoice(c.choice);
    ASSERT_TRUE(window.chooseContextMenu(c.entry));
    ASSERT_TRUE(exportToFile(tree, c.kind, "expected", false, c.living).ok());
    EXPECT_EQ(testing::readFile(c.file), testing::readFile("expected")) << c.file;
    ASSERT_EQ(window.events().size(), 2u) << c.file;  // the chooser, the choice, and no box
    EXPECT_EQ(window.events()[0].caption, c.caption);
    EXPECT_EQ(window.events()[0].text, c.suggested);
    EXPECT_EQ(window.events()[1].kind, platform::HeadlessEvent::Kind::Choice);
    EXPECT_EQ(window.events()[1].caption, c.caption);
    EXPECT_EQ(window.text(IDC_DISPLAY), c.pane);
  }
  // The small clan and the birth: 11 persons, 10 of them living; the chart left them out.
  EXPECT_EQ(window.events()[1].text,
            "家谱中有10位在世之人。导出时，他们的信息如何处理？\n照常导出：姓名、生卒日期与传记\n"
            "只导出姓名，不出生卒日期与传记\n不导出，其位以“某”代之（妻为“某氏”）");
  EXPECT_EQ(window.text(IDC_DISPLAY), "已导出世系图：c.svg\r\n收录1人");
  window.answerFileName("d.svg");
  window.answerChoice(std::nullopt);
  ASSERT_TRUE(window.chooseContextMenu(ID_EXPORT_CHART));
  EXPECT_FALSE(testing::fileExists("d.svg"));
}

// A cancelled chooser writes nothing and warns of nothing; a failed export says why, in a box and
// in the pane, which keeps it.
TEST_F(ExportEntriesTest, WarningSaysWhyNothingWasWritten) {
  {
    WindowHarness window;
    ASSERT_TRUE(window.chooseContextMenu(ID_EXPORT_CHART));  // no file name: cancelled
    EXPECT_TRUE(window.messageBoxes().empty());
    window.answerFileName("no-such-folder/clan.ged");
    ASSERT_TRUE(window.chooseContextMenu(ID_EXPORT_GEDCOM));
    ASSERT_EQ(window.messageBoxes().size(), 1u);
    EXPECT_EQ(window.messageBoxes()[0].caption, "导出");
    EXPECT_EQ(window.messageBoxes()[0].text,
              "无法写入文件：no-such-folder/clan.ged（文件夹不存在）");
    EXPECT_EQ(window.messageBoxes()[0].type, platform::MB_OK | platform::MB_ICONEXCLAMATION);
    EXPECT_EQ(window.text(IDC_DISPLAY),
              "未能导出GEDCOM 7.0\r\n无法写入文件：no-such-folder/clan.ged（文件夹不存在）");
    window.answerFileName("../home.txt");  // another folder's genealogy
    ASSERT_TRUE(window.chooseContextMenu(ID_EXPORT_GEDCOM));
    ASSERT_EQ(window.messageBoxes().size(), 2u);
    EXPECT_EQ(window.messageBoxes()[1].text, "这是一个家谱文件，不能用导出覆盖：../home.txt");
  }
  testing::writeFile("home.txt", "");
  WindowHarness empty;
  empty.answerFileName("clan.svg");
  ASSERT_TRUE(empty.chooseContextMenu(ID_EXPORT_CHART));
  ASSERT_EQ(empty.messageBoxes().size(), 1u);
  EXPECT_EQ(empty.messageBoxes()[0].text, "家谱中没有始祖，无可导出。");
  EXPECT_EQ(empty.text(IDC_DISPLAY), "未能导出世系图\r\n家谱中没有始祖，无可导出。");
  EXPECT_FALSE(testing::fileExists("clan.svg"));
}

// The book is written under a progress dialog. Cancelling it leaves no file behind and an old
// file as it was; a file the program reads is refused with the other exports' warning.
TEST_F(ExportEntriesTest, TheBooksProgressDialogCancelsWithoutLeavingAFile) {
  using platform::HeadlessEvent;
  WindowHarness window;
  testing::writeFile("old.pdf", "old");
  auto files = [] {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(".")) {
      names.insert(entry.path().filename().string());
    }
    return names;
  };
  const std::set<std::string> before = files();
  window.answerFileName("old.pdf");
  window.cancelProgressAt(2);
  ASSERT_TRUE(window.chooseContextMenu(ID_EXPORT_BOOK));
  EXPECT_EQ(testing::readFile("old.pdf"), "old");
  EXPECT_EQ(files(), before);
  // The chooser, the living's choice and the progress dialog, no box.
  ASSERT_EQ(window.events().size(), 3u);
  EXPECT_EQ(window.events()[0].caption, "导出家谱书");
  EXPECT_EQ(window.events()[0].text, "clan.pdf");
  EXPECT_EQ(window.events()[1].kind, HeadlessEvent::Kind::Choice);
  EXPECT_EQ(window.events()[2].kind, HeadlessEvent::Kind::Progress);
  EXPECT_EQ(window.events()[2].answer, platform::IDCANCEL);
  EXPECT_EQ(window.text(IDC_DISPLAY), "已取消导出家谱书，没有写入文件：old.pdf");

  // Written, with the living by name: the pane says where, how many pages and persons.
  window.clearEvents();
  window.answerFileName("old.pdf");
  window.answerChoice(1);
  ASSERT_TRUE(window.chooseContextMenu(ID_EXPORT_BOOK));
  EXPECT_TRUE(testing::readFile("old.pdf").starts_with("%PDF-"));
  ASSERT_EQ(window.events().size(), 3u);
  EXPECT_EQ(window.events()[2].kind, HeadlessEvent::Kind::Progress);
  EXPECT_EQ(window.events()[2].answer, platform::IDOK);
  EXPECT_GT(window.events()[2].type, 0u);  // the steps of its bar
  BookLayout layout;
  ASSERT_TRUE(layout.plan(window.objects().tree, {.living = LivingPersons::kName}));
  EXPECT_EQ(window.text(IDC_DISPLAY),
            "已导出家谱书：old.pdf\r\n共" + std::to_string(layout.pages()) + "页，收录10人");

  window.answerFileName("home.txt");
  ASSERT_TRUE(window.chooseContextMenu(ID_EXPORT_BOOK));
  ASSERT_EQ(window.messageBoxes().size(), 1u);
  EXPECT_EQ(window.messageBoxes()[0].text, "这是本程序读取的文件，不能用导出覆盖：home.txt");
  EXPECT_EQ(testing::readFile("home.txt"), testing::smallClanFile());
}

}  // namespace
}  // namespace quillet
