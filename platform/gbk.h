// Conversion between the program's GBK byte strings and UTF-8, used only at the platform's
// edges: file names on disk, the window's widgets and the terminal.
//
// Thread-safe: every call opens its own converter.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace platform {

// UTF-8 of a GBK text, or nothing when `gbk` holds a byte sequence that is not GBK.
std::optional<std::string> gbkToUtf8(std::string_view gbk);

// GBK of a UTF-8 text. A character that GBK lacks, and a byte that is not UTF-8, becomes
// `replacement` (one byte), as a person's typing would be converted by the window.
std::string utf8ToGbk(std::string_view utf8, char replacement = '?');

// Appends to `utf8` the UTF-8 of the two-byte GBK character `lead` `trail` and returns true; false
// (appending nothing) when it is no GBK character. The same answer as gbkToUtf8 gives for the two
// bytes, from a table made at the first call.
bool appendGbkCharAsUtf8(unsigned char lead, unsigned char trail, std::string& utf8);

// Length in bytes of the GBK character that starts at `text[0]`: 1 for ASCII, 2 for a lead
// byte 0x81..0xFE followed by a valid trail byte, 0 for a byte that starts no valid character.
std::size_t gbkCharLength(std::string_view text);

}  // namespace platform
