// Dates in the Chinese calendar: a Western date as a day of the Chinese lunisolar calendar (ICU's
// Chinese calendar), and a stored date written as a 谱 writes it, under its reign year (年号)
// with its 干支 year: 乾隆三十七年四月初八日（壬辰年）.
//
// Western dates are those of ICU's Gregorian calendar: Julian before 15 October 1582, as the
// published tables of Chinese and Western dates give them. Texts are GBK.
//
// Thread-safe: each thread keeps its own ICU calendars.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace platform {

// A day of the Chinese calendar.
struct LunarDay {
  int year = 0;   // the Western year in which its lunar year began: 1984 for 甲子 (1984-02-02 on)
  int month = 0;  // 1 to 12
  bool leapMonth = false;  // 闰: the month repeated after `month`
  int day = 0;             // 1 to 30
  bool operator==(const LunarDay&) const = default;
};

// The lunar day of the Western date `year`-`month`-`day`; nothing for a date that does not
// exist (30 February, 10 October 1582) or lies outside the years 1 to 9999.
std::optional<LunarDay> lunarDayOf(int year, int month, int day);

// The Western date (yyyymmdd as a number) of the first day of the lunar year that began in
// `year`; nothing outside the years 1 to 9999.
std::optional<int> lunarNewYearOf(int year);

// A reign era, or 民国, or 公元 (the years after 民国): its first year began in the Western
// year `firstYear` on the Western date `firstDay` (yyyymmdd as a number).
struct ReignEra {
  std::string_view name;  // GBK
  int firstYear;
  int firstDay;
};
// The eras in the order they began (reign_eras.inc, which names its sources).
std::span<const ReignEra> reignEras();

// The stored date `stored` (yyyymmdd, 00 for a month or day not known) in the Chinese calendar,
// as far as it is known:
//   - a whole date: reign year, month (闰 before a leap month's name; 正月 for the first) and day
//     (初一 to 三十), then the 干支 year: 乾隆三十七年闰四月初八日（壬辰年）;
//   - a month without its day: the lunar month when every day of that Western month lies in one
//     (乾隆三十七年四月（壬辰年）), else its lunar year alone, and when the month spans a lunar
//     new year both years: 宣统三年或民国元年（辛亥或壬子年）;
//   - a year alone: the lunar year that began in it, as a year is converted by convention
//     (1772: 乾隆三十七年（壬辰年）), with both reign years when an era began within that year
//     (万历四十八年或泰昌元年（庚申年）).
// A reign year is the era's name and its year (元年 for the first); before 洪武 and from 1950
// on, 公元 and the Western year in Chinese digits (公元一九八四年). A day that the month does
// not have counts as not known; a month outside 01 to 12 as not known; "不详" when the year is
// 0000 or the text is not eight digits.
std::string chineseDateText(std::string_view stored);

}  // namespace platform
