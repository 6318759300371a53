#include "platform/icu/han_readings.h"

#include <array>

namespace platform {
namespace detail {

// kHanSyllables and kHanTable, made at build time (han_table_maker.cpp) in the build's folder.
#include "platform/icu/han_readings_table.inc"

}  // namespace detail
namespace {

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

constexpr std::uint8_t kBeginsCompound = 0x80;

}  // namespace

// Which surname each character is, if any (its place in kSurnames plus 1), and whether it begins
// a compound one.
constexpr std::array<std::uint8_t, detail::kHanTableSize> detail::kSurnameMarks = [] {
  std::array<std::uint8_t, kHanTableSize> marks{};
  for (std::size_t i = 0; i < kSurnames.size(); ++i) {
    marks[hanIndexOf(kSurnames[i].character)] = static_cast<std::uint8_t>(i + 1);
  }
  for (const CompoundSurname& compound : kCompoundSurnames) {
    marks[hanIndexOf(compound.first)] |= kBeginsCompound;
  }
  return marks;
}();

SurnameReading surnameReadingOf(GbkCode first, GbkCode second) {
  const std::size_t index = detail::hanIndexOf(first);
  const std::uint8_t mark = index == detail::kHanTableSize ? 0 : detail::kSurnameMarks[index];
  if ((mark & kBeginsCompound) != 0) {
    for (const CompoundSurname& compound : kCompoundSurnames) {
      if (compound.first == first && compound.second == second) {
        return {compound.firstPinyin, compound.secondPinyin, true};
      }
    }
  }
  const std::uint8_t single = mark & ~kBeginsCompound;
  return {single != 0 ? kSurnames[single - 1].pinyin : readingOf(first).pinyin, {}, false};
}

}  // namespace platform
