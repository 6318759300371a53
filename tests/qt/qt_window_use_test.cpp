// The Qt window as a person uses it (offscreen): clicks reach the control under the pointer
// through group boxes and labels, the About icon, the pane's columns, the tree's clicks and find
// field, Ctrl+S, the undo keys inside and outside edit boxes, the three-button question, focus
// and Qt's own Chinese texts.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QFontMetricsF>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QWindow>

#include "app/about_dialog.h"
#include "app/resources.h"
#include "reports/help_texts.h"
#include "reports/person_report.h"
#include "tests/qt/qt_fixture.h"
#include "tests/support/find_person.h"

namespace quillet {
namespace {

using testing::fromU8;
using testing::gbk;
using testing::whenBoxOpens;

class QtWindowUseTest : public testing::QtWindowTest {
 protected:
  QtWindowUseTest() {
    window_->show();
    QApplication::setActiveWindow(window_);
    QApplication::processEvents();
  }
  std::string reportOf(std::u8string_view name) {
    std::string report;
    showPersonDetails(testing::findPerson(objects_->tree, gbk(name)), report);
    return report;
  }
  platform::QtTreeView* tree() { return control<platform::QtTreeView>(IDC_TREE); }
  QString selected() { return tree()->text(tree()->selected()).trimmed(); }
};

TEST_F(QtWindowUseTest, EveryControlTakesTheClickAtItsCentreThroughGroupBoxesAndLabels) {
  for (const platform::ControlTemplate& control : mainDialogTemplate().controls) {
    if (control.id == platform::IDC_STATIC) continue;
    QWidget* widget = window_->findChild<QWidget*>(QString::number(control.id));
    QWidget* hit = window_->childAt(widget->geometry().center());
    EXPECT_TRUE(hit == widget || widget->isAncestorOf(hit)) << control.id;
  }
  // A click as the window system delivers it, to the window, which hands it on.
  QTest::mouseClick(window_->windowHandle(), Qt::LeftButton, Qt::NoModifier,
                    control<QWidget>(IDC_USAGE)->geometry().center());
  EXPECT_EQ(dialog_->displayText, usageText());
}

TEST_F(QtWindowUseTest, AboutBoxIconShowsTheImageOfIcon128) {
  AboutDialog about(dialog_.get());
  ASSERT_TRUE(about.Create());
  const QImage shown =
      platform::qtWidgetOf(about.peer())->findChildren<QLabel*>().front()->pixmap().toImage();
  const platform::IconImage& image = mainIcon().large;
  ASSERT_EQ(shown.size(), QSize(image.size, image.size));
  for (int y = 0; y < image.size; ++y) {
    for (int x = 0; x < image.size; ++x) {
      const int index = QString(QLatin1Char(image.rows[y][x])).toInt(nullptr, 16);
      ASSERT_EQ(shown.pixel(x, y) & 0xFFFFFFu, (*mainIcon().palette)[index]) << x << ',' << y;
    }
  }
}

TEST_F(QtWindowUseTest, TreeClickAndKeysShowTheReportButAFillSelectsNothing) {
  const QPoint at = tree()->visualRect(tree()->itemAtRow(3)).center();  // 贾宝玉
  for (int click = 0; click < 2; ++click) {  // the item already selected shows it again
    dialog_->showText("x");
    QTest::mouseClick(tree()->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    EXPECT_EQ(dialog_->displayText, reportOf(u8"贾宝玉"));
  }
  QTest::keyClick(tree(), Qt::Key_Down);
  EXPECT_EQ(dialog_->displayText, reportOf(u8"贾敏"));
  dialog_->showText("x");
  dialog_->refillTreeView();
  QApplication::processEvents();
  EXPECT_EQ(selected(), QString());
  EXPECT_EQ(dialog_->displayText, "x");
}

TEST_F(QtWindowUseTest, ButtonBelowTheSelectedItemKeepsItsSign) {
  const QRect label = tree()->visualRect(tree()->itemAtRow(1));  // 贾代善, who has children
  const QRect branches(0, label.top(), label.left(), label.height());
  const QImage before = tree()->viewport()->grab(branches).toImage();
  tree()->choose(tree()->itemAtRow(0));
  EXPECT_EQ(tree()->viewport()->grab(branches).toImage(), before);
}

TEST_F(QtWindowUseTest, RenameSelectsTheRenamedInTheRefilledTree) {
  control<QLineEdit>(IDC_MODIFY_NAME)->setText(fromU8(u8"贾敏"));
  control<QLineEdit>(IDC_MODIFY_PARAM)->setText(fromU8(u8"贾惜春"));
  control<QPushButton>(IDC_MODIFY)->click();
  EXPECT_EQ(selected(), fromU8(u8"贾惜春"));
}

TEST_F(QtWindowUseTest, FindFieldSelectsEachMatchInTurnAndEscClosesOnlyIt) {
  QTest::keyClick(window_, Qt::Key_F, Qt::ControlModifier);
  auto* find = window_->findChild<QLineEdit*>(QStringLiteral("find"));
  ASSERT_TRUE(find->isVisible());
  EXPECT_LE(tree()->geometry().bottom(), find->geometry().top());  // no item hides under it
  const auto type = [find](std::u8string_view text) {
    for (const QChar c : fromU8(text)) {
      QTest::sendKeyEvent(QTest::Click, find, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
  };
  type(u8"王夫人");  // a wife's name finds her husband
  EXPECT_EQ(selected(), fromU8(u8"贾政   王夫人"));
  EXPECT_EQ(dialog_->displayText, reportOf(u8"贾政"));
  find->clear();
  type(u8"代");  // from the selected item on
  EXPECT_EQ(selected(), fromU8(u8"贾代化"));
  QTest::keyClick(find, Qt::Key_Return);  // round to the first
  EXPECT_EQ(selected(), fromU8(u8"贾代善 史太君 李氏"));
  QTest::keyClick(find, Qt::Key_F3);
  EXPECT_EQ(selected(), fromU8(u8"贾代化"));
  QTest::keyClick(find, Qt::Key_F3, Qt::ShiftModifier);
  EXPECT_EQ(selected(), fromU8(u8"贾代善 史太君 李氏"));
  QTest::keyClick(find, Qt::Key_Escape);
  EXPECT_FALSE(find->isVisible());
  EXPECT_FALSE(dialog_->peer()->ended());
}

TEST_F(QtWindowUseTest, CtrlSAsksTheSaveWarning) {
  QString title;
  whenBoxOpens([&](QMessageBox& box) {
    title = box.windowTitle();
    box.escapeButton()->click();
  });
  QTest::keyClick(window_, Qt::Key_S, Qt::ControlModifier);
  EXPECT_EQ(title, fromU8(u8"警告"));
}

// Ctrl+Z and Ctrl+Y are the window's outside the edit boxes and the box's own inside one; a
// birth taken back takes its row away.
TEST_F(QtWindowUseTest, UndoKeysActOnTheWindowOutsideEditBoxesAndOnTheTextInside) {
  const int rows = tree()->rowCount();
  control<QLineEdit>(IDC_BIRTH_NAME)->setText(fromU8(u8"贾兰"));
  control<QLineEdit>(IDC_BIRTH_SEX)->setText(QStringLiteral("m"));
  control<QLineEdit>(IDC_BIRTH_DATE)->setText(QStringLiteral("17800101"));
  control<QLineEdit>(IDC_MOTHER_NAME)->setText(fromU8(u8"王夫人"));
  control<QPushButton>(IDC_ADD_CHILD)->click();
  ASSERT_EQ(tree()->rowCount(), rows + 1);
  tree()->setFocus();
  QTest::keyClick(window_, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(dialog_->displayText, gbk(u8"已撤销：出生 贾兰"));
  EXPECT_EQ(tree()->rowCount(), rows);
  EXPECT_EQ(selected(), fromU8(u8"贾政   王夫人"));

  auto* typed = control<QLineEdit>(IDC_QUERY_KEYWORD);
  typed->setFocus();
  QTest::keyClicks(typed, QStringLiteral("abc"));
  QTest::keyClick(typed, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(typed->text(), QString());
  QTest::keyClick(typed, Qt::Key_Y, Qt::ControlModifier);
  EXPECT_EQ(dialog_->displayText, gbk(u8"已撤销：出生 贾兰"));
  tree()->setFocus();
  QTest::keyClick(window_, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(dialog_->displayText, gbk(u8"已恢复：出生 贾兰"));
  EXPECT_EQ(tree()->rowCount(), rows + 1);
}

TEST_F(QtWindowUseTest, YesNoCancelBoxHasChineseButtonsAndCancelAsDefaultAndEscape) {
  const unsigned type = platform::MB_YESNOCANCEL | platform::MB_DEFBUTTON3;
  for (const auto& [pressed, answer] : {std::pair{u8"取消", platform::IDCANCEL},
                                        {u8"否", platform::IDNO},
                                        {u8"是", platform::IDYES}}) {
    whenBoxOpens([pressed](QMessageBox& box) {
      EXPECT_EQ(box.defaultButton()->text(), fromU8(u8"取消"));
      EXPECT_EQ(box.escapeButton(), box.defaultButton());
      for (QAbstractButton* button : box.buttons()) {
        if (button->text() == fromU8(pressed)) button->click();
      }
    });
    EXPECT_EQ(dialog_->MessageBox("?", nullptr, type), answer);
  }
}

TEST_F(QtWindowUseTest, PaneTakesFocusByMouseTreeScrollsSidewaysAndQtSpeaksChinese) {
  auto* pane = control<QPlainTextEdit>(IDC_DISPLAY);
  EXPECT_EQ(pane->focusPolicy(), Qt::ClickFocus);
  EXPECT_TRUE(pane->textInteractionFlags() & Qt::TextSelectableByKeyboard);
  tree()->resize(60, tree()->height());
  QApplication::processEvents();
  EXPECT_GT(tree()->horizontalScrollBar()->maximum(), 0);
  EXPECT_EQ(QCoreApplication::translate("QLineEdit", "&Copy"), fromU8(u8"复制(&C)"));
}

// The shipped genealogy, whose listings hold names of two and three characters.
class QtPaneColumnsTest : public testing::QtWindowTest {
 protected:
  QtPaneColumnsTest() : QtWindowTest(testing::readFile(testing::sourcePath("data/home.txt"))) {}
};

TEST_F(QtPaneColumnsTest, ListingOfTenPersonsLinesUpInColumns) {
  auto* pane = control<QPlainTextEdit>(IDC_DISPLAY);
  const qreal half = QFontMetricsF(pane->font()).horizontalAdvance(QChar(u'a'));
  EXPECT_EQ(QFontMetricsF(pane->font()).horizontalAdvance(QChar(u'贾')), 2 * half);
  control<QRadioButton>(1015)->setChecked(true);
  control<QLineEdit>(IDC_QUERY_KEYWORD)->setText(QStringLiteral("4"));
  control<QPushButton>(IDC_PERSON_QUERY)->click();
  window_->show();
  QApplication::processEvents();
  // Lines 1 to 10 list ten persons. Every character stands where its column says (a Chinese one
  // takes two columns, any other one), so each column starts at one pixel on every line.
  int lines = 0;
  for (QTextBlock line = pane->document()->findBlockByNumber(1); line.isValid() && lines < 10;
       line = line.next(), ++lines) {
    QTextCursor cursor(line);
    const int left = pane->cursorRect(cursor).left();
    int column = 0;
    int misplaced = 0;
    for (const QChar c : line.text()) {
      misplaced += pane->cursorRect(cursor).left() - left != qRound(column * half);
      column += c.unicode() < 0x80 ? 1 : 2;
      cursor.movePosition(QTextCursor::NextCharacter);
    }
    EXPECT_EQ(misplaced, 0) << line.text().toStdString();
  }
  EXPECT_EQ(lines, 10);
}

}  // namespace
}  // namespace quillet
