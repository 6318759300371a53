// The Qt backend under the offscreen platform: the main window built from template 102, its
// rendering in CJK glyphs, the byte limits of the edit boxes, the display pane's line breaks,
// the message boxes, the Cancel command and the progress dialog.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QImage>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <cstdlib>

#include "app/main_dialog.h"
#include "app/process_objects.h"
#include "app/resources.h"
#include "platform/qt/gbk_codec.h"
#include "platform/qt/qt_backend.h"
#include "platform/qt/qt_tree_view.h"
#include "tests/qt/qt_fixture.h"

namespace quillet {
namespace {

using testing::fromU8;
using testing::gbk;
using testing::QtWindowTest;

TEST_F(QtWindowTest, WidgetsCarryTheTemplatesIdsKindsCaptionsAndGeometry) {
  ASSERT_TRUE(created_);
  ASSERT_NE(window_, nullptr);
  const platform::DialogTemplate& main = mainDialogTemplate();
  const platform::PixelRect size = platform::qtPixelsOf(dialog_->peer(), {0, 0, 603, 419});
  // The menu bar above the controls, as high as they are moved down.
  auto* menuBar = window_->findChild<QMenuBar*>(QStringLiteral("menubar"));
  ASSERT_NE(menuBar, nullptr);
  EXPECT_EQ(menuBar->geometry(), QRect(0, 0, size.width, size.y));
  EXPECT_GT(size.y, 0);
  QStringList titles;
  for (const QAction* menu : menuBar->actions()) titles << menu->text();
  EXPECT_EQ(titles,
            (QStringList{fromU8(u8"文件"), fromU8(u8"编辑"), fromU8(u8"视图"), fromU8(u8"帮助")}));
  // The 视图 entries show their views' check marks, which follow the window's own state.
  const QList<QAction*> views = menuBar->actions()[2]->menu()->actions();
  ASSERT_EQ(views.size(), 2);
  for (QAction* view : views) EXPECT_TRUE(view->isCheckable() && !view->isChecked());
  views[1]->trigger();
  EXPECT_TRUE(views[1]->isChecked() && dialog_->showsChineseDates());
  views[1]->trigger();
  EXPECT_FALSE(views[1]->isChecked() || dialog_->showsChineseDates());
  EXPECT_EQ(window_->size(), QSize(size.width, size.y + size.height));
  EXPECT_GT(size.width, 603);  // dialog units are larger than pixels at 9 pt
  // The title names the clan, after its root's surname, and its folder.
  EXPECT_EQ(window_->windowTitle(),
            fromU8(u8"《贾氏家谱》 — ") + QDir::currentPath() + fromU8(u8" — Quillet"));

  int statics = 0;
  int staticsShown = 0;
  for (QWidget* child : window_->findChildren<QWidget*>(QStringLiteral("static"))) {
    staticsShown += child->property("controlId").toInt() == platform::IDC_STATIC;
  }
  for (const platform::ControlTemplate& control : main.controls) {
    if (control.id == platform::IDC_STATIC) {
      ++statics;
      continue;
    }
    QWidget* widget = window_->findChild<QWidget*>(QString::number(control.id));
    ASSERT_NE(widget, nullptr) << control.id;
    EXPECT_EQ(widget->property("controlKind").toInt(), static_cast<int>(control.kind))
        << control.id;
    const platform::PixelRect rect = platform::qtPixelsOf(dialog_->peer(), control.rect);
    EXPECT_EQ(widget->geometry(), QRect(rect.x, rect.y, rect.width, rect.height)) << control.id;
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
      EXPECT_EQ(button->text(), platform::qStringFromGbk(control.caption)) << control.id;
    }
  }
  EXPECT_EQ(staticsShown, statics);
  EXPECT_EQ(control<QPushButton>(1)->text(), fromU8(u8"退出程序"));
  EXPECT_TRUE(control<QPushButton>(1)->isDefault());
  EXPECT_FALSE(control<QPushButton>(1020)->isDefault());
  EXPECT_NE(control<platform::QtTreeView>(1000), nullptr);
  EXPECT_NE(control<QPlainTextEdit>(1001), nullptr);
  EXPECT_TRUE(control<QPlainTextEdit>(1001)->isReadOnly());
}

// Share of pixels in `rect` of `image` darker than mid-grey.
double darkShare(const QImage& image, const QRect& rect) {
  int dark = 0;
  int all = 0;
  for (int y = rect.top(); y <= rect.bottom(); ++y) {
    for (int x = rect.left(); x <= rect.right(); ++x) {
      ++all;
      dark += qGray(image.pixel(x, y)) < 128;
    }
  }
  return all == 0 ? 0.0 : static_cast<double>(dark) / all;
}

TEST_F(QtWindowTest, RenderedWindowShowsTheTreeAndWelcomeTextInCjkGlyphs) {
  QApplication::processEvents();
  // The dialog font has real glyphs for the clan's names, not empty boxes.
  const QFontMetrics metrics(window_->font());
  for (char16_t c : {u'贾', u'宝', u'欢', u'迎'}) EXPECT_TRUE(metrics.inFont(QChar(c)));

  const QImage image = window_->grab().toImage();
  if (const char* path = std::getenv("QUILLET_QT_TEST_GRAB"))
    image.save(QString::fromLocal8Bit(path));
  QWidget* pane = control<QWidget>(1001);
  QWidget* tree = control<QWidget>(1000);
  // The welcome text's lines: the upper part of the pane holds ink; the tree's labels too.
  const QRect paneText = pane->geometry().adjusted(4, 4, -20, -4);
  const QRect treeLabels(tree->geometry().topLeft() + QPoint(2, 2), QSize(tree->width() - 4, 80));
  EXPECT_GT(darkShare(image, paneText), 0.02);
  EXPECT_GT(darkShare(image, treeLabels), 0.02);
  // The empty lower part of the tree is blank: ink comes from the labels, not a dark widget.
  const QRect treeBottom(tree->geometry().left() + 4, tree->geometry().bottom() - 60,
                         tree->width() - 8, 50);
  EXPECT_LT(darkShare(image, treeBottom), 0.01);
}

TEST_F(QtWindowTest, EditBoxesRefuseTypingBeyondTheirLimitInGbkBytes) {
  auto* name = control<QLineEdit>(1026);
  ASSERT_NE(name, nullptr);
  for (const char8_t* c : {u8"贾", u8"宝", u8"玉", u8"玉"}) name->insert(fromU8(c));
  ASSERT_EQ(name->text(), fromU8(u8"贾宝玉"));
  name->insert(QStringLiteral("x"));  // the seventh byte still fits
  ASSERT_EQ(name->text(), fromU8(u8"贾宝玉x"));
  auto* sex = control<QLineEdit>(1027);
  sex->insert(QStringLiteral("m"));
  sex->insert(QStringLiteral("f"));
  EXPECT_EQ(sex->text(), QStringLiteral("m"));
  auto* keyword = control<QLineEdit>(1017);
  keyword->insert(QString(200, QChar(u'贾')));
  EXPECT_EQ(keyword->text().size(), 200);

  ASSERT_TRUE(dialog_->UpdateData(true));
  EXPECT_EQ(dialog_->birthName, gbk(u8"贾宝玉x"));
  EXPECT_EQ(dialog_->birthSex, "m");
}

TEST_F(QtWindowTest, PaneBreaksLinesOnlyAtCrLfAndGivesBackItsBytes) {
  const std::string bytes = gbk(u8"贾\nb\r\nc\rd");
  dialog_->displayText = bytes;
  dialog_->UpdateData(false);
  auto* pane = control<QPlainTextEdit>(1001);
  EXPECT_EQ(pane->toPlainText(), fromU8(u8"贾b\ncd"));
  ASSERT_TRUE(dialog_->UpdateData(true));
  EXPECT_EQ(dialog_->displayText, bytes);
}

TEST_F(QtWindowTest, ExitQuestionIsAMessageBoxWithCancelAsDefault) {
  // Answered first with its default button (Cancel), then with OK.
  for (const bool useDefault : {true, false}) {
    testing::whenBoxOpens([useDefault](QMessageBox& box) {
      EXPECT_EQ(box.windowTitle(), fromU8(u8"Morvane提示"));
      EXPECT_EQ(box.text(), fromU8(u8"　您真正想退出程序吗?"));
      EXPECT_EQ(box.defaultButton()->text(), fromU8(u8"取消"));
      (useDefault ? box.defaultButton() : box.buttons().front())->click();
    });
    control<QPushButton>(1)->click();
    EXPECT_EQ(dialog_->peer()->ended(), !useDefault);
  }
  EXPECT_EQ(dialog_->peer()->runModalLoop(), platform::IDOK);
}

TEST_F(QtWindowTest, EscEndsTheWindowWithCancelAndNoQuestion) {
  QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
  QApplication::sendEvent(window_, &esc);
  EXPECT_TRUE(dialog_->peer()->ended());
  EXPECT_EQ(dialog_->peer()->runModalLoop(), platform::IDCANCEL);
}

// The progress dialog shows its caption and text; its cancel button stops the work, and the
// dialog goes with the object that holds it.
TEST(QtProgress, TheCancelButtonStopsTheWorkAndTheDialogClosesWithIt) {
  auto progressDialogs = [] {
    QList<QProgressDialog*> found;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      if (auto* dialog = qobject_cast<QProgressDialog*>(widget)) found.append(dialog);
    }
    return found;
  };
  platform::QtBackend backend;
  auto progress = backend.openProgress(nullptr, gbk(u8"导出家谱书"), gbk(u8"正在排印家谱书…"), 10);
  ASSERT_NE(progress, nullptr);
  EXPECT_TRUE(progress->setProgress(1));
  ASSERT_EQ(progressDialogs().size(), 1);
  QProgressDialog* dialog = progressDialogs().first();
  EXPECT_EQ(dialog->windowTitle(), fromU8(u8"导出家谱书"));
  EXPECT_EQ(dialog->labelText(), fromU8(u8"正在排印家谱书…"));
  EXPECT_EQ(dialog->maximum(), 10);
  dialog->cancel();
  EXPECT_FALSE(progress->setProgress(2));
  progress.reset();
  EXPECT_TRUE(progressDialogs().isEmpty());
}

// The choice dialog: its text and a radio button a choice, the initial one checked; OK takes the
// checked one, Cancel nothing.
TEST(QtChoice, OkTakesTheCheckedChoiceAndCancelNone) {
  platform::QtBackend backend;
  const std::string choices[] = {gbk(u8"照常"), gbk(u8"只要姓名"), gbk(u8"不要")};
  const std::string_view views[] = {choices[0], choices[1], choices[2]};
  for (const bool ok : {true, false}) {
    QTimer::singleShot(0, [ok] {
      auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
      ASSERT_NE(dialog, nullptr);
      EXPECT_EQ(dialog->windowTitle(), fromU8(u8"导出"));
      const QList<QRadioButton*> buttons = dialog->findChildren<QRadioButton*>();
      ASSERT_EQ(buttons.size(), 3);
      EXPECT_EQ(buttons[1]->text(), fromU8(u8"只要姓名"));
      EXPECT_TRUE(buttons[1]->isChecked());
      buttons[2]->click();
      auto* box = dialog->findChild<QDialogButtonBox*>();
      ASSERT_NE(box, nullptr);
      box->button(ok ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel)->click();
    });
    const std::optional<std::size_t> chosen =
        backend.choiceDialog(nullptr, gbk(u8"导出"), gbk(u8"在世之人？"), views, 1);
    EXPECT_EQ(chosen, ok ? std::optional<std::size_t>(2) : std::nullopt);
  }
}

}  // namespace
}  // namespace quillet
