// The find field at the foot of a window's tree (Ctrl+F opens it). The window places the field,
// opens and closes it, searches with the text typed (platform/dialog/tree_find.h) and selects what
// the search finds.
//
// Requires a QApplication. GUI thread only.
#pragma once

#include <QLineEdit>
#include <functional>

namespace platform {

// The field: Enter and F3 ask for the next match, Shift+F3 for the previous, Esc closes the
// field (and only the field). It shows its text red while nothing matches.
class FindField : public QLineEdit {
 public:
  explicit FindField(QWidget* parent) : QLineEdit(parent) {}
  std::function<void(bool forward)> onNext;
  std::function<void()> onClose;

  // Red text when not `found`, the usual colour otherwise.
  void showFound(bool found);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace platform
