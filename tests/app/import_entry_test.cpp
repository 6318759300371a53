// The context menu's GEDCOM import over the headless backend: the choosers' answers, the report's
// 取消 (nothing written) and 导入 (written, opened, the tree showing the new clan), the question
// about unsaved changes before the window's genealogy is replaced, and the refusals.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "app/resources.h"
#include "reports/help_texts.h"
#include "tests/support/genealogy_text.h"
#include "tests/support/window_harness.h"

namespace quillet {
namespace {

using testing::WindowHarness;
using ImportEntryTest = testing::WindowTest;

// A GBK file labelled ANSI: the window reads it in the set that decodes it, and says so.
std::string gbkClan() {
  return testing::readFile(testing::sourcePath("tests/import/cases/charset-ansi-gbk.ged"));
}

const std::string kImported = "0 e 0 孔德庸";  // the new root's tree line

void birthThenImport(WindowHarness& window) {
  window.type(IDC_BIRTH_NAME, "贾兰");
  window.type(IDC_BIRTH_SEX, "m");
  window.type(IDC_BIRTH_DATE, "17800101");
  window.type(IDC_MOTHER_NAME, "王夫人");
  window.click(IDC_ADD_CHILD);
  window.clearEvents();
  window.answerFileName("clan.ged");
  window.answerFolderName("new");
  window.chooseContextMenu(ID_IMPORT_GEDCOM);
}

TEST_F(ImportEntryTest, CancelInTheReportWritesNothingAndKeepsTheTree) {
  testing::writeFile("clan.ged", gbkClan());
  WindowHarness& w = window();
  const std::vector<std::string> before = w.treeLines();
  w.answerReport(false);
  const std::string here = std::filesystem::current_path().string();
  birthThenImport(w);
  ASSERT_EQ(w.events().size(), 3u);  // two choosers and the report
  const platform::HeadlessEvent& report = w.events()[2];
  EXPECT_EQ(report.kind, platform::HeadlessEvent::Kind::Report);
  EXPECT_NE(report.text.find("始祖 @I1@ 孔德庸 的世系，共 4 人"), std::string::npos);
  EXPECT_NE(report.text.find("\n文件的字符集 CHAR ANSI 没有说明是哪一种，又不是 UTF-8：按 GB18030 "
                             "读取，这是能完整解码全文的第一种字符集"),
            std::string::npos);
  EXPECT_FALSE(testing::fileExists("new/home.txt"));
  EXPECT_EQ(std::filesystem::current_path().string(), here);
  EXPECT_TRUE(tree().hasUnsavedChanges());
  EXPECT_NE(w.treeLines(), before);  // the birth is still shown
  EXPECT_EQ(w.treeLines().size(), before.size() + 1);
}

// 导入 asks about the unsaved birth first: 取消 stops, 否 drops it, 是 saves it before the import.
TEST_F(ImportEntryTest, ImportAsksAboutUnsavedChangesThenWritesAndOpensTheNewClan) {
  testing::writeFile("clan.ged", gbkClan());
  const std::string oldHome = testing::readFile("home.txt");
  struct Case {
    int answer;
    bool imported;
    bool birthSaved;
  };
  for (const Case c : {Case{platform::IDCANCEL, false, false}, Case{platform::IDNO, true, false},
                       Case{platform::IDYES, true, true}}) {
    std::filesystem::remove_all("new");
    const std::string here = std::filesystem::current_path().string();
    WindowHarness w;
    w.answerReport(true);
    w.answer(c.answer);
    birthThenImport(w);
    const auto boxes = w.messageBoxes();
    ASSERT_EQ(boxes.size(), 1u) << c.answer;
    EXPECT_EQ(boxes[0].text, "　家谱有尚未保存的修改，导入前要保存吗?");
    EXPECT_EQ(testing::fileExists(here + "/new/home.txt"), c.imported) << c.answer;
    EXPECT_EQ(testing::readFile(here + "/home.txt") != oldHome, c.birthSaved) << c.answer;
    if (c.imported) {
      EXPECT_EQ(std::filesystem::current_path(), std::filesystem::path(here) / "new");
      ASSERT_FALSE(w.treeLines().empty());
      EXPECT_EQ(w.treeLines()[0], kImported);
      EXPECT_FALSE(w.objects().tree.hasUnsavedChanges());
      EXPECT_EQ(w.text(IDC_DISPLAY), "已导入 clan.ged，写入家谱文件：" + here +
                                         "/new/home.txt\r\n收录4人\r\n" +
                                         std::string(welcomeText()));
    }
    std::filesystem::current_path(here);
    testing::writeFile("home.txt", oldHome);
  }
}

// A GBK file that says CHAR BIG5 (which decodes it into rare characters): the window asks which
// set to use. 是 reads it in GB18030, 否 as the file says, 取消 ends the import.
TEST_F(ImportEntryTest, ALyingCharAsksWhichCharacterSetToUse) {
  testing::writeFile(
      "clan.ged",
      testing::readFile(testing::sourcePath("tests/import/cases/charset-big5-holding-gbk.ged")));
  for (const int answer : {platform::IDYES, platform::IDNO, platform::IDCANCEL}) {
    WindowHarness w;
    w.answerReport(false);
    w.answer(answer);
    w.answerFileName("clan.ged");
    w.answerFolderName("new");
    w.chooseContextMenu(ID_IMPORT_GEDCOM);
    const auto boxes = w.messageBoxes();
    ASSERT_EQ(boxes.size(), 1u) << answer;
    EXPECT_EQ(boxes[0].text,
              "文件声明的字符集是 BIG5，但按 GB18030 读取时常用汉字多得多，文件可能是 GB18030 "
              "编码的。\r\n按 GB18030 读取吗？（否：按 BIG5 读取）");
    const auto& events = w.events();
    const bool reported = events.back().kind == platform::HeadlessEvent::Kind::Report;
    EXPECT_EQ(reported, answer != platform::IDCANCEL) << answer;
    if (!reported) continue;
    const std::string& report = events.back().text;
    EXPECT_EQ(report.find("始祖 @I1@ 贾演 的世系") != std::string::npos, answer == platform::IDYES)
        << answer;
    EXPECT_EQ(report.find("\n文件声明的字符集是 BIG5，按 GB18030 读取") != std::string::npos,
              answer == platform::IDYES);
  }
}

// A file without CHAR is read as one labelled ANSI is, and the report says why either way.
TEST_F(ImportEntryTest, TheReportSaysWhichSetAFileIsReadInThatDoesNotSayItsOwn) {
  std::string unlabelled = gbkClan();
  const std::size_t label = unlabelled.find("1 CHAR ANSI");
  ASSERT_NE(label, std::string::npos);
  unlabelled.erase(label, unlabelled.find('\n', label) + 1 - label);
  testing::writeFile("clan.ged", unlabelled);
  WindowHarness& w = window();
  w.answerFileName("clan.ged");
  w.answerFolderName("new");
  w.chooseContextMenu(ID_IMPORT_GEDCOM);
  ASSERT_EQ(w.events().size(), 3u);
  EXPECT_NE(w.events()[2].text.find("\n文件没有说明字符集（没有 CHAR），又不是 UTF-8：按 GB18030 "
                                    "读取，这是能完整解码全文的第一种字符集"),
            std::string::npos)
      << testing::readable(w.events()[2].text);
}

// A folder that is not empty says so and brings the folder chooser back (the file chosen stays);
// a new folder's name is taken, and the folder made when the import is written.
TEST_F(ImportEntryTest, AFolderThatIsNotEmptyBringsTheChooserBackAndANewOneIsMade) {
  testing::writeFile("clan.ged", gbkClan());
  std::filesystem::create_directories("full/sub");
  const std::string here = std::filesystem::current_path().string();
  WindowHarness& w = window();
  w.answerFileName("clan.ged");
  w.answerFolderName("full");
  w.answerFolderName("full");
  w.answerFolderName("made/new");  // neither exists yet
  w.answerReport(true);
  ASSERT_TRUE(w.chooseContextMenu(ID_IMPORT_GEDCOM));
  using Kind = platform::HeadlessEvent::Kind;
  std::vector<Kind> kinds;
  for (const platform::HeadlessEvent& event : w.events()) kinds.push_back(event.kind);
  EXPECT_EQ(kinds, (std::vector<Kind>{Kind::FileChooser, Kind::FileChooser, Kind::MessageBox,
                                      Kind::FileChooser, Kind::MessageBox, Kind::FileChooser,
                                      Kind::Report}));
  EXPECT_TRUE(w.messageBoxes()[0].text.starts_with("所选文件夹不是空的"));
  EXPECT_TRUE(testing::fileExists(here + "/made/new/home.txt"));
  EXPECT_EQ(w.treeLines().at(0), kImported);
}

// A file that cannot be read or is not GEDCOM: a warning, nothing written; cancelled choosers
// end the import quietly.
TEST_F(ImportEntryTest, RefusalsWarnAndWriteNothing) {
  testing::writeFile("clan.ged", gbkClan());
  testing::writeFile("notes.ged", "not a genealogy\n");
  WindowHarness& w = window();
  struct Case {
    const char* file;
    const char* folder;
    std::string warning;
  };
  const Case cases[] = {
      {"missing.ged", "a", "无法读取文件 missing.ged："},
      {"notes.ged", "b", "无法导入 notes.ged：\r\nline 1: no level number"},
  };
  for (const Case& c : cases) {
    w.clearEvents();
    w.answerFileName(c.file);
    w.answerFolderName(c.folder);
    ASSERT_TRUE(w.chooseContextMenu(ID_IMPORT_GEDCOM));
    ASSERT_EQ(w.messageBoxes().size(), 1u) << c.file;
    EXPECT_TRUE(w.messageBoxes()[0].text.starts_with(c.warning)) << w.messageBoxes()[0].text;
    EXPECT_EQ(w.text(IDC_DISPLAY), "未能导入GEDCOM\r\n" + w.messageBoxes()[0].text);
    EXPECT_FALSE(testing::fileExists(std::string(c.folder) + "/home.txt"));
  }
  w.clearEvents();
  w.answerFileName("clan.ged");  // the folder chooser is then cancelled
  ASSERT_TRUE(w.chooseContextMenu(ID_IMPORT_GEDCOM));
  EXPECT_EQ(w.events().size(), 2u);
  EXPECT_TRUE(w.messageBoxes().empty());
}

}  // namespace
}  // namespace quillet
