// The search of a tree control's find field, the same for every backend: the Qt window's field
// and the headless window's `find` (quillet-batch) both step through the labels with it.
#pragma once

#include <string_view>

#include "platform/dialog/tree_items.h"
#include "platform/dialog/win_types.h"

namespace platform {

// The item after `selected` (before it when not `forward`; from `selected` itself when
// `fromHere`) in the tree's pre-order, wrapping round, whose label matches the GBK text `wanted`
// as platform/icu/name_match.h tells (the characters, their traditional forms, their pinyin and
// its initials); from the first item (the last when not `forward`) when `selected` is TVI_NULL.
// TVI_NULL when no label matches, or `wanted` is empty or holds a NUL. One pass over the labels
// at most, with no copy of them.
HTREEITEM nextMatch(const TreeItems& items, HTREEITEM selected, std::string_view wanted,
                    bool forward, bool fromHere);

}  // namespace platform
