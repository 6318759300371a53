// The text conventions of quillet-batch: UTF-8 lines with escapes on the terminal side, GBK
// byte strings on the window side.
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <string_view>

namespace quillet::batch {

// GBK of an input text after its escapes: \r CR, \n LF, \t TAB, \s space, \\ backslash, \xHH the
// raw byte HH. Everything else is UTF-8, converted as the window converts typing (a character
// GBK lacks becomes '?'). Nothing when an escape is malformed (unknown letter, bad hex digits, a
// lone backslash at the end).
std::optional<std::string> decodeInputText(std::string_view utf8);

// One output line's text: GBK converted to UTF-8, with CR as \r, LF as \n, TAB as \t, backslash
// as \\, any other byte below 0x20 and any byte that is not part of a valid GBK character as
// \xHH (lower-case hex). Spaces stay spaces.
std::string encodeOutputText(std::string_view gbk);
// The same text appended to `out`, or written to `out` a block at a time.
void appendOutputText(std::string_view gbk, std::string& out);
void writeOutputText(std::string_view gbk, std::ostream& out);

}  // namespace quillet::batch
