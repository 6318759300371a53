// Conversion between the program's GBK byte strings and UTF-8, used only at the platform's
// edges: file names on disk, the window's widgets and the terminal.
//
// Thread-safe: every call opens its own converter.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

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

// --- Other character sets ----------------------------------------------------------------------

// Converts `bytes` in the character set `charset` (a name the system's converter knows, such as
// "GB18030", "BIG5" or "UTF-8") to UTF-8, appended to `utf8`. Each byte sequence that the set
// cannot decode becomes U+FFFD, and the offset in `utf8` at which it was put is appended to
// `bad`; the conversion goes on after it. False, with nothing appended, when the system does not
// know the character set.
bool decodeToUtf8(std::string_view bytes, const char* charset, std::string& utf8,
                  std::vector<std::size_t>& bad);

}  // namespace platform
