#include "platform/dialog/tree_items.h"

#include <algorithm>
#include <limits>

namespace platform {

HTREEITEM TreeItems::insert(std::string_view gbkLabel, int image, int selectedImage,
                            std::intptr_t data, HTREEITEM parent, HTREEITEM insertAfter) {
  const bool topLevel = parent == TVI_ROOT || parent == TVI_NULL;
  if (!topLevel && !isItem(parent)) return TVI_NULL;
  if (size_ == itemBlocks_.size() * kItemsPerBlock) {
    itemBlocks_.emplace_back(kItemsPerBlock * sizeof(Item));
  }
  const auto handle = static_cast<std::uint32_t>(size_ + 1);
  ++size_;
  Item& item = at(handle);
  item = Item{};
  item.parent = topLevel ? 0 : static_cast<std::uint32_t>(parent);
  item.image = image;
  item.selectedImage = selectedImage;
  const auto bits = static_cast<std::uint64_t>(data);
  item.dataLow = static_cast<std::uint32_t>(bits);
  item.dataHigh = static_cast<std::uint32_t>(bits >> 32);
  storeLabel(handle, item, gbkLabel);

  std::uint32_t& first = topLevel ? firstRoot_ : at(parent).firstChild;
  std::uint32_t& last = topLevel ? lastRoot_ : at(parent).lastChild;
  std::uint32_t after = last;  // the sibling the new item follows; 0: it comes first
  if (insertAfter == TVI_FIRST) {
    after = 0;
  } else if (insertAfter != TVI_LAST && isItem(insertAfter) &&
             static_cast<std::uint32_t>(insertAfter) != handle &&
             at(insertAfter).parent == item.parent) {
    after = static_cast<std::uint32_t>(insertAfter);
  }
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
  itemBlocks_.clear();
  size_ = 0;
  labelBlocks_.clear();
  labelEnd_ = 0;
  longLabels_.clear();
  firstRoot_ = 0;
  lastRoot_ = 0;
  collapsed_ = 0;
  collapsedBySetter_.clear();
}

bool TreeItems::removeNewest() {
  if (size_ == 0) return false;
  const auto handle = static_cast<HTREEITEM>(size_);
  const Item& item = at(handle);
  if (item.firstChild != 0) return false;
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
  if (item.labelLength == kLongLabel) {
    longLabels_.erase(static_cast<std::uint32_t>(handle));
  } else if (item.labelOffset + std::uint64_t{item.labelLength} == labelEnd_) {
    labelEnd_ = item.labelOffset;
  }
  --size_;
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

std::string_view TreeItems::label(HTREEITEM item) const {
  const Item& it = at(item);
  if (it.labelLength == kLongLabel) return longLabels_.at(static_cast<std::uint32_t>(item));
  if (it.labelLength == 0) return {};
  const char* block = static_cast<const char*>(labelBlocks_[it.labelOffset / kLabelBlock].data());
  return {block + it.labelOffset % kLabelBlock, it.labelLength};
}

void TreeItems::storeLabel(HTREEITEM handle, Item& item, std::string_view gbkLabel) {
  // A label no longer than the one it replaces takes its place; others go after the last, in
  // the last block when they fit there, else in a new one. A label of kLongLabel bytes or more
  // is kept by itself.
  const auto key = static_cast<std::uint32_t>(handle);
  if (gbkLabel.size() >= kLongLabel) {
    longLabels_[key].assign(gbkLabel);
    item.labelLength = kLongLabel;
    return;
  }
  if (item.labelLength == kLongLabel) {
    longLabels_.erase(key);
    item.labelLength = 0;
  }
  if (item.labelLength != 0 && gbkLabel.size() <= item.labelLength) {
    char* block = static_cast<char*>(labelBlocks_[item.labelOffset / kLabelBlock].data());
    std::copy(gbkLabel.begin(), gbkLabel.end(), block + item.labelOffset % kLabelBlock);
    item.labelLength = static_cast<std::uint16_t>(gbkLabel.size());
    return;
  }
  std::uint64_t offset = labelEnd_;
  if (offset % kLabelBlock + gbkLabel.size() > kLabelBlock)
    offset = labelBlocks_.size() * kLabelBlock;
  constexpr std::uint64_t kMost = std::numeric_limits<std::uint32_t>::max();
  if (offset + gbkLabel.size() > kMost) {  // no room left in 32 bits of offset
    item.labelOffset = 0;
    item.labelLength = 0;
    return;
  }
  if (offset == labelBlocks_.size() * kLabelBlock && !gbkLabel.empty()) {
    labelBlocks_.emplace_back(kLabelBlock);
  }
  if (!gbkLabel.empty()) {
    char* block = static_cast<char*>(labelBlocks_[offset / kLabelBlock].data());
    std::copy(gbkLabel.begin(), gbkLabel.end(), block + offset % kLabelBlock);
  }
  item.labelOffset = static_cast<std::uint32_t>(offset);
  item.labelLength = static_cast<std::uint16_t>(gbkLabel.size());
  labelEnd_ = offset + gbkLabel.size();
}

void TreeItems::setLabel(HTREEITEM item, std::string_view gbkLabel) {
  storeLabel(item, at(item), gbkLabel);
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
  for (std::size_t i = 1; collapsed_ != 0 && i <= size_; ++i) {
    open(static_cast<HTREEITEM>(i));
  }
}

}  // namespace platform
