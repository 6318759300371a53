#include "platform/dialog/tree_find.h"

#include "platform/icu/name_match.h"

namespace platform {

HTREEITEM nextMatch(const TreeItems& items, HTREEITEM selected, std::string_view wanted,
                    bool forward, bool fromHere) {
  const NameMatcher matcher(wanted);
  if (!matcher.usable() || items.size() == 0) return TVI_NULL;
  const auto step = [&items, forward](HTREEITEM item) {
    const HTREEITEM next = forward ? items.nextInPreOrder(item) : items.previousInPreOrder(item);
    if (next != TVI_NULL) return next;
    return forward ? items.firstRoot() : items.lastInPreOrder();
  };
  HTREEITEM item = selected == TVI_NULL ? (forward ? items.firstRoot() : items.lastInPreOrder())
                   : fromHere           ? selected
                                        : step(selected);
  for (std::size_t checked = 0; checked < items.size(); ++checked, item = step(item)) {
    if (matcher.matches(items.label(item))) return item;
  }
  return TVI_NULL;
}

}  // namespace platform
