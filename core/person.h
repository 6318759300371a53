// The person record and the name key by which persons are stored and found.
//
// Every text is a GBK byte string; nothing is converted. A name key is exactly 6 bytes and a
// NUL: three GBK characters, or two characters followed by two spaces. Keys compare as whole
// NUL-terminated byte strings, so "王熙凤" and "李纨  " are keys, "李纨" (4 bytes, no padding) is
// not the same key as "李纨  ".
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace quillet {

// 6 bytes of name and a NUL.
using NameKey = std::array<char, 7>;
// The fewest bytes of a typed text that can name a person: two GBK characters.
inline constexpr std::size_t kFullNameBytes = 4;
// The bytes of a date: 8 ASCII digits yyyymmdd.
inline constexpr std::size_t kDateBytes = 8;
// A date and a NUL: byte order is date order.
using DateText = std::array<char, kDateBytes + 1>;

// Writes the name key of a typed text into `key`:
//   - the text's first bytes, at most 6, go to positions 0, 1, 2 ...;
//   - a text of 5 bytes or less gets spaces in positions 4 and 5 (so two characters become a
//     padded key, and a 5-byte text loses its fifth byte to a space);
//   - position 6 is NUL.
// Positions that a text shorter than 4 bytes leaves between its end and position 4 are NUL, so
// the key of such a text compares equal to the text itself and to no stored 6-byte name.
void makeNameKey(std::string_view text, NameKey& key);

// Whether a typed text may become a person's name: it has kFullNameBytes bytes at least, does not
// begin with the digit 0 (the genealogy file reads such a name as "nobody"), and its name key
// (see makeNameKey) is whole GBK characters, ASCII or double-byte, none of them a control byte,
// not all of them spaces (ASCII or ideographic). So "贾竹x" stays (its key "贾竹  " keeps whole
// characters) while "a贾宝" (key "a贾\xb1  ") and "贾a宝" (key "贾a\xb1  ") are refused.
bool isStorableName(std::string_view typed);

// Whether a typed date may be stored: its first kDateBytes bytes (makeDate takes no more) are
// ASCII digits yyyymmdd naming a day of the calendar the window reads dates in, the Gregorian
// from 15 October 1582 and the Julian before it (leap years every fourth year there), with 00 for
// a month or day not known: yyyymmdd, yyyymm00, yyyy0000, and 00000000 for a date not known at
// all (as the GEDCOM import writes one). A known day needs its known month and a known month its
// year, so 17830010 and 00000216 are refused; so are a month over 12, a day the month lacks
// (17830230, 17000229; but 15000229, a Julian leap day, is a date), and the ten days 15821005 to
// 15821014 that the change of calendar skipped. Byte order is then date order wherever the parts
// compared are known.
bool isStorableDate(std::string_view typed);

// A date from the first 8 bytes of `text` (REQUIRES: text.size() >= 8), NUL-terminated.
DateText makeDate(std::string_view text);

// The bytes of a key or date up to its NUL (at most its fixed length).
std::string_view keyText(const NameKey& key);
std::string_view dateText(const DateText& date);

// One clan member or one wife. Records are owned by the FamilyTree; the links are plain,
// non-owning pointers into the same tree.
struct Person {
  NameKey name{};
  DateText birthDate{};
  std::optional<DateText> deathDate;  // set exactly while `alive` is 'n'
  char married = 'n';                 // 'y' or 'n'
  char alive = 'y';                   // 'y' living, 'n' dead
  char motherIndex = '0';             // '0' none, '1' the father's spouse, '2' his secondWife
  char sex = 0;                       // 'm' or 'f'
  char generation = 0;                // a digit character, '0' for the root
  std::int32_t treeIndex = 0;         // item number in the tree view; written by the view only

  Person* firstChild = nullptr;
  Person* spouse = nullptr;      // a man's first wife, a wife's husband
  Person* secondWife = nullptr;  // a man's second wife; null for every woman
  Person* father = nullptr;
  Person* olderSibling = nullptr;
  Person* youngerSibling = nullptr;
};

}  // namespace quillet
