// What the find field matches: tree labels by their characters, traditional forms, pinyin and
// initials, with the readings made from ICU at build time.
#include "platform/icu/name_match.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "platform/icu/han_readings.h"
#include "tests/support/genealogy_text.h"

namespace platform {
namespace {

using quillet::testing::readable;

struct Case {
  const char* typed;
  const char* label;
  bool matches;
};

void expectMatches(std::initializer_list<Case> cases) {
  for (const Case& c : cases) {
    EXPECT_EQ(NameMatcher(c.typed).matches(c.label), c.matches)
        << readable(c.typed) << " in " << readable(c.label);
  }
}

// A man's label: his name key (a two-character name padded), then each wife's after a space.
constexpr const char kBaoyu[] = "贾宝玉 薛宝钗";
constexpr const char kLian[] = "贾琏   王熙凤 尤二姐";

TEST(NameMatch, PinyinWithOrWithoutSpacesAndTonesAndItsInitials) {
  expectMatches({
      {"jiabaoyu", kBaoyu, true},
      {"jia bao yu", kBaoyu, true},
      {"JiaBaoYu", kBaoyu, true},
      {"jiǎ bǎo yù", kBaoyu, true},
      {"jia3bao3yu4", kBaoyu, true},
      {"ｊｉａｂａｏｙｕ", kBaoyu, true},  // full-width letters
      {"baoyu", kBaoyu, true},
      {"jby", kBaoyu, true},
      {"jiaby", kBaoyu, true},  // whole syllables and initials mixed
      {"jiab", kBaoyu, true},   // as a person types
      {"xuebaochai", kBaoyu, true},
      {"wangxifeng", kLian, true},
      {"lianwang", kLian, true},  // the padding between names is passed over
      {"jia bao yuz", kBaoyu, false},
      {"yux", kBaoyu, true},  // 玉 and the first letter of 薛, past the space between names
      {"jiab aoyu", kBaoyu, false},  // a space inside the syllable bao
      {"byj", kBaoyu, false},        // out of order
      {"jbyz", kBaoyu, false},
      {"wxfz", kLian, false},
  });
}

TEST(NameMatch, CharactersThemselvesAndTheirTraditionalForms) {
  expectMatches({
      {"宝玉", kBaoyu, true},
      {"賈寶玉", kBaoyu, true},
      {"薛寶釵", kBaoyu, true},
      {"贾宝玉", "賈寶玉", true},  // a label written in traditional characters
      {"jiabaoyu", "賈寶玉", true},
      {"玉 薛", kBaoyu, true},
      {"玉薛", kBaoyu, false},  // characters match as typed, spaces included
      {"宝钗玉", kBaoyu, false},
      {"ABC", "abc", true},  // a letter of either case alike, as before
  });
}

// The first character of each name in a label reads as a surname; elsewhere as any character.
TEST(NameMatch, SurnamesWithTwoReadingsReadAsSurnames) {
  expectMatches({
      {"shanxiongxin", "单雄信", true},
      {"sxx", "单雄信", true},
      {"danxiongxin", "单雄信", false},
      {"jiadan", "贾单  ", true},
      {"jiashan", "贾单  ", false},
      {"zengguofan", "曾国藩", true},
      {"cengguofan", "曾国藩", false},
      {"jiaceng", "贾曾  ", true},
      {"zhashi", "贾琏   查氏", true},  // a wife's name after the husband's
      {"yuchigong", "尉迟恭", true},
      {"weichigong", "尉迟恭", false},
      {"lvbu", "吕布  ", true},  // ü as v, or as u
      {"lubu", "吕布  ", true},
  });
  EXPECT_EQ(readingOf(0xB5A5).pinyin, "dan");  // 单 read alone
  EXPECT_EQ(surnameReadingOf(0xB5A5, 0).firstPinyin, "shan");
}

TEST(NameMatch, EmptyTextOrACharacterGbkLacksMatchesNothing) {
  EXPECT_FALSE(NameMatcher("").usable());
  EXPECT_FALSE(NameMatcher("").matches(kBaoyu));
  EXPECT_FALSE(NameMatcher(std::string_view("\xD3\xF1\0", 3)).matches(kBaoyu));  // 玉 then NUL
  EXPECT_TRUE(NameMatcher(" ").matches(kBaoyu));  // spaces alone are characters
}

}  // namespace
}  // namespace platform
