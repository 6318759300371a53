#include "platform/dialog/tree_items.h"

#include <limits>

namespace platform {

HTREEITEM TreeItems::insert(std::string_view gbkLabel, int image, int selectedImage,
                            std::intptr_t data, HTREEITEM parent, HTREEITEM insertAfter) {
  const bool topLevel = parent == TVI_ROOT || parent == TVI_NULL;
  if (!topLevel && !isItem(parent)) return TVI_NULL;
  const auto handle = static_cast<std::uint32_t>(items_.size() + 1);
  Item made;
  made.parent = topLevel ? 0 : static_cast<std::uint32_t>(parent);
  made.image = image;
  made.selectedImage = selectedImage;
  made.data = data;
  storeLabel(made, gbkLabel);
  items_.push_back(made);

  std::uint32_t& first = topLevel ? firstRoot_ : at(parent).firstChild;
  std::uint32_t& last = topLevel ? lastRoot_ : at(parent).lastChild;
  std::uint32_t after = last;  // the sibling the new item follows; 0: it comes first
  if (insertAfter == TVI_FIRST) {
    after = 0;
  } else if (insertAfter != TVI_LAST && isItem(insertAfter) &&
             static_cast<std::uint32_t>(insertAfter) != handle &&
             at(insertAfter).parent == made.parent) {
    after = static_cast<std::uint32_t>(insertAfter);
  }
  Item& item = items_.back();
  item.previousSibling = after;
  item.nextSibling = after == 0 ? first : at(after).nextSibling;
  if (after == 0) {
    first = handle;
  } else {
    at(after).nextSibling = handle;
  }
  if (item.nextSibling == 0) {
    last = handle;
  } else {
    at(item.nextSibling).previousSibling = handle;
  }
  // The parent's first child: from now on the parent shows whether it is open.
  if (!topLevel && first == handle && last == handle && !at(parent).expanded) ++collapsed_;
  return handle;
}

void TreeItems::clear() {
  items_.clear();
  labels_.clear();
  firstRoot_ = 0;
  lastRoot_ = 0;
  collapsed_ = 0;
  collapsedBySetter_.clear();
}

bool TreeItems::removeNewest() {
  if (items_.empty() || items_.back().firstChild != 0) return false;
  const Item& item = items_.back();
  const bool topLevel = item.parent == 0;
  std::uint32_t& first = topLevel ? firstRoot_ : at(item.parent).firstChild;
  std::uint32_t& last = topLevel ? lastRoot_ : at(item.parent).lastChild;
  if (item.previousSibling == 0) {
    first = item.nextSibling;
  } else {
    at(item.previousSibling).nextSibling = item.nextSibling;
  }
  if (item.nextSibling == 0) {
    last = item.previousSibling;
  } else {
    at(item.nextSibling).previousSibling = item.previousSibling;
  }
  // A parent left without children no longer shows whether it is open.
  if (!topLevel && first == 0 && !at(item.parent).expanded) --collapsed_;
  if (item.labelOffset + item.labelLength == labels_.size()) labels_.resize(item.labelOffset);
  items_.pop_back();
  return true;
}

HTREEITEM TreeItems::nextInPreOrder(HTREEITEM item) const {
  if (at(item).firstChild != 0) return at(item).firstChild;
  for (HTREEITEM up = item; up != TVI_NULL; up = at(up).parent) {
    if (at(up).nextSibling != 0) return at(up).nextSibling;
  }
  return TVI_NULL;
}

HTREEITEM TreeItems::previousInPreOrder(HTREEITEM item) const {
  HTREEITEM previous = at(item).previousSibling;
  if (previous == TVI_NULL) return at(item).parent;
  while (at(previous).lastChild != 0) previous = at(previous).lastChild;
  return previous;
}

HTREEITEM TreeItems::lastInPreOrder() const {
  HTREEITEM last = lastRoot_;
  while (last != TVI_NULL && at(last).lastChild != 0) last = at(last).lastChild;
  return last;
}

int TreeItems::depth(HTREEITEM item) const {
  int levels = 0;
  for (HTREEITEM up = at(item).parent; up != TVI_NULL; up = at(up).parent) ++levels;
  return levels;
}

void TreeItems::storeLabel(Item& item, std::string_view gbkLabel) {
  // A label no longer than the one it replaces takes its place; others go after the last.
  if (item.labelLength != 0 && gbkLabel.size() <= item.labelLength) {
    labels_.replace(item.labelOffset, gbkLabel.size(), gbkLabel);
    item.labelLength = static_cast<std::uint32_t>(gbkLabel.size());
    return;
  }
  constexpr std::size_t kMost = std::numeric_limits<std::uint32_t>::max();
  if (labels_.size() > kMost || gbkLabel.size() > kMost - labels_.size()) gbkLabel = {};
  item.labelOffset = static_cast<std::uint32_t>(labels_.size());
  item.labelLength = static_cast<std::uint32_t>(gbkLabel.size());
  labels_.append(gbkLabel);
}

void TreeItems::setLabel(HTREEITEM item, std::string_view gbkLabel) {
  storeLabel(at(item), gbkLabel);
}

bool TreeItems::setExpanded(HTREEITEM item, bool expanded) {
  Item& it = at(item);
  if (it.expanded == expanded) return false;
  it.expanded = expanded;
  if (it.firstChild != 0) {
    if (expanded) {
      --collapsed_;
    } else {
      ++collapsed_;
      collapsedBySetter_.push_back(item);
    }
  }
  return true;
}

void TreeItems::expandAll(const std::function<void(HTREEITEM)>& opened) {
  auto open = [&](HTREEITEM item) {
    if (at(item).firstChild == 0 || at(item).expanded) return;
    at(item).expanded = true;
    --collapsed_;
    if (opened) opened(item);
  };
  for (HTREEITEM item : collapsedBySetter_) {
    if (collapsed_ == 0) break;
    if (isItem(item)) open(item);  // an item removed since may have had its handle reused
  }
  collapsedBySetter_.clear();
  for (std::size_t i = 1; collapsed_ != 0 && i <= items_.size(); ++i) {
    open(static_cast<HTREEITEM>(i));
  }
}

}  // namespace platform
