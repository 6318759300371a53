// The tree control of a Qt window: it draws the items of a TreeItems store and takes a
// person's clicks and keys, as the system's tree control does (expand/collapse buttons,
// connecting lines, a label after an image space; labels cannot be edited).
//
// It keeps no items of its own, only how many rows each item's subtree shows, so that a million
// items take four bytes each here and one inserted, relabelled or opened item costs as many
// steps as it is deep (or, for an opening, as it has children); only painting converts labels.
// The window tells it every change it makes to the store (inserted, relabelled ...); changes
// that a person makes (opening an item, selecting one) it makes itself, and it tells the window
// of a person's selection through onPersonSelect.
//
// Requires a QApplication. GUI thread only.
#pragma once

#include <QAbstractScrollArea>
#include <QColor>
#include <QFont>
#include <QSize>
#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

#include "platform/dialog/tree_items.h"

namespace platform {

class QtTreeView : public QAbstractScrollArea {
 public:
  // Draws `items`, which must outlive the view and change only as the window reports.
  QtTreeView(TreeItems& items, QWidget* parent);

  // --- Changes the window made to the items --------------------------------------------------
  // The items were emptied (and maybe filled anew): nothing is selected, and the rows are
  // counted afresh when next needed.
  void reset();
  // `item` was inserted (it is the newest item).
  void inserted(HTREEITEM item);
  void relabelled(HTREEITEM item);
  // `item`, the newest item, is about to be removed (TreeItems::removeNewest).
  void removing(HTREEITEM item);
  // The marked flag of `item` changed: a marked label is drawn bold on the mark colour.
  void markChanged(HTREEITEM item);
  // The expanded flag of `item` changed.
  void expansionChanged(HTREEITEM item);
  // Many flags changed at once: the rows are counted afresh when next needed.
  void recount();

  // --- The window's own acts (never reported) ------------------------------------------------
  void setImageSize(const QSize& size);
  void setRootDecorated(bool decorated);
  void setIndentation(int pixels);
  // Selects `item` (TVI_NULL: nothing).
  void setSelected(HTREEITEM item);
  HTREEITEM selected() const { return selected_; }
  // Opens the item's ancestors and scrolls so that the item shows.
  void ensureVisible(HTREEITEM item);
  // As a person's choice: opens the ancestors, scrolls to the item, selects it and reports it.
  void choose(HTREEITEM item);

  // --- What it shows -------------------------------------------------------------------------
  const TreeItems& items() const { return items_; }
  int rowCount();
  // The item on row `row` (0 is the first shown), or TVI_NULL past the last.
  HTREEITEM itemAtRow(int row);
  // The row of `item`, or -1 when an ancestor is collapsed.
  int rowOf(HTREEITEM item);
  // Where the item's label (with its image space) is in the viewport; empty when it is hidden.
  QRect visualRect(HTREEITEM item);
  QString text(HTREEITEM item) const;
  int rowHeight() const { return rowHeight_; }
  // The background of a marked label that is not selected: distinct from the selection's.
  static QColor markColor();

  // A person selected an item: clicked it (again, too), moved to it with the keys, or found it.
  std::function<void()> onPersonSelect;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;

 private:
  // A shown row: its item and depth.
  struct Row {
    HTREEITEM item = TVI_NULL;
    int depth = 0;
  };
  void setRowHeight();
  std::uint32_t& rowsOf(HTREEITEM item) { return rows_[static_cast<std::size_t>(item - 1)]; }
  void countRows();
  bool addToAncestors(HTREEITEM item, std::int64_t delta);
  Row rowAt(int row);
  Row nextShown(Row row) const;
  HTREEITEM previousShown(HTREEITEM item) const;
  HTREEITEM lastShown() const;
  void toggle(HTREEITEM item);
  void setExpanded(HTREEITEM item, bool expanded);
  // The item the keys move from: the selected one, or its nearest shown ancestor.
  HTREEITEM keyAnchor();
  // The x of an item's branch column (its button) at `depth`, before scrolling sideways.
  int branchLeft(int depth) const;
  int labelLeft(int depth) const { return branchLeft(depth) + indentation_; }
  int labelWidth(HTREEITEM item) const;
  QFont labelFont(HTREEITEM item) const;
  void widen(int right);
  void updateScrollBars();
  void scrollToRow(int row);
  void personSelects(HTREEITEM item);

  TreeItems& items_;
  std::vector<std::uint32_t> rows_;  // by handle: the rows the item's subtree shows
  bool rowsCounted_ = false;
  std::int64_t totalRows_ = 0;
  HTREEITEM selected_ = TVI_NULL;
  QSize imageSize_{16, 16};
  bool rootDecorated_ = true;
  int indentation_ = 20;
  int rowHeight_ = 20;
  int contentWidth_ = 0;  // the widest row drawn or changed so far
};

}  // namespace platform
