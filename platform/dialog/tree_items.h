// The items of one tree control as the window system keeps them: each item's label (GBK), image
// indices, program data, place among its siblings and whether it is expanded. Both backends keep
// their tree controls' items here; the Qt window draws from it, the headless one prints it.
//
// Every operation takes constant time, but for those that say otherwise: a control can hold
// millions of items and take one more, or a new label, at once. Handles are 1, 2, 3 ... in the
// order the items were inserted since the control was last emptied, so a child's handle is
// always greater than its parent's.
//
// Not thread-safe: the user-interface thread only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/dialog/win_types.h"
#include "platform/large_block.h"

namespace platform {

class TreeItems {
 public:
  // Inserts an item under `parent` (TVI_ROOT or TVI_NULL: a top-level item) after `insertAfter`
  // (TVI_FIRST, TVI_LAST, or a child of `parent`; any other handle counts as TVI_LAST). Returns
  // its handle, or TVI_NULL when `parent` is no item. A parent that had no children and is not
  // expanded counts as collapsed from here on (see collapsedCount).
  HTREEITEM insert(std::string_view gbkLabel, int image, int selectedImage, std::intptr_t data,
                   HTREEITEM parent, HTREEITEM insertAfter);
  // Removes every item.
  void clear();
  // Removes the newest item (the one with the greatest handle), which must have no children, so
  // that its handle is handed out again by the next insert. False, removing nothing, when there
  // is no item or the newest has children.
  bool removeNewest();

  bool isItem(HTREEITEM item) const { return item >= 1 && static_cast<std::size_t>(item) <= size_; }
  std::size_t size() const { return size_; }

  // The links between items; TVI_NULL where there is none. REQUIRES: isItem(item).
  HTREEITEM firstRoot() const { return firstRoot_; }
  HTREEITEM lastRoot() const { return lastRoot_; }
  HTREEITEM parent(HTREEITEM item) const { return at(item).parent; }
  HTREEITEM firstChild(HTREEITEM item) const { return at(item).firstChild; }
  HTREEITEM lastChild(HTREEITEM item) const { return at(item).lastChild; }
  HTREEITEM nextSibling(HTREEITEM item) const { return at(item).nextSibling; }
  HTREEITEM previousSibling(HTREEITEM item) const { return at(item).previousSibling; }
  // The item after `item` in pre-order (its first child, else the next sibling of it or of its
  // nearest ancestor that has one), or TVI_NULL after the last. Steps up as many levels as it
  // leaves.
  HTREEITEM nextInPreOrder(HTREEITEM item) const;
  // The item before `item` in pre-order (the last descendant of its previous sibling, else its
  // parent), or TVI_NULL before the first. Steps down as many levels as it enters.
  HTREEITEM previousInPreOrder(HTREEITEM item) const;
  // The last item in pre-order, or TVI_NULL when there is none.
  HTREEITEM lastInPreOrder() const;
  // 0 for a top-level item. Takes as many steps as the item is deep.
  int depth(HTREEITEM item) const;

  // REQUIRES: isItem(item).
  std::string_view label(HTREEITEM item) const;
  void setLabel(HTREEITEM item, std::string_view gbkLabel);
  int image(HTREEITEM item) const { return at(item).image; }
  int selectedImage(HTREEITEM item) const { return at(item).selectedImage; }
  std::intptr_t data(HTREEITEM item) const {
    const Item& it = at(item);
    return static_cast<std::intptr_t>(std::uint64_t{it.dataHigh} << 32 | it.dataLow);
  }
  bool hasChildren(HTREEITEM item) const { return at(item).firstChild != TVI_NULL; }
  // The expanded flag; an item without children can hold it, and shows it once it has some.
  bool expanded(HTREEITEM item) const { return at(item).expanded; }
  // Sets the flag; true when it changed.
  bool setExpanded(HTREEITEM item, bool expanded);

  // The marked flag: a mark the program puts on items to set them off (drawn highlighted).
  bool marked(HTREEITEM item) const { return at(item).marked; }
  void setMarked(HTREEITEM item, bool marked) { at(item).marked = marked; }

  // Items that have children and are not expanded.
  std::size_t collapsedCount() const { return collapsed_; }
  // Expands every item that has children, calling `opened` (when given) right after each one it
  // expands. Takes as many steps as items were collapsed by setExpanded since the control was
  // emptied, or, when others are collapsed too (a parent never expanded), as there are items.
  void expandAll(const std::function<void(HTREEITEM)>& opened = {});

 private:
  // Links are handles (0 for none) in 32 bits, the data in two halves: 44 bytes an item.
  struct Item {
    std::uint32_t parent;
    std::uint32_t firstChild;
    std::uint32_t lastChild;
    std::uint32_t nextSibling;
    std::uint32_t previousSibling;
    std::uint32_t labelOffset;  // in the label bytes; kLongLabel: in longLabels_
    std::int32_t image;
    std::int32_t selectedImage;
    std::uint32_t dataLow;
    std::uint32_t dataHigh;
    std::uint16_t labelLength;
    bool expanded;
    bool marked;
  };
  // Items and label bytes are kept in blocks that never move (no copy as the control grows),
  // each taken from the system at once (see LargeBlock).
  static constexpr std::size_t kItemsPerBlock = std::size_t{1} << 16;
  static constexpr std::size_t kLabelBlock = std::size_t{2} << 20;
  static constexpr std::uint16_t kLongLabel = 0xFFFF;  // a label of this length or more

  const Item& at(HTREEITEM item) const {
    const auto i = static_cast<std::size_t>(item - 1);
    return static_cast<const Item*>(itemBlocks_[i / kItemsPerBlock].data())[i % kItemsPerBlock];
  }
  Item& at(HTREEITEM item) { return const_cast<Item&>(std::as_const(*this).at(item)); }
  void storeLabel(HTREEITEM handle, Item& item, std::string_view gbkLabel);

  std::vector<LargeBlock> itemBlocks_;
  std::size_t size_ = 0;
  std::vector<LargeBlock> labelBlocks_;
  std::uint64_t labelEnd_ = 0;                                 // where the next label's bytes go
  std::unordered_map<std::uint32_t, std::string> longLabels_;  // by handle
  std::uint32_t firstRoot_ = 0;
  std::uint32_t lastRoot_ = 0;
  std::size_t collapsed_ = 0;
  std::vector<HTREEITEM> collapsedBySetter_;  // may hold items expanded again since
};

}  // namespace platform
