// The main window over the Qt backend for offscreen tests, and the helpers those tests share.
// Files that include Qt are compiled with UTF-8 literals: GBK bytes are made explicitly.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "app/main_dialog.h"
#include "app/process_objects.h"
#include "platform/gbk.h"
#include "platform/qt/qt_backend.h"
#include "platform/qt/qt_tree_view.h"
#include "tests/support/small_clan.h"
#include "tests/support/temp_dir.h"

namespace quillet::testing {

inline std::string gbk(std::u8string_view text) {
  return platform::utf8ToGbk(std::string(text.begin(), text.end()));
}

inline QString fromU8(std::u8string_view text) {
  return QString::fromUtf8(reinterpret_cast<const char*>(text.data()),
                           static_cast<qsizetype>(text.size()));
}

// Each row the tree shows, top to bottom: its depth, a space and its label.
inline QStringList shownRows(platform::QtTreeView& tree) {
  QStringList rows;
  for (int row = 0; row < tree.rowCount(); ++row) {
    const platform::HTREEITEM item = tree.itemAtRow(row);
    rows << QString::number(tree.items().depth(item)) + QLatin1Char(' ') + tree.text(item);
  }
  return rows;
}

// Runs `answer` on the next message box once it is up (from the event loop its exec runs).
inline void whenBoxOpens(std::function<void(QMessageBox&)> answer) {
  QTimer::singleShot(0, [answer] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    answer(*box);
  });
}

// The main window over the Qt backend, opened on `home` (the small clan by default), created
// and initialised but not run.
class QtWindowTest : public ::testing::Test {
 protected:
  explicit QtWindowTest(const std::string& home = smallClanFile()) {
    writeFile("home.txt", home);
    objects_ = std::make_unique<ProcessObjects>();
    dialog_ = std::make_unique<MainDialog>(*objects_);
    created_ = dialog_->Create();
    window_ = platform::qtWidgetOf(dialog_->peer());
  }

  template <typename W>
  W* control(int id) {
    return window_->findChild<W*>(QString::number(id));
  }

  ScopedTempDir dir_;
  platform::QtBackend backend_;
  const platform::ScopedBackend installed_{&backend_};
  // Made after the backend is installed and gone before it is put back.
  std::unique_ptr<ProcessObjects> objects_;
  std::unique_ptr<MainDialog> dialog_;
  bool created_ = false;
  QWidget* window_ = nullptr;
};

}  // namespace quillet::testing
