// What a find field matches: a typed text against the labels of a tree (names, each man's label
// with his wives' names after spaces), GBK both. A label matches when it holds
//   - the typed characters themselves, a letter of either case alike (ASCII, and GBK's full-width
//     Latin, Greek and Cyrillic letters) and a traditional character alike with its simplified
//     form (賈寶玉 finds 贾宝玉, and 贾宝玉 finds a label written 賈寶玉); or
//   - when the text is pinyin (Latin letters, GBK's pinyin letters with tone marks, spaces,
//     apostrophes and the tone digits 1 to 5): characters in a row, spaces between them passed
//     over, that read the text, each character taking its whole pinyin or any beginning of it
//     ("jiabaoyu", "jia bao yu", "jiǎ bǎo yù", "baoyu", "jby", "jiaby", and "jia" from its first
//     letter on, as a person types). A space, apostrophe or tone digit between letters ends a
//     syllable there: "xi an" never reads one character xian. The first character of each name
//     reads as a surname (单 shan, 曾 zeng: han_readings.h); u stands for ü as well ("lu", "lv").
// A text that is empty or holds a NUL (a character the GBK conversion lacked) matches nothing.
//
// Not thread-safe: a matcher keeps scratch space; each thread makes its own.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

class NameMatcher {
 public:
  explicit NameMatcher(std::string_view gbkText);

  // False when the text can match nothing (empty, or with a NUL).
  bool usable() const { return usable_; }
  // True when `gbkLabel` holds the text as described above. Time grows with the label's length
  // (times the text's syllables when it is pinyin); no allocation once the scratch space has
  // grown to the longest label.
  bool matches(std::string_view gbkLabel) const;

 private:
  struct LabelCharacter {
    std::uint16_t code;  // folded: a letter's lower case, a Chinese character's simplified form
    std::string_view pinyin;  // empty for what is no Chinese character
    bool space;
  };
  void decode(std::string_view gbkLabel) const;
  bool holdsCharacters() const;
  bool readsPinyin() const;

  bool usable_ = false;
  std::vector<std::uint16_t> characters_;  // the text's characters, folded as a label's
  std::string letters_;                    // the text as pinyin; empty when it is none
  std::uint64_t syllableEnds_ = 0;         // bit p: a syllable ends after letters_[p - 1]
  mutable std::vector<LabelCharacter> label_;
};

}  // namespace platform
