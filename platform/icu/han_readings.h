// The readings of the GBK characters, for finding a name typed as pinyin or in traditional
// characters: for each Chinese character of GBK its pinyin without tones and its simplified form,
// as ICU's Han-Latin and Traditional-Simplified transforms give them, and the readings of the
// surnames that are read otherwise as surnames (单 shan, 曾 zeng, 尉迟 yu chi).
//
// The table is made once, when the program is built: han_table_maker.cpp runs the two transforms
// over every two-byte GBK character, each character alone, and the result is compiled in. A
// lookup is one index into constant arrays, with no ICU call and no cost at start-up.
//
// Thread-safe: constant data only.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace platform {

// A two-byte GBK character as one number: its lead byte times 256 plus its trail byte.
using GbkCode = std::uint16_t;

struct HanReading {
  // The simplified form: the character itself when it has none that GBK holds, or is no Chinese
  // character (賈 gives 贾, 贾 gives 贾, 乾 gives 干 as ICU's transform has it).
  GbkCode simplified = 0;
  // The pinyin: lower-case ASCII letters without tones, ü written v (吕 "lv"); empty for what has
  // none (punctuation, letters, codes GBK leaves unassigned).
  std::string_view pinyin;
};

namespace detail {
// The table made at build time: for each two-byte character (hanIndexOf) its simplified form (0:
// itself) and its pinyin (an index into kHanSyllables, 0: none); and which characters read
// otherwise at the start of a name (0: none). Declared here so that a lookup, asked for every
// character of every label a find reads, is inline.
struct HanEntry {
  std::uint16_t simplified;
  std::uint16_t syllable;
};
inline constexpr std::size_t kHanTableSize = (0xFE - 0x81 + 1) * (0xFE - 0x40 + 1);
extern const HanEntry kHanTable[kHanTableSize];
extern const std::string_view kHanSyllables[];
extern const std::array<std::uint8_t, kHanTableSize> kSurnameMarks;

// The place of a two-byte character in the tables, or kHanTableSize for a code outside GBK's
// two-byte range.
constexpr std::size_t hanIndexOf(GbkCode code) {
  const unsigned lead = code >> 8;
  const unsigned trail = code & 0xFFu;
  if (lead < 0x81 || lead > 0xFE || trail < 0x40 || trail > 0xFE) return kHanTableSize;
  return (lead - 0x81) * (0xFE - 0x40 + 1) + trail - 0x40;
}
}  // namespace detail

// The reading of `code`, read as any character of a text.
inline HanReading readingOf(GbkCode code) {
  const std::size_t index = detail::hanIndexOf(code);
  if (index == detail::kHanTableSize) return {code, {}};
  const detail::HanEntry& entry = detail::kHanTable[index];
  return {entry.simplified == 0 ? code : entry.simplified, detail::kHanSyllables[entry.syllable]};
}

// True when `code` reads otherwise at the start of a name than readingOf gives: a surname of its
// own (单) or the first character of a compound one (尉 of 尉迟).
inline bool readsOtherwiseAsSurname(GbkCode code) {
  const std::size_t index = detail::hanIndexOf(code);
  return index != detail::kHanTableSize && detail::kSurnameMarks[index] != 0;
}

// The pinyin of the first characters of a name, read as its surname: a compound surname reads
// both characters together (尉迟 yu chi, 万俟 mo qi, 单于 chan yu), a one-character surname
// whose surname reading differs from its common one reads as a surname (单 shan, 曾 zeng, 仇
// qiu), any other character as readingOf gives. `second` is the name's next character (0 when
// there is none). `compound` is true when the two form a compound surname, whose second
// character then reads `secondPinyin`.
struct SurnameReading {
  std::string_view firstPinyin;
  std::string_view secondPinyin;
  bool compound = false;
};
SurnameReading surnameReadingOf(GbkCode first, GbkCode second);

}  // namespace platform
