// Start-up, data exchange, exit, the About box and the welcome text of the main window, over the
// headless backend.
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

constexpr int kEditIds[] = {1001, 1002, 1009, 1017, 1021, 1023, 1026,
                            1027, 1028, 1029, 1032, 1033, 1034};
constexpr int kRadioIds[] = {1004, 1005, 1006, 1007, 1008, 1013, 1014, 1015, 1016};

using MainWindowTest = testing::WindowTest;

TEST_F(MainWindowTest, OpensWithWelcomeTextEmptyBoxesAndFirstRadioOfEachGroupAndRefusesUnknownIds) {
  WindowHarness& window = this->window();
  EXPECT_EQ(window.text(1001), welcomeText());
  for (int id : kEditIds) {
    if (id != 1001) {
      EXPECT_EQ(window.text(id), "") << id;
    }
  }
  for (int id : kRadioIds) EXPECT_EQ(window.isChecked(id), id == 1004 || id == 1013) << id;
  EXPECT_FALSE(window.ended());
  // Unknown ids and controls of the wrong kind are refused.
  EXPECT_FALSE(window.click(1001) || window.click(4242) || window.check(1017));
  EXPECT_FALSE(window.type(1019, "x") || window.type(1001, "x"));  // the pane is read-only
  EXPECT_TRUE(window.events().empty());
}

// Typing keeps what fits each box's limit in GBK bytes, in whole characters: the fourth
// character of 贾宝玉玉 would need bytes 7 and 8 of a 7-byte box.
TEST_F(MainWindowTest, PushLimitsTypingToWholeCharactersWithinTheByteLimit) {
  WindowHarness& window = this->window();
  const std::string longText(300, 'x');
  const struct {
    int id;
    std::string typed, kept;
  } cases[] = {
      {1026, "贾宝玉玉", "贾宝玉"},
      {1029, "a贾宝玉x", "a贾宝玉"},
      {1027, "mf", "m"},
      {1028, "1700010199", "17000101"},
      {1034, "170001019", "17000101"},
      {1032, "王熙凤凤", "王熙凤"},
      {1033, "王熙凤凤", "王熙凤"},
  };
  for (const auto& c : cases) {
    EXPECT_TRUE(window.type(c.id, c.typed));
    EXPECT_EQ(window.text(c.id), c.kept) << c.id;
  }
  for (int id : {1002, 1009, 1017, 1021, 1023}) {  // no limit
    EXPECT_TRUE(window.type(id, longText));
    EXPECT_EQ(window.text(id), longText) << id;
  }
}

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

// Enter and the OK button ask first (the batch runs show the question and its default, Cancel);
// Cancel leaves the window as it was, and OK ends with IDOK unless the pull of the boxes fails.
TEST_F(MainWindowTest, ExitQuestionDecidesTheEnd) {
  WindowHarness& window = this->window();
  window.type(1017, "贾政");
  window.check(1015);
  window.answerCancel();
  window.keyEnter();
  EXPECT_FALSE(window.ended());
  EXPECT_EQ(window.text(1017), "贾政");
  EXPECT_TRUE(window.isChecked(1015));
  EXPECT_EQ(window.text(1001), welcomeText());

  window.setText(1027, "mm");
  window.answerOk();
  window.click(1);
  EXPECT_FALSE(window.ended());
  ASSERT_EQ(window.messageBoxes().size(), 3u);
  EXPECT_EQ(window.messageBoxes()[2].text, "请输入不超过 1 个字符。");
  window.setText(1027, "m");
  window.answerOk();
  EXPECT_TRUE(window.click(1));
  EXPECT_TRUE(window.ended());
  EXPECT_EQ(window.result(), platform::IDOK);
}

// Neither pulls the boxes: an over-long text does not stop them.
TEST_F(MainWindowTest, EscAndCloseBoxEndAtOnceWithoutQuestion) {
  for (bool esc : {true, false}) {
    WindowHarness& window = restart();
    window.setText(1027, "mm");
    esc ? window.keyEsc() : window.close();
    EXPECT_TRUE(window.ended());
    EXPECT_EQ(window.result(), platform::IDCANCEL);
    EXPECT_TRUE(window.events().empty());
  }
}

// The system menu ends with a separator and the About entry, which opens and closes the About
// box and leaves the window as it was; both icons are set.
TEST_F(MainWindowTest, AboutEntryOpensAndClosesTheAboutBoxLeavingTheWindowAsItWas) {
  WindowHarness& window = this->window();
  const std::vector<std::pair<unsigned, std::string>> menu = {{0, ""}, {16, "关于 Quillet(&A)..."}};
  EXPECT_EQ(window.window().systemMenu(), menu);
  EXPECT_EQ(window.window().iconsSet(), 2);
  window.type(1021, "贾政");
  window.sysCommand(16);
  window.sysCommand(16 | 0x3);           // the low four bits are the system's own
  const auto& events = window.events();  // the batch runs show caption and order
  ASSERT_EQ(events.size(), 4u);
  EXPECT_TRUE(events[2].kind == HeadlessEvent::Kind::DialogOpened && events[2].dialogId == 100);
  EXPECT_FALSE(window.ended());
  EXPECT_EQ(window.text(1021), "贾政");
  EXPECT_EQ(window.text(1001), welcomeText());
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

// The welcome text, which the pane shows byte for byte: three line breaks, then seven lines
// indented by 21 spaces (the two contact lines by four ideographic spaces more), no final break.
std::vector<std::string> splitAtCrLf(std::string_view text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t at = text.find("\r\n"); at != std::string_view::npos;
       at = text.find("\r\n", start)) {
    lines.emplace_back(text.substr(start, at - start));
    start = at + 2;
  }
  lines.emplace_back(text.substr(start));
  return lines;
}

TEST(HelpTexts, WelcomeTextHasThreeBreaksThenSevenIndentedLinesAndNoFinalBreak) {
  const std::vector<std::string> lines = splitAtCrLf(welcomeText());
  ASSERT_EQ(lines.size(), 10u);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(lines[i], "");
  const std::string indent(21, ' ');
  for (int i = 3; i < 10; ++i) {
    ASSERT_TRUE(lines[i].starts_with(indent)) << i;
    EXPECT_NE(lines[i][21], ' ') << i;  // exactly 21 spaces
    const bool contact = i >= 8;
    EXPECT_EQ(lines[i].substr(21).starts_with("　　　　"), contact) << i;
    if (contact) {
      EXPECT_FALSE(lines[i].substr(29).starts_with("　")) << i;
    }
  }
  EXPECT_NE(lines[3].find("Quillet 1.0"), std::string::npos);
  EXPECT_EQ(std::string(welcomeText()).find('@'), std::string::npos);  // no e-mail addresses
}

}  // namespace
}  // namespace quillet
