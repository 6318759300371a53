// The Qt window as a person uses it (offscreen): clicks reach the control under the pointer
// through group boxes and labels, the About icon, the pane's columns, the tree's clicks and find
// field, Ctrl+S, the three-button question, focus and Qt's own Chinese texts.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QFontMetricsF>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTreeWidget>
#include <QWindow>
#include <vector>

#include "app/about_dialog.h"
#include "app/resources.h"
#include "core/person.h"
#include "platform/qt/gbk_codec.h"
#include "reports/help_texts.h"
#include "reports/person_report.h"
#include "tests/qt/qt_fixture.h"

namespace quillet {
namespace {

using testing::fromU8;
using testing::gbk;
using testing::whenBoxOpens;

// A left click at `at` (window coordinates) delivered as the window system delivers it: to the
// window, which hands it to whatever widget lies under the point.
void clickWindowAt(QWidget& window, QPoint at) {
  QTest::mouseClick(window.windowHandle(), Qt::LeftButton, Qt::NoModifier, at);
}

// Types `text` into `widget` a character at a time, Chinese ones included.
void typeInto(QWidget* widget, const QString& text) {
  for (const QChar c : text) {
    QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
  }
}

class QtWindowUseTest : public testing::QtWindowTest {
 protected:
  QtWindowUseTest() {
    window_->show();
    QApplication::setActiveWindow(window_);
    QApplication::processEvents();
  }
  std::string reportOf(std::u8string_view name) {
    NameKey key{};
    makeNameKey(gbk(name), key);
    Person* person = nullptr;
    objects_->tree.findByName(person, key);
    std::string report;
    showPersonDetails(person, report);
    EXPECT_FALSE(report.empty());
    return report;
  }
  QTreeWidget* tree() { return control<QTreeWidget>(IDC_TREE); }
  QString selectedLabel() {
    const auto selected = tree()->selectedItems();
    return selected.isEmpty() ? QString() : selected.front()->text(0);
  }
};

TEST_F(QtWindowUseTest, EveryControlTakesTheClickAtItsCentreThroughGroupBoxesAndLabels) {
  for (const platform::ControlTemplate& control : mainDialogTemplate().controls) {
    if (control.id == platform::IDC_STATIC) continue;
    QWidget* widget = window_->findChild<QWidget*>(QString::number(control.id));
    ASSERT_NE(widget, nullptr) << control.id;
    QWidget* hit = window_->childAt(widget->geometry().center());
    EXPECT_TRUE(hit == widget || widget->isAncestorOf(hit)) << control.id;
  }
  // 使用说明 comes before the caption-less group box that holds it in template order.
  clickWindowAt(*window_, control<QWidget>(IDC_USAGE)->geometry().center());
  EXPECT_EQ(dialog_->displayText, usageText());
}

TEST_F(QtWindowUseTest, AboutBoxIconShowsTheImageOfIcon128) {
  AboutDialog about(dialog_.get());
  ASSERT_TRUE(about.Create());
  QLabel* icon = nullptr;
  for (QLabel* label : platform::qtWidgetOf(about.peer())->findChildren<QLabel*>()) {
    if (!label->pixmap().isNull()) icon = label;
  }
  ASSERT_NE(icon, nullptr);
  const QImage shown = icon->pixmap().toImage();
  const platform::IconResource& resource = mainIcon();
  ASSERT_EQ(shown.size(), QSize(resource.large.size, resource.large.size));
  for (int y = 0; y < shown.height(); ++y) {
    for (int x = 0; x < shown.width(); ++x) {
      const char digit =
          resource.large.rows[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)];
      const int index = digit <= '9' ? digit - '0' : digit - 'A' + 10;
      ASSERT_EQ(shown.pixel(x, y) & 0xFFFFFFu, (*resource.palette)[static_cast<std::size_t>(index)])
          << x << ',' << y;
    }
  }
  about.EndDialog(platform::IDOK);
}

TEST_F(QtWindowUseTest, TreeClickAndKeysShowTheReportButAFillSelectsNothing) {
  QApplication::processEvents();
  QTreeWidgetItem* baoyu = tree()->topLevelItem(0)->child(0)->child(0)->child(0);
  ASSERT_EQ(baoyu->text(0), fromU8(u8"贾宝玉"));
  const QPoint at = tree()->visualItemRect(baoyu).center();
  QTest::mouseClick(tree()->viewport(), Qt::LeftButton, Qt::NoModifier, at);
  EXPECT_EQ(dialog_->displayText, reportOf(u8"贾宝玉"));

  dialog_->showText("x");
  QTest::mouseClick(tree()->viewport(), Qt::LeftButton, Qt::NoModifier, at);  // again
  EXPECT_EQ(dialog_->displayText, reportOf(u8"贾宝玉"));
  QTest::keyClick(tree(), Qt::Key_Down);
  EXPECT_EQ(dialog_->displayText, reportOf(u8"贾敏"));

  dialog_->showText("x");
  dialog_->refillTreeView();
  QApplication::processEvents();
  EXPECT_TRUE(tree()->selectedItems().isEmpty());
  EXPECT_EQ(dialog_->displayText, "x");
}

TEST_F(QtWindowUseTest, LookupSelectsAfterTheRefillWithoutRewritingThePane) {
  control<QLineEdit>(IDC_MODIFY_NAME)->setText(fromU8(u8"贾敏"));
  control<QLineEdit>(IDC_MODIFY_PARAM)->setText(fromU8(u8"贾惜春"));
  control<QPushButton>(IDC_MODIFY)->click();
  EXPECT_EQ(selectedLabel(), fromU8(u8"贾惜春"));
  EXPECT_TRUE(dialog_->displayText.starts_with(reportOf(u8"贾惜春")));
  EXPECT_TRUE(dialog_->displayText.ends_with(gbk(u8"修改结果如上")));
}

TEST_F(QtWindowUseTest, FindFieldSelectsEachMatchInTurnAndEscClosesOnlyIt) {
  QTest::keyClick(window_, Qt::Key_F, Qt::ControlModifier);
  auto* find = window_->findChild<QLineEdit*>(QStringLiteral("find"));
  ASSERT_NE(find, nullptr);
  ASSERT_TRUE(find->isVisible());
  EXPECT_LE(tree()->geometry().bottom(), find->geometry().top());  // no item hides under it

  typeInto(find, fromU8(u8"王夫人"));  // a wife's name finds her husband
  EXPECT_EQ(selectedLabel(), fromU8(u8"贾政   王夫人"));
  EXPECT_EQ(dialog_->displayText, reportOf(u8"贾政"));

  find->clear();
  typeInto(find, fromU8(u8"代"));  // from the selected item on
  EXPECT_EQ(selectedLabel(), fromU8(u8"贾代化"));
  QTest::keyClick(find, Qt::Key_Return);  // wraps round
  EXPECT_TRUE(selectedLabel().startsWith(fromU8(u8"贾代善")));
  QTest::keyClick(find, Qt::Key_F3);
  EXPECT_EQ(selectedLabel(), fromU8(u8"贾代化"));
  QTest::keyClick(find, Qt::Key_F3, Qt::ShiftModifier);
  EXPECT_TRUE(selectedLabel().startsWith(fromU8(u8"贾代善")));

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

TEST_F(QtWindowUseTest, YesNoCancelBoxShowsChineseButtonsWithCancelAsDefaultAndEscape) {
  const unsigned type = platform::MB_YESNOCANCEL | platform::MB_DEFBUTTON3;
  QStringList texts;
  whenBoxOpens([&](QMessageBox& box) {
    for (QAbstractButton* button : box.buttons()) texts << button->text();
    EXPECT_EQ(box.defaultButton(), box.escapeButton());
    box.escapeButton()->click();
  });
  EXPECT_EQ(dialog_->MessageBox("?", nullptr, type), platform::IDCANCEL);
  texts.sort();
  QStringList expected{fromU8(u8"是"), fromU8(u8"否"), fromU8(u8"取消")};
  expected.sort();
  EXPECT_EQ(texts, expected);
  whenBoxOpens([](QMessageBox& box) {
    for (QAbstractButton* button : box.buttons()) {
      if (button->text() == fromU8(u8"否")) button->click();
    }
  });
  EXPECT_EQ(dialog_->MessageBox("?", nullptr, type), platform::IDNO);
}

TEST_F(QtWindowUseTest, PaneTakesFocusByMouseOnlyAndTreeScrollsSidewaysForWholeLabels) {
  auto* pane = control<QPlainTextEdit>(IDC_DISPLAY);
  EXPECT_EQ(pane->focusPolicy(), Qt::ClickFocus);
  EXPECT_TRUE(pane->textInteractionFlags() & Qt::TextSelectableByKeyboard);
  EXPECT_EQ(tree()->textElideMode(), Qt::ElideNone);
  tree()->resize(60, tree()->height());
  QApplication::processEvents();
  EXPECT_GT(tree()->horizontalScrollBar()->maximum(), 0);
}

TEST_F(QtWindowUseTest, QtsOwnTextsAreChinese) {
  EXPECT_EQ(QCoreApplication::translate("QLineEdit", "&Copy"), fromU8(u8"复制(&C)"));
}

// The shipped genealogy, whose listings hold names of two and three characters.
class QtPaneColumnsTest : public testing::QtWindowTest {
 protected:
  QtPaneColumnsTest() : QtWindowTest(testing::readFile(testing::sourcePath("data/home.txt"))) {}
};

TEST_F(QtPaneColumnsTest, ListingOfTenPersonsLinesUpInColumns) {
  auto* pane = control<QPlainTextEdit>(IDC_DISPLAY);
  const QFontMetricsF metrics(pane->font());
  const qreal half = metrics.horizontalAdvance(QChar(u'a'));
  EXPECT_EQ(metrics.horizontalAdvance(QChar(u'贾')), 2 * half)
      << pane->font().family().toStdString();

  control<QRadioButton>(1015)->setChecked(true);
  control<QLineEdit>(IDC_QUERY_KEYWORD)->setText(QStringLiteral("4"));
  control<QPushButton>(IDC_PERSON_QUERY)->click();
  window_->show();
  QApplication::processEvents();
  // Lines 1 to 10 are the first ten persons. Every character stands where its column says: a
  // Chinese character takes two columns, any other one; so each column starts at one pixel.
  int lines = 0;
  for (QTextBlock line = pane->document()->findBlockByNumber(1); line.isValid() && lines < 10;
       line = line.next(), ++lines) {
    QTextCursor cursor(line);
    const int left = pane->cursorRect(cursor).left();
    int column = 0;
    int misplaced = 0;
    const QString text = line.text();
    for (int i = 0; i < text.size(); ++i) {
      cursor.setPosition(line.position() + i);
      misplaced += pane->cursorRect(cursor).left() - left != qRound(column * half);
      column += text[i].unicode() < 0x80 ? 1 : 2;
    }
    EXPECT_EQ(misplaced, 0) << text.toStdString();
  }
  EXPECT_EQ(lines, 10);
}

}  // namespace
}  // namespace quillet
