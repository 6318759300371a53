// Leaving the window with changes not saved: every way out asks whether to save them first.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <functional>
#include <string>

#include "app/resources.h"
#include "tests/app/test_genealogy.h"
#include "tests/app/window_harness.h"
#include "tests/support/temp_dir.h"

namespace quillet {
namespace {

using platform::IDCANCEL;
using platform::IDNO;
using platform::IDOK;
using platform::IDYES;
using testing::WindowHarness;

constexpr const char kQuestion[] = "　家谱有尚未保存的修改，退出前要保存吗?";

struct WayOut {
  const char* name;
  std::function<void(WindowHarness&)> take;
  int result;  // the window's result when it ends
};

const WayOut kWaysOut[] = {
    {"Enter", [](WindowHarness& w) { w.keyEnter(); }, IDOK},
    {"button 1", [](WindowHarness& w) { w.click(1); }, IDOK},
    {"Esc", [](WindowHarness& w) { w.keyEsc(); }, IDCANCEL},
    {"close box", [](WindowHarness& w) { w.close(); }, IDCANCEL},
};

class UnsavedExitTest : public ::testing::Test {
 protected:
  UnsavedExitTest() { testing::writeFile("home.txt", testing::smallClan()); }

  // Toggles 贾政's sex through the modify panel: a change not yet saved.
  static void changeSomething(WindowHarness& window) {
    window.type(IDC_MODIFY_NAME, "贾政");
    window.check(1005);
    window.click(IDC_MODIFY);
    window.clearEvents();
  }

  testing::ScopedTempDir dir_;
};

TEST_F(UnsavedExitTest, EachWayOutAsksOnceAndEachAnswerDoesWhatItSays) {
  const std::string file = testing::readFile("home.txt");
  // 0: no answer queued, so the default button (Cancel) answers.
  for (const int answer : {IDYES, IDNO, IDCANCEL, 0}) {
    for (const WayOut& way : kWaysOut) {
      SCOPED_TRACE(std::string(way.name) + " answered " + std::to_string(answer));
      testing::writeFile("home.txt", file);
      WindowHarness window;
      changeSomething(window);
      const std::string pane = window.text(IDC_DISPLAY);
      if (answer != 0) window.answer(answer);
      way.take(window);

      const auto boxes = window.messageBoxes();
      ASSERT_EQ(boxes.size(), 1u);  // no exit question, no save warning
      EXPECT_EQ(boxes[0].text, kQuestion);
      EXPECT_EQ(boxes[0].caption, "Morvane提示");
      EXPECT_EQ(boxes[0].type, platform::MB_YESNOCANCEL | platform::MB_DEFBUTTON3);
      EXPECT_EQ(boxes[0].answer, answer == 0 ? IDCANCEL : answer);
      const bool ends = answer == IDYES || answer == IDNO;
      EXPECT_EQ(window.ended(), ends);
      EXPECT_EQ(window.result(), ends ? way.result : 0);
      EXPECT_EQ(testing::readFile("home.txt") != file, answer == IDYES);
      if (!ends) {
        EXPECT_EQ(window.text(IDC_DISPLAY), pane);
      }
    }
  }
}

TEST_F(UnsavedExitTest, FailedSaveOnYesShowsNotSavedAndStaysOpenStillAsking) {
  WindowHarness window;
  changeSomething(window);
  ASSERT_EQ(::chmod("home.txt", 0444), 0);
  window.answer(IDYES);
  window.keyEsc();
  EXPECT_FALSE(window.ended());
  EXPECT_EQ(window.text(IDC_DISPLAY), "\r\n\r\n\r\n            保存失败");
  ASSERT_EQ(::chmod("home.txt", 0644), 0);
  window.answer(IDYES);
  window.close();
  EXPECT_TRUE(window.ended());
  EXPECT_EQ(window.messageBoxes().size(), 2u);
}

TEST_F(UnsavedExitTest, NoOnEnterStillPullsAndStaysOpenWhenThePullFails) {
  WindowHarness window;
  changeSomething(window);
  window.setText(IDC_BIRTH_SEX, "mm");
  window.answer(IDNO);
  window.keyEnter();
  EXPECT_FALSE(window.ended());
  EXPECT_EQ(window.messageBoxes().back().text, "请输入不超过 1 个字符。");
}

TEST_F(UnsavedExitTest, ChangesThatChangeNothingOrAreSavedLeaveTheWaysOutAsTheyWere) {
  {
    WindowHarness window;
    window.type(IDC_MODIFY_NAME, "贾政");
    window.type(IDC_MODIFY_PARAM, "贾政");  // renamed to his own name
    window.click(IDC_MODIFY);
    window.clearEvents();
    window.keyEsc();
    EXPECT_TRUE(window.ended());
    EXPECT_TRUE(window.events().empty());
  }
  WindowHarness window;
  changeSomething(window);
  window.answerOk();
  window.click(IDC_SAVE);
  window.clearEvents();
  window.keyEnter();  // the ordinary exit question, answered by its default: Cancel
  ASSERT_EQ(window.messageBoxes().size(), 1u);
  EXPECT_EQ(window.messageBoxes()[0].text, "　您真正想退出程序吗?");
  EXPECT_FALSE(window.ended());
}

TEST_F(UnsavedExitTest, BirthAndMarriageMakeUnsavedChanges) {
  for (const bool birth : {true, false}) {
    WindowHarness window;
    if (birth) {
      window.type(IDC_BIRTH_NAME, "贾兰");
      window.type(IDC_BIRTH_SEX, "m");
      window.type(IDC_BIRTH_DATE, "17800101");
      window.type(IDC_MOTHER_NAME, "王夫人");
      window.click(IDC_ADD_CHILD);
    } else {
      window.type(IDC_BRIDE_NAME, "袭人");
      window.type(IDC_HUSBAND_NAME, "贾宝玉");
      window.type(IDC_BRIDE_BIRTH_DATE, "17620101");
      window.click(IDC_ADD_WIFE);
    }
    window.clearEvents();
    window.keyEsc();
    ASSERT_EQ(window.messageBoxes().size(), 1u) << birth;
    EXPECT_EQ(window.messageBoxes()[0].text, kQuestion);
  }
}

}  // namespace
}  // namespace quillet
