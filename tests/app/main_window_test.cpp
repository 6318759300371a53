// Start-up, data exchange, exit and the About box of the main window, over the headless backend.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/resources.h"
#include "platform/gbk.h"
#include "reports/help_texts.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_genealogy.h"
#include "tests/support/window_harness.h"

namespace quillet {
namespace {

using platform::HeadlessEvent;
using testing::ScopedTempDir;
using testing::WindowHarness;

constexpr int kEditIds[] = {1001, 1002, 1009, 1017, 1021, 1023, 1026,
                            1027, 1028, 1029, 1032, 1033, 1034};
constexpr int kRadioIds[] = {1004, 1005, 1006, 1007, 1008, 1013, 1014, 1015, 1016};

class MainWindowTest : public ::testing::Test {
 protected:
  MainWindowTest() { testing::writeFile("home.txt", testing::smallClan()); }
  ScopedTempDir dir_;
};

TEST_F(MainWindowTest, OpensWithWelcomeTextEmptyBoxesAndFirstRadioOfEachGroup) {
  WindowHarness window;
  EXPECT_EQ(window.text(1001), welcomeText());
  for (int id : kEditIds) {
    if (id != 1001) {
      EXPECT_EQ(window.text(id), "") << id;
    }
  }
  for (int id : kRadioIds) EXPECT_EQ(window.isChecked(id), id == 1004 || id == 1013) << id;
  EXPECT_FALSE(window.ended());
  EXPECT_TRUE(window.messageBoxes().empty());
}

TEST_F(MainWindowTest, SystemMenuEndsWithSeparatorAndAboutEntryAndBothIconsAreSet) {
  WindowHarness window;
  const auto& menu = window.window().systemMenu();
  ASSERT_EQ(menu.size(), 2u);
  EXPECT_EQ(menu[0].first, 0u);
  EXPECT_EQ(menu[0].second, "");
  EXPECT_EQ(menu[1].first, 16u);
  EXPECT_EQ(menu[1].second, "关于 Quillet(&A)...");
  EXPECT_EQ(window.window().iconsSet(), 2);
}

TEST_F(MainWindowTest, PushLimitsTypingToWholeCharactersWithinTheByteLimit) {
  WindowHarness window;
  EXPECT_TRUE(window.type(1026, "贾宝玉玉"));
  EXPECT_EQ(window.text(1026), "贾宝玉");  // the fourth character would need bytes 7 and 8
  EXPECT_TRUE(window.type(1029, "a贾宝玉x"));
  EXPECT_EQ(window.text(1029), "a贾宝玉");
  EXPECT_TRUE(window.type(1027, "mf"));
  EXPECT_EQ(window.text(1027), "m");
  EXPECT_TRUE(window.type(1028, "1700010199"));
  EXPECT_EQ(window.text(1028), "17000101");
  EXPECT_TRUE(window.type(1034, "170001019"));
  EXPECT_EQ(window.text(1034), "17000101");
  for (int id : {1032, 1033}) {
    EXPECT_TRUE(window.type(id, "王熙凤凤"));
    EXPECT_EQ(window.text(id), "王熙凤");
  }
  const std::string longText(300, 'x');
  for (int id : {1002, 1009, 1017, 1021, 1023}) {
    EXPECT_TRUE(window.type(id, longText));
    EXPECT_EQ(window.text(id), longText) << id;
  }
}

TEST_F(MainWindowTest, PullStopsAtAnOverLongTextWithTheStandardBox) {
  WindowHarness window;
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
  WindowHarness window;
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
}

TEST_F(MainWindowTest, RadioGroupWithNothingCheckedPullsMinusOne) {
  WindowHarness window;
  window.window().setChecked(1004, false);
  window.dialog().UpdateData(true);
  EXPECT_EQ(window.dialog().modifyChoice, -1);
  EXPECT_EQ(window.dialog().queryChoice, 0);
}

TEST_F(MainWindowTest, ExitQuestionAnsweredCancelChangesNothing) {
  WindowHarness window;
  window.type(1017, "贾政");
  window.check(1015);
  window.answerCancel();
  window.keyEnter();

  const auto boxes = window.messageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "　您真正想退出程序吗?");
  EXPECT_EQ(boxes[0].caption, "Morvane提示");
  EXPECT_EQ(boxes[0].type, platform::MB_OKCANCEL | platform::MB_DEFBUTTON2);
  EXPECT_EQ(boxes[0].answer, platform::IDCANCEL);
  EXPECT_FALSE(window.ended());
  EXPECT_EQ(window.text(1017), "贾政");
  EXPECT_TRUE(window.isChecked(1015));
  EXPECT_EQ(window.text(1001), welcomeText());
}

TEST_F(MainWindowTest, ExitQuestionDefaultsToCancel) {
  WindowHarness window;
  window.click(1);
  ASSERT_EQ(window.messageBoxes().size(), 1u);
  EXPECT_EQ(window.messageBoxes()[0].answer, platform::IDCANCEL);
  EXPECT_FALSE(window.ended());
}

TEST_F(MainWindowTest, ExitQuestionAnsweredOkEndsWithIdOk) {
  WindowHarness window;
  window.answerOk();
  EXPECT_TRUE(window.click(1));
  EXPECT_TRUE(window.ended());
  EXPECT_EQ(window.result(), platform::IDOK);
}

TEST_F(MainWindowTest, ExitAnsweredOkStaysOpenWhenThePullFails) {
  WindowHarness window;
  window.setText(1027, "mm");
  window.answerOk();
  window.keyEnter();
  EXPECT_FALSE(window.ended());
  ASSERT_EQ(window.messageBoxes().size(), 2u);
  EXPECT_EQ(window.messageBoxes()[1].text, "请输入不超过 1 个字符。");
}

TEST_F(MainWindowTest, EscAndCloseBoxEndAtOnceWithoutQuestion) {
  {
    WindowHarness window;
    window.setText(1027, "mm");  // no pull: the over-long text does not stop Esc
    window.keyEsc();
    EXPECT_TRUE(window.ended());
    EXPECT_EQ(window.result(), platform::IDCANCEL);
    EXPECT_TRUE(window.events().empty());
  }
  {
    WindowHarness window;
    window.close();
    EXPECT_TRUE(window.ended());
    EXPECT_EQ(window.result(), platform::IDCANCEL);
    EXPECT_TRUE(window.events().empty());
  }
}

TEST_F(MainWindowTest, AboutEntryOpensAndClosesTheAboutBoxLeavingTheWindowAsItWas) {
  WindowHarness window;
  window.type(1021, "贾政");
  window.sysCommand(16);
  window.sysCommand(16 | 0x3);  // the low four bits are the system's own
  const auto& events = window.events();
  ASSERT_EQ(events.size(), 4u);
  for (int i = 0; i < 4; i += 2) {
    EXPECT_EQ(events[i].kind, HeadlessEvent::Kind::DialogOpened);
    EXPECT_EQ(events[i].dialogId, 100);
    EXPECT_EQ(events[i].caption, "关于 Quillet");
    EXPECT_EQ(events[i + 1].kind, HeadlessEvent::Kind::DialogClosed);
  }
  EXPECT_FALSE(window.ended());
  EXPECT_EQ(window.text(1021), "贾政");
  EXPECT_EQ(window.text(1001), welcomeText());
}

TEST_F(MainWindowTest, UnknownIdsAndWrongKindsAreRefused) {
  WindowHarness window;
  EXPECT_FALSE(window.click(1001));
  EXPECT_FALSE(window.click(4242));
  EXPECT_FALSE(window.type(1019, "x"));
  EXPECT_FALSE(window.type(1001, "x"));  // the pane is read-only
  EXPECT_FALSE(window.check(1017));
  EXPECT_TRUE(window.events().empty());
}

TEST(MainWindowWithoutGenealogy, OpensWithEmptyTreeAndSaysWhereItLooked) {
  ScopedTempDir dir;
  WindowHarness window;
  EXPECT_TRUE(window.treeLines().empty());
  const std::string here = platform::utf8ToGbk(std::filesystem::current_path().string());
  // The reason comes first, where the pane shows it without scrolling.
  const std::string expected =
      "\r\n      无法读取家谱文件 home.txt，家谱树为空。\r\n      查找的目录：" + here +
      std::string(welcomeText());
  EXPECT_EQ(window.text(1001), expected);
}

TEST(MainWindowStartup, SecondLoadAtInitialisationReplacesTheFirst) {
  ScopedTempDir dir;
  testing::writeFile("home.txt", testing::smallClan());
  ProcessObjects objects;
  EXPECT_EQ(objects.tree.personCount(), 10);
  // Between the first load and the window's own, the file changes: the window shows the second.
  testing::writeFile("home.txt", testing::memberRecord("贾演  ", '0', testing::kNobody, 'm'));
  platform::HeadlessBackend backend;
  const platform::ScopedBackend installed(&backend);
  int result = -5;
  EXPECT_FALSE(objects.app.InitInstance(objects, &result));
  EXPECT_EQ(result, 0);  // no driver: the input ended with the window open
  EXPECT_EQ(objects.tree.personCount(), 1);
}

// A start-up that could not make its window says so with -1, not with a run's result.
TEST(MainWindowStartup, NoWindowWithoutABackendGivesMinusOne) {
  ScopedTempDir dir;
  ProcessObjects objects;
  const platform::ScopedBackend none(nullptr);
  int result = 0;
  EXPECT_FALSE(objects.app.InitInstance(objects, &result));
  EXPECT_EQ(result, -1);
}

}  // namespace
}  // namespace quillet
