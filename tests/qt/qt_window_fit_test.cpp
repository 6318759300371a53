// The main window on a given screen (the offscreen platform's screen, set by the test's
// environment): it opens inside the available area, menu bar included, at the template's own
// font when that fits, resizes by giving the extra room to the tree and the pane, and shows one
// size of text in its menus, pane and controls, with radio buttons' circles inside their frames.
#include <gtest/gtest.h>

#include <QGroupBox>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionButton>
#include <cstdlib>

#include "app/resources.h"
#include "tests/qt/qt_fixture.h"

namespace quillet {
namespace {

class QtWindowFitTest : public testing::QtWindowTest {
 protected:
  QRect available() const { return window_->screen()->availableGeometry(); }
  QRect placeOf(int id) { return control<QWidget>(id)->geometry(); }
};

TEST_F(QtWindowFitTest, OpensInsideTheAvailableAreaShrinkingTheFontOnlyWhenItMust) {
  ASSERT_TRUE(created_);
  window_->show();
  QApplication::processEvents();
  // The window is on the screen, with room for a title bar and borders around it.
  EXPECT_TRUE(available().contains(window_->frameGeometry()));
  EXPECT_LE(window_->width() + 4, available().width());
  EXPECT_LE(window_->height() + 30, available().height());
  for (QWidget* child : window_->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    EXPECT_TRUE(!child->isVisible() || window_->rect().contains(child->geometry()));
  }
  // The menu bar, whole, above the controls.
  auto* menuBar = window_->findChild<QMenuBar*>(QStringLiteral("menubar"));
  ASSERT_NE(menuBar, nullptr);
  EXPECT_GE(menuBar->height(), menuBar->sizeHint().height());
  EXPECT_LT(menuBar->geometry().bottom(), placeOf(IDC_TREE).top());
  // QUILLET_EXPECT_SHRUNK says whether this screen is too small for the template at 9 points.
  const char* shrunk = std::getenv("QUILLET_EXPECT_SHRUNK");
  ASSERT_NE(shrunk, nullptr);
  if (shrunk[0] == '1') {
    EXPECT_LT(window_->font().pointSizeF(), 9.0);
  } else {
    EXPECT_EQ(window_->font().pointSizeF(), 9.0);
  }
}

TEST_F(QtWindowFitTest, ExtraRoomGoesToTreeAndPaneAndTheWindowNeverShrinksBelowItsOpening) {
  window_->show();
  QApplication::processEvents();
  const QSize opening = window_->size();
  const QRect tree = placeOf(IDC_TREE);
  const QRect pane = placeOf(IDC_DISPLAY);
  const QRect button = placeOf(1);
  const QRect radio = placeOf(1013);

  window_->resize(opening + QSize(300, 120));
  QApplication::processEvents();
  EXPECT_EQ(placeOf(IDC_TREE), tree.adjusted(0, 0, 100, 120));
  EXPECT_EQ(placeOf(IDC_DISPLAY), pane.adjusted(100, 0, 300, 120));
  EXPECT_EQ(placeOf(1), button.translated(100, 120));
  EXPECT_EQ(placeOf(1013), radio.translated(100, 120));
  EXPECT_GT(placeOf(1).top(), placeOf(IDC_DISPLAY).bottom());
  EXPECT_GT(placeOf(1013).left(), placeOf(IDC_TREE).right());

  window_->resize(opening - QSize(100, 100));
  QApplication::processEvents();
  EXPECT_EQ(window_->size(), opening);
  EXPECT_EQ(placeOf(IDC_TREE), tree);

  window_->showMaximized();
  QApplication::processEvents();
  EXPECT_GE(placeOf(IDC_DISPLAY).width(), pane.width());
  EXPECT_TRUE(window_->rect().contains(placeOf(1)));
}

// The menus (windows of their own) show the window's font, the pane a font of its size, and each
// radio button's circle, scaled with the font, lies within the button and the frame around it.
TEST_F(QtWindowFitTest, MenusPaneAndRadioButtonsKeepToTheWindowsSizeOfText) {
  window_->show();
  QApplication::processEvents();
  const QFont font = window_->font();
  const QList<QMenu*> menus = window_->findChildren<QMenu*>();
  EXPECT_GE(menus.size(), 4);
  for (const QMenu* menu : menus) EXPECT_EQ(menu->font(), font) << menu->title().toStdString();
  const qreal pixels = font.pointSizeF() * window_->screen()->logicalDotsPerInchY() / 72;
  EXPECT_NEAR(control<QPlainTextEdit>(IDC_DISPLAY)->font().pixelSize(), pixels, 1.0);
  const QList<QGroupBox*> frames = window_->findChildren<QGroupBox*>();
  for (const int id : {1004, 1005, 1006, 1007, 1008, 1013, 1014, 1015, 1016}) {
    auto* radio = control<QRadioButton>(id);
    ASSERT_NE(radio, nullptr);
    QStyleOptionButton option;
    option.initFrom(radio);
    const QRect circle = radio->style()
                             ->subElementRect(QStyle::SE_RadioButtonIndicator, &option, radio)
                             .translated(radio->pos());
    EXPECT_TRUE(radio->geometry().contains(circle)) << id;
    // The innermost frame around the button holds its circle inside its border.
    const QGroupBox* frame = nullptr;
    for (const QGroupBox* box : frames) {
      if (box->geometry().contains(radio->geometry().center()) &&
          (frame == nullptr || frame->geometry().contains(box->geometry()))) {
        frame = box;
      }
    }
    ASSERT_NE(frame, nullptr) << id;
    EXPECT_TRUE(frame->geometry().adjusted(1, 1, -1, -1).contains(circle)) << id;
  }
}

}  // namespace
}  // namespace quillet
