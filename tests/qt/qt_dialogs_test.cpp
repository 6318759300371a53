// Qt's own dialogs and the window's menus (offscreen): the folder choosers take what Qt's folder
// mode refuses (a new folder's name, a genealogy's home.txt), Qt's dialogs speak Chinese whatever
// the environment's locale, the settings keep the genealogies opened last, and the menu bar's
// entries follow the window (撤销 and 恢复 named and greyed out, 最近打开's list).
#include <gtest/gtest.h>

#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "app/resources.h"
#include "tests/qt/qt_fixture.h"

namespace quillet {
namespace {

namespace fs = std::filesystem;
using testing::fromU8;

// Once the folder chooser is up: types `typed` into its name box, and says whether its button
// is enabled then; clicks it when it is, else cancels.
std::optional<std::string> chooseFolder(platform::FolderChoice choice, const QString& typed,
                                        bool& buttonEnabled) {
  QTimer::singleShot(0, [&typed, &buttonEnabled] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    auto* buttons = dialog->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
    ASSERT_TRUE(name != nullptr && buttons != nullptr);
    name->setText(typed);
    QApplication::processEvents();
    QPushButton* accept = buttons->button(QDialogButtonBox::Open);
    buttonEnabled = accept->isEnabled();
    if (buttonEnabled) {
      accept->click();
    } else {
      dialog->reject();
    }
  });
  platform::QtBackend backend;
  return backend.folderName(nullptr, "", choice);
}

TEST(QtFolderChooser, TakesANewFoldersNameAndAGenealogysHomeTxtAsWellAsAFolder) {
  testing::ScopedTempDir dir;
  fs::create_directories("clan");
  testing::writeFile("clan/home.txt", testing::smallClanFile());
  const QString here = QDir::currentPath();
  struct Case {
    platform::FolderChoice choice;
    QString typed;
    std::optional<QString> chosen;  // none: the button stays greyed out
  } cases[] = {
      // A folder to write into: an existing one, or a new one in an existing one (not made).
      {platform::FolderChoice::kToWrite, here + "/clan", here + "/clan"},
      {platform::FolderChoice::kToWrite, here + "/新家谱", here + "/新家谱"},
      {platform::FolderChoice::kToWrite, here + "/no/new", std::nullopt},
      // A genealogy: its folder, or its home.txt; a file that does not exist is no choice.
      {platform::FolderChoice::kGenealogy, here + "/clan", here + "/clan"},
      {platform::FolderChoice::kGenealogy, here + "/clan/home.txt", here + "/clan/home.txt"},
      {platform::FolderChoice::kGenealogy, here + "/clan/none.txt", std::nullopt},
  };
  for (const Case& c : cases) {
    bool enabled = false;
    const std::optional<std::string> chosen = chooseFolder(c.choice, c.typed, enabled);
    EXPECT_EQ(enabled, c.chosen.has_value()) << c.typed.toStdString();
    std::optional<std::string> expected;
    if (c.chosen) expected = c.chosen->toStdString();
    EXPECT_EQ(chosen, expected) << c.typed.toStdString();
  }
  EXPECT_FALSE(fs::exists("新家谱"));  // the chooser makes no folder
}

// The window program's application (made by the test's main as the program makes it) speaks
// Chinese: its system locale, so the file chooser's dates and sizes, and a folder's type.
TEST(QtChinese, QtsOwnDialogsSpeakChineseWhateverTheEnvironment) {
  EXPECT_EQ(QLocale::system().name(), QStringLiteral("zh_CN"));
  EXPECT_EQ(QLocale().name(), QStringLiteral("zh_CN"));
  testing::ScopedTempDir dir;
  fs::create_directories("folder");
  QFileSystemModel model;
  bool loaded = false;
  QObject::connect(&model, &QFileSystemModel::directoryLoaded, [&loaded] { loaded = true; });
  const QModelIndex root = model.setRootPath(QDir::currentPath());
  for (int i = 0; i < 200 && !loaded; ++i) QTest::qWait(10);
  const QModelIndex folder = model.index(QDir::currentPath() + QStringLiteral("/folder"));
  ASSERT_TRUE(folder.isValid() && root.isValid());
  EXPECT_EQ(model.index(folder.row(), 2, root).data().toString(), fromU8(u8"文件夹"));
  const QString date = model.index(folder.row(), 3, root).data().toString();
  EXPECT_EQ(date, QLocale(QLocale::Chinese, QLocale::China)
                      .toString(model.lastModified(folder), QLocale::ShortFormat));
  EXPECT_FALSE(date.contains(
      QLocale::c().monthName(model.lastModified(folder).date().month(), QLocale::ShortFormat)));
  EXPECT_EQ(QCoreApplication::translate("QFileDialog", "Directory:"), fromU8(u8"目录："));
}

// The settings keep the list under XDG_CONFIG_HOME (the test's main points it at a folder of
// its own), newest first, each folder once, at most eight, and another process reads it back.
TEST(QtSettings, RecentListIsKeptInTheConfigFolder) {
  const std::string config = std::getenv("XDG_CONFIG_HOME");
  {
    platform::SettingsRecentList recent;
    recent.store({});
    for (int i = 0; i < 10; ++i) recent.putFirst("/家谱/" + std::to_string(i));
    recent.putFirst("/家谱/5");
  }
  ASSERT_TRUE(fs::exists(config + "/quillet/quillet.conf"));
  const platform::SettingsRecentList again;
  EXPECT_EQ(again.entries(),
            (std::vector<std::string>{"/家谱/5", "/家谱/9", "/家谱/8", "/家谱/7", "/家谱/6",
                                      "/家谱/4", "/家谱/3", "/家谱/2"}));
}

QAction* menuEntry(QWidget& window, int command) {
  for (QAction* action : window.findChild<QMenuBar*>()->findChildren<QAction*>()) {
    if (action->data().toInt() == command) return action;
  }
  return nullptr;
}

// 撤销 names the edit it would take back, keeping its key, and is greyed out without one; the
// list of 最近打开 holds the genealogy open now; every menu shows the window's size of text.
using QtMenuTest = testing::QtWindowTest;

TEST_F(QtMenuTest, MenuBarEntriesFollowTheWindow) {
  QAction* undo = menuEntry(*window_, ID_EDIT_UNDO);
  ASSERT_NE(undo, nullptr);
  EXPECT_FALSE(undo->isEnabled());
  EXPECT_EQ(undo->text(), fromU8(u8"撤销\tCtrl+Z"));
  dialog_->birthName = testing::gbk(u8"贾兰");
  dialog_->birthSex = "m";
  dialog_->birthDateText = "17800101";
  dialog_->motherName = testing::gbk(u8"王夫人");
  dialog_->UpdateData(false);
  dialog_->onCommand(IDC_ADD_CHILD);
  EXPECT_TRUE(undo->isEnabled());
  EXPECT_EQ(undo->text(), fromU8(u8"撤销 出生 贾兰\tCtrl+Z"));
  QAction* recent = menuEntry(*window_, ID_FILE_RECENT);
  ASSERT_TRUE(recent != nullptr && recent->menu() != nullptr);
  ASSERT_EQ(recent->menu()->actions().size(), 1);
  EXPECT_EQ(recent->menu()->actions()[0]->text(), QDir::currentPath());
  EXPECT_TRUE(recent->isEnabled());
  for (QMenu* menu : window_->findChildren<QMenu*>()) EXPECT_EQ(menu->font(), window_->font());
}

}  // namespace
}  // namespace quillet
