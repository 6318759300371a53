#include "platform/icu/han_readings.h"

#include <array>
#include <iterator>
#include <optional>

namespace platform {
namespace {

struct Entry {
  std::uint16_t simplified;  // 0: the character itself
  std::uint16_t syllable;    // index into kSyllables; 0: none
};

// kSyllables and kEntries, made at build time (han_table_maker.cpp) in the build's folder.
#include "platform/icu/han_readings_table.inc"

constexpr int kLeadFirst = 0x81;
constexpr int kTrailFirst = 0x40;
constexpr int kTrailLast = 0xFE;
constexpr int kTrails = kTrailLast - kTrailFirst + 1;

// A GBK character literal (two bytes) as its code.
constexpr GbkCode codeOf(const char (&character)[3]) {
  return static_cast<GbkCode>(static_cast<unsigned char>(character[0]) << 8 |
                              static_cast<unsigned char>(character[1]));
}

// One-character surnames read as surnames otherwise than ICU reads the character alone (单 dan,
// 曾 ceng, 阚 han), as 《现代汉语词典》(第7版) gives their readings marked 姓. A character with
// two surname readings (乐 yue and le, 覃 qin and tan) is not listed.
struct Surname {
  GbkCode character;
  std::string_view pinyin;
};
constexpr std::array kSurnames = {
    Surname{codeOf("单"), "shan"}, Surname{codeOf("曾"), "zeng"},  Surname{codeOf("仇"), "qiu"},
    Surname{codeOf("区"), "ou"},   Surname{codeOf("朴"), "piao"},  Surname{codeOf("查"), "zha"},
    Surname{codeOf("盖"), "ge"},   Surname{codeOf("缪"), "miao"},  Surname{codeOf("翟"), "zhai"},
    Surname{codeOf("解"), "xie"},  Surname{codeOf("繁"), "po"},    Surname{codeOf("员"), "yun"},
    Surname{codeOf("召"), "shao"}, Surname{codeOf("种"), "chong"}, Surname{codeOf("秘"), "bi"},
    Surname{codeOf("隗"), "wei"},  Surname{codeOf("阚"), "kan"},   Surname{codeOf("祭"), "zhai"},
    Surname{codeOf("折"), "she"},  Surname{codeOf("粘"), "nian"},  Surname{codeOf("句"), "gou"},
    Surname{codeOf("能"), "nai"},  Surname{codeOf("蕃"), "pi"},    Surname{codeOf("洗"), "xian"},
    Surname{codeOf("黑"), "he"},   Surname{codeOf("都"), "du"},    Surname{codeOf("重"), "chong"},
    Surname{codeOf("乜"), "nie"},
};

// Compound surnames with a character read otherwise than ICU reads it alone (same source).
struct CompoundSurname {
  GbkCode first, second;
  std::string_view firstPinyin, secondPinyin;
};
constexpr std::array kCompoundSurnames = {
    CompoundSurname{codeOf("尉"), codeOf("迟"), "yu", "chi"},
    CompoundSurname{codeOf("万"), codeOf("俟"), "mo", "qi"},
    CompoundSurname{codeOf("单"), codeOf("于"), "chan", "yu"},
    CompoundSurname{codeOf("澹"), codeOf("台"), "tan", "tai"},
    CompoundSurname{codeOf("乐"), codeOf("正"), "yue", "zheng"},
};

// The place of a two-byte character in kEntries; nothing for a code outside GBK's two-byte range.
std::optional<std::size_t> checkedIndexOf(GbkCode code) {
  const int lead = code >> 8;
  const int trail = code & 0xFF;
  if (lead < kLeadFirst || lead > 0xFE || trail < kTrailFirst || trail > kTrailLast) {
    return std::nullopt;
  }
  return static_cast<std::size_t>((lead - kLeadFirst) * kTrails + (trail - kTrailFirst));
}
std::size_t indexOf(GbkCode code) { return checkedIndexOf(code).value_or(0); }

constexpr std::uint8_t kBeginsCompound = 0x80;

}  // namespace

HanReading readingOf(GbkCode code) {
  const std::optional<std::size_t> index = checkedIndexOf(code);
  if (!index) return {code, {}};
  const Entry& entry = kEntries[*index];
  return {entry.simplified == 0 ? code : entry.simplified, kSyllables[entry.syllable]};
}

SurnameReading surnameReadingOf(GbkCode first, GbkCode second) {
  // Which surname each character is, if any (its place in kSurnames plus 1), and whether it
  // begins a compound one: made at the first call, so that a lookup is one index.
  static const auto kSurnameOf = [] {
    std::array<std::uint8_t, std::size(kEntries)> made{};
    for (std::size_t i = 0; i < kSurnames.size(); ++i)
      made[indexOf(kSurnames[i].character)] = i + 1;
    for (const CompoundSurname& compound : kCompoundSurnames)
      made[indexOf(compound.first)] |= kBeginsCompound;
    return made;
  }();
  const std::optional<std::size_t> index = checkedIndexOf(first);
  if (!index) return {readingOf(first).pinyin, {}, false};
  const std::uint8_t surname = kSurnameOf[*index];
  if ((surname & kBeginsCompound) != 0) {
    for (const CompoundSurname& compound : kCompoundSurnames) {
      if (compound.first == first && compound.second == second) {
        return {compound.firstPinyin, compound.secondPinyin, true};
      }
    }
  }
  const std::uint8_t single = surname & ~kBeginsCompound;
  return {single != 0 ? kSurnames[single - 1].pinyin : readingOf(first).pinyin, {}, false};
}

}  // namespace platform
