// 打开家谱 and 最近打开 over the headless backend: the question about unsaved changes first, the
// chooser's answer (a folder or its home.txt; a folder without one brings the chooser back), the
// genealogy opened as at start-up (title, tree, welcome, history and path gone, views kept), and
// the list of the genealogies opened last (newest first, at most eight, a missing one said so and
// dropped).
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/resources.h"
#include "platform/gbk.h"
#include "reports/help_texts.h"
#include "tests/support/genealogy_text.h"
#include "tests/support/window_harness.h"

namespace quillet {
namespace {

namespace fs = std::filesystem;
using testing::WindowHarness;
using OpenEntryTest = testing::WindowTest;

// A clan of two under another surname in `folder`.
void writeOtherClan(const std::string& folder, const char* root = "林如海") {
  fs::create_directories(folder);
  testing::writeFile(folder + "/home.txt",
                     testing::records({{.name = root, .generation = '0'},
                                       {.name = "林黛玉", .father = root, .sex = 'f'}}));
}

std::string gbkPath(const fs::path& path) { return platform::utf8ToGbk(path.string()); }

TEST_F(OpenEntryTest, AsksAboutUnsavedChangesFirstThenOpensAsAtStartUp) {
  writeOtherClan("other");
  const fs::path start = fs::current_path();
  WindowHarness& w = window();
  EXPECT_EQ(w.window().title(), "《贾氏家谱》 — " + gbkPath(start) + " — Quillet");
  // An unsaved birth, a marked kinship path and the 农历日期 view.
  w.type(IDC_BIRTH_NAME, "贾兰");
  w.type(IDC_BIRTH_SEX, "m");
  w.type(IDC_BIRTH_DATE, "17800101");
  w.type(IDC_MOTHER_NAME, "王夫人");
  w.click(IDC_ADD_CHILD);
  w.type(IDC_RELATION_FIRST, "贾兰");
  w.type(IDC_RELATION_SECOND, "贾敏");
  w.click(IDC_RELATION_QUERY);
  ASSERT_FALSE(w.dialog().markedItems().empty());
  w.window().chooseMenuBar(ID_VIEW_CHINESE_DATES);
  // 取消 keeps everything, and no chooser opens.
  w.clearEvents();
  w.answer(platform::IDCANCEL);
  w.answerFolderName("other");
  w.window().keyCtrl('O');
  ASSERT_EQ(w.events().size(), 1u);
  EXPECT_EQ(w.events()[0].text, "　家谱有尚未保存的修改，打开另一家谱前要保存吗?");
  EXPECT_EQ(fs::current_path(), start);
  // 否: the chooser (for a genealogy), then the other clan as at start-up.
  w.clearEvents();
  w.answer(platform::IDNO);
  w.window().keyCtrl('O');
  ASSERT_EQ(w.events().size(), 2u);
  EXPECT_EQ(w.events()[1].kind, platform::HeadlessEvent::Kind::FileChooser);
  EXPECT_EQ(w.events()[1].type, static_cast<unsigned>(platform::FolderChoice::kGenealogy));
  const fs::path other = start / "other";
  EXPECT_EQ(fs::current_path(), other);
  EXPECT_EQ(w.treeLines(), (std::vector<std::string>{"0 e 0 林如海", "1 - 1 林黛玉"}));
  EXPECT_EQ(w.text(IDC_DISPLAY), welcomeText());
  EXPECT_EQ(w.window().title(), "《林氏家谱》 — " + gbkPath(other) + " — Quillet");
  EXPECT_FALSE(tree().hasUnsavedChanges());
  EXPECT_FALSE(tree().canUndo() || tree().canRedo());
  EXPECT_EQ(w.window().commandEntry(ID_EDIT_UNDO)->enabled, false);
  EXPECT_TRUE(w.dialog().markedItems().empty());
  EXPECT_TRUE(w.dialog().showsChineseDates());
  EXPECT_EQ(w.window().menuBarList(ID_FILE_RECENT),
            (std::vector<std::string>{gbkPath(other), gbkPath(start)}));
  // The birth was not saved.
  EXPECT_EQ(testing::readFile((start / "home.txt").string()), testing::smallClanFile());
}

// The chooser may name the folder's home.txt; a folder without one says so and asks again.
TEST_F(OpenEntryTest, ChooserTakesAHomeTxtAndComesBackForAFolderWithoutOne) {
  writeOtherClan("other");
  fs::create_directories("empty");
  const fs::path start = fs::current_path();
  WindowHarness& w = window();
  w.answerFolderName("empty");
  w.answerFolderName((start / "other" / "home.txt").string());
  ASSERT_EQ(w.window().chooseMenuBar(ID_FILE_OPEN), platform::HeadlessWindow::Act::Done);
  ASSERT_EQ(w.messageBoxes().size(), 1u);
  EXPECT_EQ(w.messageBoxes()[0].text, "所选文件夹中没有家谱文件 home.txt，请另选：\r\nempty");
  EXPECT_EQ(w.events().size(), 3u);  // chooser, box, chooser
  EXPECT_EQ(fs::current_path(), start / "other");
  EXPECT_EQ(w.treeLines().at(0), "0 e 0 林如海");
}

// 最近打开: newest first, each folder once, at most eight; an entry opens its genealogy, one no
// longer there is said so and dropped without the question.
TEST_F(OpenEntryTest, RecentListKeepsTheLastEightAndDropsOneThatIsGone) {
  const fs::path start = fs::current_path();
  std::vector<std::string> opened;  // newest first
  for (int i = 1; i <= 8; ++i) {
    writeOtherClan(start / ("clan" + std::to_string(i)));
    opened.insert(opened.begin(), gbkPath(start / ("clan" + std::to_string(i))));
  }
  WindowHarness& w = window();
  for (int i = 1; i <= 8; ++i) {
    w.answerFolderName((start / ("clan" + std::to_string(i))).string());
    w.window().chooseMenuBar(ID_FILE_OPEN);
  }
  EXPECT_EQ(w.window().menuBarList(ID_FILE_RECENT), opened);  // the start folder dropped
  // The fourth entry (clan5) opens; it heads the list again.
  ASSERT_EQ(w.window().chooseMenuBar(ID_FILE_RECENT + 4), platform::HeadlessWindow::Act::Done);
  EXPECT_EQ(fs::current_path(), start / "clan5");
  EXPECT_EQ(w.window().menuBarList(ID_FILE_RECENT).front(), gbkPath(start / "clan5"));
  EXPECT_EQ(w.window().menuBarList(ID_FILE_RECENT).size(), 8u);
  // An unsaved change, then clan2 gone: said so and dropped, with no question and nothing opened.
  w.type(IDC_MODIFY_NAME, "林黛玉");
  w.check(IDC_MODIFY_CHOICE + 3);
  w.type(IDC_MODIFY_PARAM, "17610101");
  w.click(IDC_MODIFY);
  fs::remove_all(start / "clan2");
  w.clearEvents();
  const std::vector<std::string> before = w.window().menuBarList(ID_FILE_RECENT);
  ASSERT_EQ(before.back(), gbkPath(start / "clan1"));
  ASSERT_EQ(before[6], gbkPath(start / "clan2"));
  w.window().chooseMenuBar(ID_FILE_RECENT + 7);
  ASSERT_EQ(w.messageBoxes().size(), 1u);
  EXPECT_EQ(w.messageBoxes()[0].text,
            "找不到家谱：" + gbkPath(start / "clan2") +
                "\r\n文件夹或其中的家谱文件 home.txt 已不在，已从最近打开的列表中删去。");
  EXPECT_EQ(fs::current_path(), start / "clan5");
  EXPECT_EQ(w.window().menuBarList(ID_FILE_RECENT).size(), 7u);
  EXPECT_EQ(w.backend().recent().entries().size(), 7u);
  // clan1, now the seventh: the question first (取消: it stays), then 是 saves and opens.
  w.clearEvents();
  w.answer(platform::IDCANCEL);
  w.window().chooseMenuBar(ID_FILE_RECENT + 7);
  EXPECT_EQ(fs::current_path(), start / "clan5");
  w.answer(platform::IDYES);
  w.window().chooseMenuBar(ID_FILE_RECENT + 7);
  EXPECT_EQ(fs::current_path(), start / "clan1");
  EXPECT_NE(testing::readFile((start / "clan5" / "home.txt").string()).find("17610101"),
            std::string::npos);
  // An entry past the list's end is no entry.
  EXPECT_EQ(w.window().chooseMenuBar(ID_FILE_RECENT + 8), platform::HeadlessWindow::Act::UnknownId);
}

}  // namespace
}  // namespace quillet
