// Dates in the Chinese calendar against a table written from published calendars, not computed
// by ICU: the lunar dates of events the histories date both ways, the lunar new years and leap
// months of the almanacs (Hong Kong Observatory's tables for the modern ones), and what follows
// from them for dates known only in part. The reign years and 干支 are those the histories give.
#include "platform/icu/chinese_calendar.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "tests/support/genealogy_text.h"

namespace platform {
namespace {

using quillet::testing::readable;

struct Published {
  const char* stored;    // a stored date
  const char* expected;  // how a 谱 writes it
};

// Whole dates: the day of an event as the histories give it in both calendars.
constexpr Published kEvents[] = {
    {"13980624", "洪武三十一年闰五月初十日（戊寅年）"},  // 洪武帝 dies (Julian date)
    {"14240812", "永乐二十二年七月十八日（甲辰年）"},    // 永乐帝 dies
    {"15210420", "正德十六年三月十四日（辛巳年）"},      // 正德帝 dies
    {"15670123", "嘉靖四十五年十二月十四日（丙寅年）"},  // 嘉靖帝 dies, before the new year
    {"16200818", "万历四十八年七月廿一日（庚申年）"},    // 万历帝 dies
    {"16200926", "泰昌元年九月初一日（庚申年）"},        // 泰昌帝 dies, his era begun in 八月
    {"16440208", "顺治元年正月初一日（甲申年）"},        // 李自成 founds 大顺
    {"16440425", "顺治元年三月十九日（甲申年）"},        // 崇祯帝 dies (Qing reckoning)
    {"16610205", "顺治十八年正月初七日（辛丑年）"},      // 顺治帝 dies
    {"17221220", "康熙六十一年十一月十三日（壬寅年）"},  // 康熙帝 dies
    {"17351008", "雍正十三年八月廿三日（乙卯年）"},      // 雍正帝 dies
    {"17990207", "嘉庆四年正月初三日（己未年）"},        // 乾隆帝 dies
    {"18200902", "嘉庆二十五年七月廿五日（庚辰年）"},    // 嘉庆帝 dies
    {"18500225", "道光三十年正月十四日（庚戌年）"},      // 道光帝 dies
    {"18610822", "咸丰十一年七月十七日（辛酉年）"},      // 咸丰帝 dies
    {"18661112", "同治五年十月初六日（丙寅年）"},        // 孙中山 born
    {"18750112", "同治十三年十二月初五日（甲戌年）"},    // 同治帝 dies, a Western 1875 in 1874
    {"18810925", "光绪七年八月初三日（辛巳年）"},        // 鲁迅 born
    {"18931226", "光绪十九年十一月十九日（癸巳年）"},    // 毛泽东 born
    {"18980921", "光绪二十四年八月初六日（戊戌年）"},    // 戊戌政变
    {"19081114", "光绪三十四年十月廿一日（戊申年）"},    // 光绪帝 dies
    {"19111010", "宣统三年八月十九日（辛亥年）"},        // 武昌起义
    {"19120101", "宣统三年十一月十三日（辛亥年）"},      // 中华民国 founded
    {"19120212", "宣统三年十二月廿五日（辛亥年）"},      // 宣统帝 abdicates
    {"19120217", "宣统三年十二月三十日（辛亥年）"},      // the eve of 壬子
    {"19120218", "民国元年正月初一日（壬子年）"},
    {"19490129", "民国三十八年正月初一日（己丑年）"},
    {"19491001", "民国三十八年八月初十日（己丑年）"},  // 中华人民共和国 founded
    {"19500217", "公元一九五〇年正月初一日（庚寅年）"},
    {"19840202", "公元一九八四年正月初一日（甲子年）"},
    {"19950925", "公元一九九五年闰八月初一日（乙亥年）"},
    {"19970701", "公元一九九七年五月廿七日（丁丑年）"},  // 香港回归
    {"20010523", "公元二〇〇一年闰四月初一日（辛巳年）"},
    {"20120521", "公元二〇一二年闰四月初一日（壬辰年）"},
    {"20200523", "公元二〇二〇年闰四月初一日（庚子年）"},
    {"20230322", "公元二〇二三年闰二月初一日（癸卯年）"},
    {"20240210", "公元二〇二四年正月初一日（甲辰年）"},
};

// Dates known in part, and what cannot be read. The months' lunar dates follow from the table
// above: January 1912 runs from 十一月十三 to 十二月十四 of 辛亥, February 1912 crosses the new
// year of 18 February, February 2022 lies within 正月 of 壬寅 (1 February to 2 March).
constexpr Published kPartDates[] = {
    {"17720000", "乾隆三十七年（壬辰年）"},  // a year alone is the lunar year that began in it
    {"16440000", "顺治元年（甲申年）"},
    {"16200000", "万历四十八年或泰昌元年（庚申年）"},
    {"19490000", "民国三十八年（己丑年）"},
    {"13000000", "公元一三〇〇年（庚子年）"},
    {"19120100", "宣统三年（辛亥年）"},
    {"19120200", "宣统三年或民国元年（辛亥或壬子年）"},
    {"19120231", "宣统三年或民国元年（辛亥或壬子年）"},  // no 31 February: the day is not known
    {"20220200", "公元二〇二二年正月（壬寅年）"},
    {"17721350", "乾隆三十七年（壬辰年）"},  // no thirteenth month
    {"17720015", "乾隆三十七年（壬辰年）"},  // a day without its month
    {"00000000", "不详"},
    {"0000", "不详"},
    {"1772abcd", "不详"},
};

TEST(ChineseCalendar, WholeDatesReadAsTheHistoriesDateThem) {
  for (const Published& row : kEvents) {
    EXPECT_EQ(readable(chineseDateText(row.stored)), readable(row.expected)) << row.stored;
  }
}

TEST(ChineseCalendar, DatesKnownInPartAreGivenAsFarAsKnown) {
  for (const Published& row : kPartDates) {
    EXPECT_EQ(readable(chineseDateText(row.stored)), readable(row.expected)) << row.stored;
  }
}

// The almanacs' lunar new years, and the Julian calendar giving way to the Gregorian one: the
// day after 4 October 1582 is 15 October, and the ten days between do not exist.
TEST(ChineseCalendar, NewYearsAndTheGregorianReformAsPublished) {
  const struct {
    int year;
    int newYear;
  } almanac[] = {{1644, 16440208}, {1900, 19000131}, {1911, 19110130}, {1912, 19120218},
                 {1949, 19490129}, {1950, 19500217}, {2000, 20000205}, {2001, 20010124},
                 {2020, 20200125}, {2023, 20230122}};
  for (const auto& row : almanac) EXPECT_EQ(lunarNewYearOf(row.year), row.newYear) << row.year;

  const std::optional<LunarDay> before = lunarDayOf(1582, 10, 4);
  const std::optional<LunarDay> after = lunarDayOf(1582, 10, 15);
  ASSERT_TRUE(before && after);
  EXPECT_EQ(after->day, before->day + 1);
  EXPECT_FALSE(lunarDayOf(1582, 10, 10));
  EXPECT_FALSE(lunarDayOf(1900, 2, 29));  // a Gregorian common year
  EXPECT_TRUE(lunarDayOf(1500, 2, 29));   // a Julian leap year
  EXPECT_FALSE(lunarDayOf(0, 1, 1));
}

// The era table: in order, each era beginning on the first day of a lunar year (泰昌 on the
// first of the eighth month), so that the first year of each is 元年 and the last of the one
// before it ends the day before.
TEST(ChineseCalendar, EachEraBeginsOnTheFirstDayOfALunarYearOrMonth) {
  int previousDay = 0;
  for (const ReignEra& era : reignEras()) {
    EXPECT_GT(era.firstDay, previousDay) << readable(era.name);
    previousDay = era.firstDay;
    const std::optional<LunarDay> first =
        lunarDayOf(era.firstDay / 10000, era.firstDay / 100 % 100, era.firstDay % 100);
    ASSERT_TRUE(first) << readable(era.name);
    const bool taichang = era.name == std::string_view("泰昌");
    EXPECT_EQ(*first, (LunarDay{era.firstYear, taichang ? 8 : 1, false, 1})) << readable(era.name);
  }
  EXPECT_EQ(reignEras().size(), 29u);
}

}  // namespace
}  // namespace platform
