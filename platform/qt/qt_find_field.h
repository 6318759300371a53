// The find field at the foot of a window's tree (Ctrl+F opens it): the field itself, and the
// search it runs over the tree's labels. The text typed is matched against the GBK labels at
// character boundaries, a letter of either case alike (ASCII, and GBK's full-width Latin, Greek
// and Cyrillic letters); a character GBK lacks is in no label. The window places the field,
// opens and closes it, and selects what the search finds.
//
// Requires a QApplication. GUI thread only.
#pragma once

#include <QLineEdit>
#include <QString>
#include <functional>

#include "platform/dialog/tree_items.h"

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

// The item after `selected` (before it when not `forward`; from `selected` itself when
// `fromHere`) in the tree's pre-order, wrapping round, whose label holds `wanted`; from the
// first item (the last when not `forward`) when `selected` is TVI_NULL. TVI_NULL when no label
// holds it, or `wanted` is empty. One pass over the labels at most, with no copy of them.
HTREEITEM nextMatch(const TreeItems& items, HTREEITEM selected, const QString& wanted, bool forward,
                    bool fromHere);

}  // namespace platform
