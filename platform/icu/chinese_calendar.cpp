#include "platform/icu/chinese_calendar.h"

#include <unicode/calendar.h>
#include <unicode/locid.h>
#include <unicode/timezone.h>

#include <algorithm>
#include <array>
#include <iterator>
#include <map>
#include <memory>
#include <vector>

namespace platform {
namespace {

constexpr ReignEra kEras[] = {
#include "platform/icu/reign_eras.inc"
};

// The Chinese calendar counts its extended years from 2637 BCE.
constexpr int kExtendedYearOffset = 2637;

// Days are counted as Julian day numbers: 2440588 is 1 January 1970.
constexpr int kUnixEpochDay = 2440588;
constexpr double kMillisPerDay = 86400000.0;
UDate noonOf(int day) { return (day - kUnixEpochDay + 0.5) * kMillisPerDay; }

// The months of one lunar year: the day each begins, and its number.
struct LunarMonth {
  int firstDay = 0;
  int month = 0;
  bool leap = false;
};
struct LunarYear {
  std::vector<LunarMonth> months;
  int end = 0;  // the first day of the next lunar year
};

// A Gregorian calendar (Julian before its cutover of 1582) and a Chinese one, both in UTC, the
// Gregorian one strict: a date it does not have fails instead of rolling over. And the lunar
// years worked out so far: ICU works out a Chinese date from the motions of the sun and the moon,
// which takes tens of microseconds, so each lunar year is asked of it once, a month at a time,
// and every later date of that year is counted from the start of its month.
struct Calendars {
  std::unique_ptr<icu::Calendar> western;
  std::unique_ptr<icu::Calendar> chinese;
  std::map<int, LunarYear> years;  // by the Western year in which each began

  Calendars() {
    UErrorCode status = U_ZERO_ERROR;
    western.reset(icu::Calendar::createInstance(icu::TimeZone::getGMT()->clone(),
                                                icu::Locale("en@calendar=gregorian"), status));
    if (U_FAILURE(status)) western.reset();
    status = U_ZERO_ERROR;
    chinese.reset(icu::Calendar::createInstance(icu::TimeZone::getGMT()->clone(),
                                                icu::Locale("zh@calendar=chinese"), status));
    if (U_FAILURE(status)) chinese.reset();
    if (western) western->setLenient(false);
  }
  bool ok() const { return western && chinese; }

  // The Julian day of a Western date, or nothing when the date does not exist. The strict
  // calendar still takes the ten days the Gregorian reform left out, as other days: a date that
  // does not read back as given does not exist.
  std::optional<int> dayOf(int year, int month, int day) {
    UErrorCode status = U_ZERO_ERROR;
    western->clear();
    western->set(UCAL_ERA, 1);  // AD
    western->set(year, month - 1, day, 12, 0, 0);
    western->setTime(western->getTime(status), status);
    if (U_FAILURE(status) || western->get(UCAL_YEAR, status) != year ||
        western->get(UCAL_MONTH, status) != month - 1 || western->get(UCAL_DATE, status) != day) {
      return std::nullopt;
    }
    const int julianDay = western->get(UCAL_JULIAN_DAY, status);
    if (U_FAILURE(status)) return std::nullopt;
    return julianDay;
  }

  // The Western date (yyyymmdd) of a Julian day.
  std::optional<int> westernDateOf(int julianDay) {
    UErrorCode status = U_ZERO_ERROR;
    western->setTime(noonOf(julianDay), status);
    const int date = western->get(UCAL_EXTENDED_YEAR, status) * 10000 +
                     (western->get(UCAL_MONTH, status) + 1) * 100 + western->get(UCAL_DATE, status);
    if (U_FAILURE(status)) return std::nullopt;
    return date;
  }

  // ICU's Chinese date of a Julian day.
  std::optional<LunarDay> chineseDateOf(int julianDay) {
    UErrorCode status = U_ZERO_ERROR;
    chinese->setTime(noonOf(julianDay), status);
    LunarDay lunar;
    lunar.year = chinese->get(UCAL_EXTENDED_YEAR, status) - kExtendedYearOffset;
    lunar.month = chinese->get(UCAL_MONTH, status) + 1;
    lunar.leapMonth = chinese->get(UCAL_IS_LEAP_MONTH, status) != 0;
    lunar.day = chinese->get(UCAL_DATE, status);
    if (U_FAILURE(status)) return std::nullopt;
    return lunar;
  }

  // The lunar year that began in the Western year `year`, worked out at the first call: its new
  // year from ICU, then each month's first day, 29 or 30 days after the one before.
  const LunarYear* lunarYear(int year) {
    if (const auto known = years.find(year); known != years.end()) return &known->second;
    UErrorCode status = U_ZERO_ERROR;
    chinese->clear();
    chinese->set(UCAL_EXTENDED_YEAR, year + kExtendedYearOffset);
    chinese->set(UCAL_MONTH, 0);
    chinese->set(UCAL_IS_LEAP_MONTH, 0);
    chinese->set(UCAL_DATE, 1);
    chinese->set(UCAL_HOUR_OF_DAY, 12);
    chinese->setTime(chinese->getTime(status), status);
    int first = chinese->get(UCAL_JULIAN_DAY, status);
    if (U_FAILURE(status)) return nullptr;
    LunarYear made;
    for (int months = 0; months < 13; ++months) {
      const std::optional<LunarDay> start = chineseDateOf(first);
      if (!start || start->day != 1) return nullptr;
      if (months > 0 && start->month == 1 && !start->leapMonth) break;
      made.months.push_back({first, start->month, start->leapMonth});
      const std::optional<LunarDay> thirtieth = chineseDateOf(first + 29);
      if (!thirtieth) return nullptr;
      first += thirtieth->day == 1 ? 29 : 30;
    }
    made.end = first;
    return &years.emplace(year, std::move(made)).first->second;
  }
};

Calendars& calendars() {
  thread_local Calendars made;
  return made;
}

bool inRange(int year) { return year >= 1 && year <= 9999; }

// --- Words ------------------------------------------------------------------------------------

constexpr std::array<std::string_view, 10> kDigits = {"〇", "一", "二", "三", "四",
                                                      "五", "六", "七", "八", "九"};
constexpr std::array<std::string_view, 10> kStems = {"甲", "乙", "丙", "丁", "戊",
                                                     "己", "庚", "辛", "壬", "癸"};
constexpr std::array<std::string_view, 12> kBranches = {"子", "丑", "寅", "卯", "辰", "巳",
                                                        "午", "未", "申", "酉", "戌", "亥"};
constexpr std::string_view kUnknown = "不详";
constexpr std::string_view kCommonEra = "公元";

// 1 to 99 in Chinese numerals: 三, 十, 十七, 三十七.
std::string chineseNumber(int n) {
  std::string text;
  if (n >= 20) text += kDigits[static_cast<std::size_t>(n / 10)];
  if (n >= 10) text += "十";
  if (n % 10 != 0 || n < 10) text += kDigits[static_cast<std::size_t>(n % 10)];
  return text;
}

// The 干支 of the lunar year that began in `year`: 甲子 is 1984 and 4.
std::string sexagenaryYear(int year) {
  const int cycle = ((year - 4) % 60 + 60) % 60;
  return std::string(kStems[static_cast<std::size_t>(cycle % 10)]) +
         std::string(kBranches[static_cast<std::size_t>(cycle % 12)]);
}

std::string monthText(int month, bool leap) {
  std::string text = leap ? "闰" : "";
  text += month == 1 ? std::string("正") : chineseNumber(month);
  return text + "月";
}

std::string dayText(int day) {
  if (day <= 10) return "初" + chineseNumber(day) + "日";
  if (day > 20 && day < 30) return "廿" + chineseNumber(day - 20) + "日";
  return chineseNumber(day) + "日";
}

// --- Reign years --------------------------------------------------------------------------------

// The era of the day `date` (yyyymmdd) in the lunar year that began in `year`: the last to begin
// by then, counted in lunar years. Null before the first (公元).
const ReignEra* eraOf(int year, int date) {
  const ReignEra* found = nullptr;
  for (const ReignEra& era : kEras) {
    if (era.firstYear < year || (era.firstYear == year && era.firstDay <= date)) found = &era;
  }
  return found;
}

// The era at the start of the lunar year that began in `year` (an era that began within it does
// not count), and at its end.
const ReignEra* eraAtStartOf(int year) {
  const ReignEra* found = nullptr;
  for (const ReignEra& era : kEras) {
    if (era.firstYear < year || (era.firstYear == year && lunarNewYearOf(year) == era.firstDay)) {
      found = &era;
    }
  }
  return found;
}
const ReignEra* eraAtEndOf(int year) {
  const ReignEra* found = nullptr;
  for (const ReignEra& era : kEras) {
    if (era.firstYear <= year) found = &era;
  }
  return found;
}

// 乾隆三十七年, 民国元年, 公元一九八四年.
std::string reignYearText(int year, const ReignEra* era) {
  if (era == nullptr || era->name == kCommonEra) {
    std::string text(kCommonEra);
    const std::string digits = std::to_string(year);
    for (const char digit : digits) text += kDigits[static_cast<std::size_t>(digit - '0')];
    return text + "年";
  }
  const int count = year - era->firstYear + 1;
  return std::string(era->name) + (count == 1 ? std::string("元") : chineseNumber(count)) + "年";
}

// The reign year of a lunar year in which an era may have changed: one text, or both joined by 或.
std::string eitherReignYear(int year, const ReignEra* first, const ReignEra* last) {
  const std::string start = reignYearText(year, first);
  const std::string end = reignYearText(year, last);
  return start == end ? start : start + "或" + end;
}

int dateNumber(int year, int month, int day) { return year * 10000 + month * 100 + day; }

// A stored date's fields; 0 for one not known. False when nothing is known.
bool parseStored(std::string_view stored, int& year, int& month, int& day) {
  if (stored.size() != 8) return false;
  int value[8];
  for (std::size_t i = 0; i < 8; ++i) {
    if (stored[i] < '0' || stored[i] > '9') return false;
    value[i] = stored[i] - '0';
  }
  year = value[0] * 1000 + value[1] * 100 + value[2] * 10 + value[3];
  month = value[4] * 10 + value[5];
  day = value[6] * 10 + value[7];
  if (month < 1 || month > 12) month = 0;
  if (month == 0) day = 0;
  return year != 0;
}

}  // namespace

std::optional<LunarDay> lunarDayOf(int year, int month, int day) {
  Calendars& made = calendars();
  if (!inRange(year) || !made.ok()) return std::nullopt;
  const std::optional<int> julianDay = made.dayOf(year, month, day);
  if (!julianDay) return std::nullopt;
  // The day lies in the lunar year that began in its Western year, or in the one before.
  for (const int lunarYear : {year, year - 1}) {
    const LunarYear* months = made.lunarYear(lunarYear);
    if (months == nullptr) return std::nullopt;
    if (*julianDay < months->months.front().firstDay || *julianDay >= months->end) continue;
    const auto in = std::prev(
        std::upper_bound(months->months.begin(), months->months.end(), *julianDay,
                         [](int day, const LunarMonth& month) { return day < month.firstDay; }));
    return LunarDay{lunarYear, in->month, in->leap, *julianDay - in->firstDay + 1};
  }
  return std::nullopt;
}

std::optional<int> lunarNewYearOf(int year) {
  Calendars& made = calendars();
  if (!inRange(year) || !made.ok()) return std::nullopt;
  const LunarYear* months = made.lunarYear(year);
  if (months == nullptr) return std::nullopt;
  return made.westernDateOf(months->months.front().firstDay);
}

std::span<const ReignEra> reignEras() { return kEras; }

std::string chineseDateText(std::string_view stored) {
  int year = 0, month = 0, day = 0;
  if (!parseStored(stored, year, month, day)) return std::string(kUnknown);

  if (day != 0) {
    if (const std::optional<LunarDay> lunar = lunarDayOf(year, month, day)) {
      return reignYearText(lunar->year, eraOf(lunar->year, dateNumber(year, month, day))) +
             monthText(lunar->month, lunar->leapMonth) + dayText(lunar->day) + "（" +
             sexagenaryYear(lunar->year) + "年）";
    }
  }
  if (month != 0) {
    int last = 31;
    std::optional<LunarDay> end;
    for (; last >= 28 && !(end = lunarDayOf(year, month, last)); --last) {
    }
    const std::optional<LunarDay> start = lunarDayOf(year, month, 1);
    if (start && end) {
      const ReignEra* first = eraOf(start->year, dateNumber(year, month, 1));
      const ReignEra* later = eraOf(end->year, dateNumber(year, month, last));
      if (start->year != end->year) {
        return reignYearText(start->year, first) + "或" + reignYearText(end->year, later) + "（" +
               sexagenaryYear(start->year) + "或" + sexagenaryYear(end->year) + "年）";
      }
      std::string text = eitherReignYear(start->year, first, later);
      if (start->month == end->month && start->leapMonth == end->leapMonth) {
        text += monthText(start->month, start->leapMonth);
      }
      return text + "（" + sexagenaryYear(start->year) + "年）";
    }
  }
  if (!inRange(year)) return std::string(kUnknown);
  return eitherReignYear(year, eraAtStartOf(year), eraAtEndOf(year)) + "（" + sexagenaryYear(year) +
         "年）";
}

}  // namespace platform
