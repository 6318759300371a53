// The fixed texts of the display pane: the welcome text (shown when the window opens and by
// 关于软件), the usage text (使用说明) and the features text (功能说明). GBK, CR LF line breaks, no
// line break at the end.
#pragma once

#include <string_view>

namespace quillet {

// Three CR LF, then seven lines each beginning with 21 spaces (the sixth and seventh then with
// four ideographic spaces): greeting and product, studio, designer, writing team, contact
// heading, and two contact lines.
std::string_view welcomeText();

// The 342-byte guide to the window and warning about saving.
std::string_view usageText();

// What the window does that the usage text does not tell, one paragraph a feature headed by its
// name in 【】: opening a genealogy and the recent ones, find, undo and redo, the kinship path,
// the two views, the import, the exports and the printed book, and the dates it takes.
std::string_view featuresText();

}  // namespace quillet
