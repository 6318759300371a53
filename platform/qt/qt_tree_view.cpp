#include "platform/qt/qt_tree_view.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOption>
#include <algorithm>

#include "platform/qt/gbk_codec.h"

namespace platform {

QtTreeView::QtTreeView(TreeItems& items, QWidget* parent)
    : QAbstractScrollArea(parent), items_(items) {
  setFocusPolicy(Qt::WheelFocus);
  viewport()->setBackgroundRole(QPalette::Base);
  setRowHeight();
}

void QtTreeView::setRowHeight() {
  rowHeight_ = std::max(fontMetrics().height(), imageSize_.height()) + 4;
}

// --- Rows --------------------------------------------------------------------------------------

// Each item's rows: itself, and while it is expanded the rows of its children. A child's handle
// is greater than its parent's, so one pass from the last handle to the first adds them up.
void QtTreeView::countRows() {
  if (rowsCounted_) return;
  const std::size_t count = items_.size();
  rows_.assign(count, 0);  // first the children's rows, then the item's own
  totalRows_ = 0;
  for (std::size_t i = count; i >= 1; --i) {
    const auto item = static_cast<HTREEITEM>(i);
    const std::uint32_t shown = 1 + (items_.expanded(item) ? rows_[i - 1] : 0);
    rows_[i - 1] = shown;
    const HTREEITEM parent = items_.parent(item);
    if (parent == TVI_NULL) {
      totalRows_ += shown;
    } else {
      rowsOf(parent) += shown;
    }
  }
  rowsCounted_ = true;
}

// `item`'s rows changed by `delta`: so do those of each ancestor up to the first collapsed one.
// True when every ancestor is expanded, that is when the item shows and the rows shown changed.
bool QtTreeView::addToAncestors(HTREEITEM item, std::int64_t delta) {
  for (HTREEITEM up = items_.parent(item);; up = items_.parent(up)) {
    if (up == TVI_NULL) {
      totalRows_ += delta;
      return true;
    }
    if (!items_.expanded(up)) return false;
    rowsOf(up) = static_cast<std::uint32_t>(rowsOf(up) + delta);
  }
}

int QtTreeView::rowCount() {
  countRows();
  return static_cast<int>(totalRows_);
}

QtTreeView::Row QtTreeView::rowAt(int row) {
  countRows();
  if (row < 0 || row >= totalRows_) return {};
  auto left = static_cast<std::uint32_t>(row);
  HTREEITEM item = items_.firstRoot();
  int depth = 0;
  while (item != TVI_NULL) {
    const std::uint32_t shown = rowsOf(item);
    if (left < shown) {
      if (left == 0) return {item, depth};
      left -= 1;
      item = items_.firstChild(item);
      ++depth;
    } else {
      left -= shown;
      item = items_.nextSibling(item);
    }
  }
  return {};
}

HTREEITEM QtTreeView::itemAtRow(int row) { return rowAt(row).item; }

int QtTreeView::rowOf(HTREEITEM item) {
  if (!items_.isItem(item)) return -1;
  countRows();
  std::int64_t row = 0;
  for (HTREEITEM at = item; at != TVI_NULL; at = items_.parent(at)) {
    for (HTREEITEM older = items_.previousSibling(at); older != TVI_NULL;
         older = items_.previousSibling(older)) {
      row += rowsOf(older);
    }
    const HTREEITEM parent = items_.parent(at);
    if (parent != TVI_NULL) {
      if (!items_.expanded(parent)) return -1;
      row += 1;
    }
  }
  return static_cast<int>(row);
}

QtTreeView::Row QtTreeView::nextShown(Row row) const {
  if (items_.hasChildren(row.item) && items_.expanded(row.item)) {
    return {items_.firstChild(row.item), row.depth + 1};
  }
  HTREEITEM item = row.item;
  int depth = row.depth;
  while (item != TVI_NULL && items_.nextSibling(item) == TVI_NULL) {
    item = items_.parent(item);
    --depth;
  }
  if (item == TVI_NULL) return {};
  return {items_.nextSibling(item), depth};
}

HTREEITEM QtTreeView::previousShown(HTREEITEM item) const {
  HTREEITEM previous = items_.previousSibling(item);
  if (previous == TVI_NULL) return items_.parent(item);
  while (items_.hasChildren(previous) && items_.expanded(previous)) {
    previous = items_.lastChild(previous);
  }
  return previous;
}

HTREEITEM QtTreeView::lastShown() const {
  HTREEITEM last = items_.lastRoot();
  while (last != TVI_NULL && items_.hasChildren(last) && items_.expanded(last)) {
    last = items_.lastChild(last);
  }
  return last;
}

// --- Changes -----------------------------------------------------------------------------------

void QtTreeView::reset() {
  rowsCounted_ = false;
  rows_.clear();
  selected_ = TVI_NULL;
  contentWidth_ = 0;
  updateScrollBars();
  viewport()->update();
}

// An item under a collapsed one changes no row shown: it is measured when it comes into sight,
// so that a fill of a million items measures none of them but the first.
void QtTreeView::inserted(HTREEITEM item) {
  if (rowsCounted_) {
    bool shown = true;
    if (static_cast<std::size_t>(item) == rows_.size() + 1) {
      rows_.push_back(1);
      shown = addToAncestors(item, 1);
    } else {
      rowsCounted_ = false;
    }
    if (shown) {
      widen(labelLeft(items_.depth(item)) + labelWidth(item));
      updateScrollBars();
    }
  }
  viewport()->update();
}

void QtTreeView::relabelled(HTREEITEM item) {
  if (rowsCounted_) widen(labelLeft(items_.depth(item)) + labelWidth(item));
  viewport()->update();
}

void QtTreeView::removing(HTREEITEM item) {
  if (!items_.isItem(item)) return;
  if (rowsCounted_) {
    if (static_cast<std::size_t>(item) == rows_.size()) {
      if (addToAncestors(item, -static_cast<std::int64_t>(rowsOf(item)))) updateScrollBars();
      rows_.pop_back();
    } else {
      rowsCounted_ = false;
    }
  }
  if (selected_ == item) selected_ = TVI_NULL;
  viewport()->update();
}

void QtTreeView::markChanged(HTREEITEM item) { relabelled(item); }

QColor QtTreeView::markColor() { return QColor(0xFF, 0xD8, 0x6B); }

void QtTreeView::expansionChanged(HTREEITEM item) {
  if (rowsCounted_) {
    std::int64_t children = 0;
    for (HTREEITEM child = items_.firstChild(item); child != TVI_NULL;
         child = items_.nextSibling(child)) {
      children += rowsOf(child);
    }
    const std::int64_t delta = items_.expanded(item) ? children : -children;
    rowsOf(item) = static_cast<std::uint32_t>(rowsOf(item) + delta);
    if (addToAncestors(item, delta)) updateScrollBars();
  }
  viewport()->update();
}

void QtTreeView::recount() {
  rowsCounted_ = false;
  updateScrollBars();
  viewport()->update();
}

// --- The window's acts ---------------------------------------------------------------------------

void QtTreeView::setImageSize(const QSize& size) {
  imageSize_ = size;
  setRowHeight();
  contentWidth_ = 0;
  updateScrollBars();
  viewport()->update();
}

void QtTreeView::setRootDecorated(bool decorated) {
  rootDecorated_ = decorated;
  contentWidth_ = 0;
  viewport()->update();
}

void QtTreeView::setIndentation(int pixels) {
  indentation_ = std::max(1, pixels);
  contentWidth_ = 0;
  viewport()->update();
}

void QtTreeView::setSelected(HTREEITEM item) {
  selected_ = items_.isItem(item) ? item : TVI_NULL;
  viewport()->update();
}

void QtTreeView::setExpanded(HTREEITEM item, bool expanded) {
  if (items_.setExpanded(item, expanded)) expansionChanged(item);
}

void QtTreeView::toggle(HTREEITEM item) {
  if (items_.hasChildren(item)) setExpanded(item, !items_.expanded(item));
}

void QtTreeView::ensureVisible(HTREEITEM item) {
  if (!items_.isItem(item)) return;
  for (HTREEITEM up = items_.parent(item); up != TVI_NULL; up = items_.parent(up)) {
    setExpanded(up, true);
  }
  updateScrollBars();
  scrollToRow(rowOf(item));
  const int left = labelLeft(items_.depth(item));
  const int right = left + labelWidth(item);
  widen(right);
  QScrollBar* across = horizontalScrollBar();
  if (left < across->value()) {
    across->setValue(left);
  } else if (right > across->value() + viewport()->width()) {
    across->setValue(std::min(left, right - viewport()->width()));
  }
}

void QtTreeView::choose(HTREEITEM item) { personSelects(item); }

void QtTreeView::personSelects(HTREEITEM item) {
  if (!items_.isItem(item)) return;
  ensureVisible(item);
  setSelected(item);
  if (onPersonSelect) onPersonSelect();
}

void QtTreeView::scrollToRow(int row) {
  if (row < 0) return;
  QScrollBar* down = verticalScrollBar();
  const int page = std::max(1, viewport()->height() / rowHeight_);
  if (row < down->value()) {
    down->setValue(row);
  } else if (row >= down->value() + page) {
    down->setValue(row - page + 1);
  }
}

// --- Geometry ------------------------------------------------------------------------------------

int QtTreeView::branchLeft(int depth) const {
  return (depth - (rootDecorated_ ? 0 : 1)) * indentation_;
}

int QtTreeView::labelWidth(HTREEITEM item) const {
  return imageSize_.width() + 3 + QFontMetrics(labelFont(item)).horizontalAdvance(text(item)) + 4;
}

QFont QtTreeView::labelFont(HTREEITEM item) const {
  QFont shown = font();
  if (items_.isItem(item) && items_.marked(item)) shown.setBold(true);
  return shown;
}

QString QtTreeView::text(HTREEITEM item) const {
  return items_.isItem(item) ? qStringFromGbk(items_.label(item)) : QString();
}

QRect QtTreeView::visualRect(HTREEITEM item) {
  const int row = rowOf(item);
  if (row < 0) return {};
  const int left = labelLeft(items_.depth(item)) - horizontalScrollBar()->value();
  return {left, (row - verticalScrollBar()->value()) * rowHeight_, labelWidth(item), rowHeight_};
}

void QtTreeView::widen(int right) {
  if (right <= contentWidth_) return;
  contentWidth_ = right;
  horizontalScrollBar()->setRange(0, std::max(0, contentWidth_ - viewport()->width()));
}

void QtTreeView::updateScrollBars() {
  countRows();
  const int page = std::max(1, viewport()->height() / rowHeight_);
  QScrollBar* down = verticalScrollBar();
  down->setRange(0, std::max<int>(0, static_cast<int>(totalRows_) - page));
  down->setPageStep(page);
  down->setSingleStep(1);
  // The rows in sight are measured, so that the sideways scroll bar reaches each of them.
  Row row = rowAt(down->value());
  for (int i = 0; i <= page && row.item != TVI_NULL; ++i, row = nextShown(row)) {
    contentWidth_ = std::max(contentWidth_, labelLeft(row.depth) + labelWidth(row.item));
  }
  QScrollBar* across = horizontalScrollBar();
  across->setRange(0, std::max(0, contentWidth_ - viewport()->width()));
  across->setPageStep(std::max(1, viewport()->width()));
  across->setSingleStep(std::max(1, indentation_));
}

// --- Events --------------------------------------------------------------------------------------

void QtTreeView::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(viewport());
  countRows();
  const int shift = horizontalScrollBar()->value();
  const QPalette::ColorGroup group = hasFocus() ? QPalette::Active : QPalette::Inactive;
  QStyleOption branch;
  branch.initFrom(this);
  Row row = rowAt(verticalScrollBar()->value());
  for (int top = 0; row.item != TVI_NULL && top < viewport()->height();
       top += rowHeight_, row = nextShown(row)) {
    // The connecting lines: the item's own column with its button, then one column for each
    // ancestor whose line goes on below.
    const HTREEITEM item = row.item;
    // The style draws a button's sign in the painter's pen: never the selected label's white.
    painter.setPen(palette().color(group, QPalette::Text));
    branch.rect = QRect(branchLeft(row.depth) - shift, top, indentation_, rowHeight_);
    branch.state = QStyle::State_Item;
    if (items_.nextSibling(item) != TVI_NULL) branch.state |= QStyle::State_Sibling;
    if (items_.hasChildren(item)) branch.state |= QStyle::State_Children;
    if (items_.expanded(item)) branch.state |= QStyle::State_Open;
    if (branchLeft(row.depth) >= 0) {
      style()->drawPrimitive(QStyle::PE_IndicatorBranch, &branch, &painter, this);
    }
    int depth = row.depth;
    for (HTREEITEM up = items_.parent(item); up != TVI_NULL; up = items_.parent(up)) {
      --depth;
      if (branchLeft(depth) < 0) break;
      branch.rect.moveLeft(branchLeft(depth) - shift);
      branch.state =
          items_.nextSibling(up) != TVI_NULL ? QStyle::State_Sibling : QStyle::State_None;
      style()->drawPrimitive(QStyle::PE_IndicatorBranch, &branch, &painter, this);
    }
    // The label after its empty image space.
    // A marked label (the kinship path) is bold, on the mark colour unless it is selected.
    const QString label = text(item);
    const bool marked = items_.marked(item);
    const QFont shownFont = labelFont(item);
    painter.setFont(shownFont);
    const int textLeft = labelLeft(row.depth) + imageSize_.width() + 3;
    const int textWidth = QFontMetrics(shownFont).horizontalAdvance(label);
    widen(textLeft + textWidth + 4);
    const QRect textRect(textLeft - shift, top, textWidth + 4, rowHeight_);
    if (item == selected_) {
      painter.fillRect(textRect.adjusted(-2, 1, 0, -1),
                       palette().brush(group, QPalette::Highlight));
      painter.setPen(palette().color(group, QPalette::HighlightedText));
    } else if (marked) {
      painter.fillRect(textRect.adjusted(-2, 1, 0, -1), markColor());
      painter.setPen(Qt::black);
    } else {
      painter.setPen(palette().color(group, QPalette::Text));
    }
    painter.drawText(textRect.adjusted(0, 0, -2, 0), Qt::AlignLeft | Qt::AlignVCenter, label);
    painter.setFont(font());
    if (item == selected_ && hasFocus()) {
      QStyleOptionFocusRect focus;
      focus.initFrom(this);
      focus.rect = textRect.adjusted(-2, 1, 0, -1);
      focus.backgroundColor = palette().color(group, QPalette::Highlight);
      style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
    }
  }
}

void QtTreeView::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    QAbstractScrollArea::mousePressEvent(event);
    return;
  }
  if ((focusPolicy() & Qt::ClickFocus) != 0) setFocus(Qt::MouseFocusReason);
  const QPoint at = event->position().toPoint();
  const Row hit = rowAt(verticalScrollBar()->value() + at.y() / rowHeight_);
  if (hit.item == TVI_NULL) return;
  const int x = at.x() + horizontalScrollBar()->value();
  if (items_.hasChildren(hit.item) && x >= branchLeft(hit.depth) &&
      x < branchLeft(hit.depth) + indentation_) {
    toggle(hit.item);  // the button opens or closes, and selects nothing
    return;
  }
  // A click on another item selects it; one on the selected item's label reports it again.
  if (hit.item != selected_ || visualRect(hit.item).contains(at)) personSelects(hit.item);
}

void QtTreeView::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  const Row hit =
      rowAt(verticalScrollBar()->value() + event->position().toPoint().y() / rowHeight_);
  if (hit.item != TVI_NULL) toggle(hit.item);
}

HTREEITEM QtTreeView::keyAnchor() {
  HTREEITEM anchor = selected_;
  if (anchor == TVI_NULL) return TVI_NULL;
  for (HTREEITEM up = items_.parent(anchor); up != TVI_NULL; up = items_.parent(up)) {
    if (!items_.expanded(up)) anchor = up;
  }
  return anchor;
}

void QtTreeView::keyPressEvent(QKeyEvent* event) {
  const HTREEITEM anchor = keyAnchor();
  const int page = std::max(1, viewport()->height() / rowHeight_);
  HTREEITEM target = TVI_NULL;
  switch (event->key()) {
    case Qt::Key_Up:
      target = anchor == TVI_NULL ? items_.firstRoot() : previousShown(anchor);
      break;
    case Qt::Key_Down:
      target =
          anchor == TVI_NULL ? items_.firstRoot() : nextShown({anchor, items_.depth(anchor)}).item;
      break;
    case Qt::Key_Home:
      target = items_.firstRoot();
      break;
    case Qt::Key_End:
      target = lastShown();
      break;
    case Qt::Key_PageUp:
      target = itemAtRow(std::max(0, (anchor == TVI_NULL ? 0 : rowOf(anchor)) - page));
      break;
    case Qt::Key_PageDown:
      target = itemAtRow(std::min(rowCount() - 1, (anchor == TVI_NULL ? 0 : rowOf(anchor)) + page));
      break;
    case Qt::Key_Left:
      if (anchor == TVI_NULL) break;
      if (items_.hasChildren(anchor) && items_.expanded(anchor)) {
        setExpanded(anchor, false);
      } else {
        target = items_.parent(anchor);
      }
      break;
    case Qt::Key_Right:
      if (anchor == TVI_NULL || !items_.hasChildren(anchor)) break;
      if (!items_.expanded(anchor)) {
        setExpanded(anchor, true);
      } else {
        target = items_.firstChild(anchor);
      }
      break;
    case Qt::Key_Plus:
    case Qt::Key_Minus:
      if (anchor != TVI_NULL) setExpanded(anchor, event->key() == Qt::Key_Plus);
      break;
    default:
      QAbstractScrollArea::keyPressEvent(event);
      return;
  }
  if (target != TVI_NULL && target != selected_) personSelects(target);
}

void QtTreeView::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  updateScrollBars();
}

void QtTreeView::changeEvent(QEvent* event) {
  QAbstractScrollArea::changeEvent(event);
  if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) {
    setRowHeight();
    contentWidth_ = 0;
    updateScrollBars();
  }
}

void QtTreeView::focusInEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusInEvent(event);
  viewport()->update();
}

void QtTreeView::focusOutEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusOutEvent(event);
  viewport()->update();
}

// The view scrolls by whole rows and repaints what it shows.
void QtTreeView::scrollContentsBy(int /*dx*/, int /*dy*/) { viewport()->update(); }

}  // namespace platform
