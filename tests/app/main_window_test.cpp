// What the batch transcripts cannot show of the main window: the data exchange itself, the
// system menu and icons, a start without home.txt (the pane names the folder), the two loads of
// the start-up.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "app/resources.h"
#include "platform/gbk.h"
#include "reports/help_texts.h"
#include "tests/support/genealogy_text.h"
#include "tests/support/temp_dir.h"
#include "tests/support/window_harness.h"

namespace quillet {
namespace {

using platform::HeadlessEvent;
using testing::ScopedTempDir;
using testing::WindowHarness;

using MainWindowTest = testing::WindowTest;

TEST_F(MainWindowTest, PullStopsAtAnOverLongTextWithTheStandardBox) {
  WindowHarness& window = this->window();
  window.setText(1028, "17000101");
  window.setText(1029, "王夫人");
  window.setText(1026, "贾宝玉玉");  // 8 bytes, limit 7
  window.setText(1027, "m");         // exchanged after 1026: must not arrive
  window.setText(1021, "贾政");

  EXPECT_FALSE(window.dialog().UpdateData(true));

  const auto boxes = window.messageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "请输入不超过 7 个字符。");
  EXPECT_EQ(boxes[0].caption, platform::applicationName());
  EXPECT_EQ(boxes[0].type & platform::MB_TYPEMASK, platform::MB_OK);
  EXPECT_EQ(window.dialog().birthDateText, "17000101");
  EXPECT_EQ(window.dialog().motherName, "王夫人");
  EXPECT_EQ(window.dialog().birthName, "贾宝玉玉");
  EXPECT_EQ(window.dialog().birthSex, "");
  EXPECT_EQ(window.dialog().relationFirstName, "");
}

TEST_F(MainWindowTest, PullCopiesThePaneAndRadiosSoAnAppendContinuesWhatWasShown) {
  WindowHarness& window = this->window();
  window.check(1007);
  window.check(1016);
  window.type(1021, "贾政");
  ASSERT_TRUE(window.dialog().UpdateData(true));
  EXPECT_EQ(window.dialog().displayText, welcomeText());
  EXPECT_EQ(window.dialog().modifyChoice, 3);
  EXPECT_EQ(window.dialog().queryChoice, 3);
  EXPECT_EQ(window.dialog().relationFirstName, "贾政");

  window.dialog().displayText += "\r\nmore";
  window.dialog().modifyChoice = 1;
  window.dialog().UpdateData(false);
  EXPECT_EQ(window.text(1001), std::string(welcomeText()) + "\r\nmore");
  EXPECT_TRUE(window.isChecked(1005));
  EXPECT_FALSE(window.isChecked(1007));
  window.window().setChecked(1005, false);  // a group with nothing checked pulls -1
  window.dialog().UpdateData(true);
  EXPECT_EQ(window.dialog().modifyChoice, -1);
}

// OK stops at a box too long for its limit (text set by a program, not typed) with the standard
// box, and ends once it is put right; the batch transcripts show the question itself.
TEST_F(MainWindowTest, OkStopsAtAnOverLongTextUntilItIsPutRight) {
  WindowHarness& window = this->window();
  window.setText(1027, "mm");
  window.answerOk();
  window.click(1);
  EXPECT_FALSE(window.ended());
  ASSERT_EQ(window.messageBoxes().size(), 2u);
  EXPECT_EQ(window.messageBoxes()[1].text, "请输入不超过 1 个字符。");
  window.setText(1027, "m");
  window.answerOk();
  EXPECT_TRUE(window.click(1));
  EXPECT_EQ(window.result(), platform::IDOK);
}

// The system menu ends with a separator and the About entry; both icons are set (the batch
// transcripts open the box).
TEST_F(MainWindowTest, SystemMenuHoldsTheAboutEntryAndBothIconsAreSet) {
  const std::vector<std::pair<unsigned, std::string>> menu = {{0, ""}, {16, "关于 Quillet(&A)..."}};
  EXPECT_EQ(window().window().systemMenu(), menu);
  EXPECT_EQ(window().window().iconsSet(), 2);
}

// Each way home.txt cannot be read is named, with where it was looked for. A file of zeros (as
// a sparse file) is refused after its first kNoRecordSpan bytes, before it is read whole.
TEST(MainWindowWithoutGenealogy, OpensWithEmptyTreeAndSaysWhyAndWhereItLooked) {
  const struct {
    const char* arrange;  // a shell command run in the empty folder
    const char* reason;
  } cases[] = {
      {"true", "文件不存在"},
      {"mkdir home.txt", "不是普通文件"},
      {"mkfifo home.txt", "不是普通文件"},
      {"ln -s home.txt home.txt", "符号链接循环"},
      {"truncate -s 1G home.txt", "文件开头没有家谱记录"},
  };
  for (const auto& c : cases) {
    ScopedTempDir dir;
    ASSERT_EQ(std::system(c.arrange), 0) << c.arrange;
    WindowHarness window;
    EXPECT_TRUE(window.treeLines().empty());
    const std::string here = platform::utf8ToGbk(std::filesystem::current_path().string());
    // The reason comes first, where the pane shows it without scrolling.
    const std::string expected = "\r\n      无法读取家谱文件 home.txt（" + std::string(c.reason) +
                                 "），家谱树为空。\r\n      查找的目录：" + here +
                                 std::string(welcomeText());
    EXPECT_EQ(window.text(1001), expected) << c.arrange;
  }
}

// The start also removes what a killed save left (an old unlocked ".home.txt.quillet-XXXXXX").
TEST(MainWindowStartup, SecondLoadAtInitialisationReplacesTheFirstAndNoWindowGivesMinusOne) {
  ScopedTempDir dir;
  testing::writeFile("home.txt", testing::smallClan());
  testing::writeFile(".home.txt.quillet-Ab12Cd", "left by a killed save");
  ASSERT_EQ(std::system("touch -d '1 hour ago' .home.txt.quillet-Ab12Cd"), 0);
  ProcessObjects objects;
  EXPECT_FALSE(testing::fileExists(".home.txt.quillet-Ab12Cd"));
  EXPECT_EQ(objects.tree.personCount(), 10);
  // Between the first load and the window's own, the file changes: the window shows the second.
  testing::writeFile("home.txt", testing::record({.name = "贾演", .generation = '0'}));
  platform::HeadlessBackend backend;
  const platform::ScopedBackend installed(&backend);
  int result = -5;
  EXPECT_FALSE(objects.app.InitInstance(objects, &result));
  EXPECT_EQ(result, 0);  // no driver: the input ended with the window open
  EXPECT_EQ(objects.tree.personCount(), 1);
  // A start-up that could not make its window says so with -1, not with a run's result.
  const platform::ScopedBackend none(nullptr);
  EXPECT_FALSE(objects.app.InitInstance(objects, &result));
  EXPECT_EQ(result, -1);
}

}  // namespace
}  // namespace quillet
