// The text the display pane shows after a save.
#pragma once

#include <string>

#include "core/family_tree.h"

namespace quillet {

// After a save that succeeded, "保存成功！" (the saved text). After one that failed, the not-saved
// text, then one line for each person whose change the genealogy file cannot hold, naming the
// person and the change (the first twenty, and how many more), then a line when another program
// changed the file since it was read, one when the load left records of the file unread, or a
// line saying why the file could not be written. GBK.
std::string saveResultText(bool saved, const SaveReport& report);

}  // namespace quillet
