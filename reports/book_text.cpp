#include "reports/book_text.h"

#include <cstring>

#include "platform/gbk.h"
#include "platform/icu/chinese_calendar.h"

namespace quillet {
namespace {

constexpr const char* kDigits[] = {"零", "一", "二", "三", "四", "五", "六", "七", "八", "九"};

// 1 to 9999 in numerals, without the 一 of 一十 dropped.
std::string section(long value) {
  static constexpr std::pair<long, const char*> kPlaces[] = {
      {1000, "千"}, {100, "百"}, {10, "十"}, {1, ""}};
  std::string text;
  bool zero = false;
  for (const auto& [place, word] : kPlaces) {
    const long digit = value / place % 10;
    if (digit == 0) {
      zero = !text.empty();
      continue;
    }
    if (zero) text += "零";
    zero = false;
    text += kDigits[digit];
    text += word;
  }
  return text;
}

int digitsAt(std::string_view text, std::size_t from, std::size_t count) {
  int value = 0;
  for (std::size_t i = from; i < from + count; ++i) value = value * 10 + (text[i] - '0');
  return value;
}

int daysIn(int year, int month) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[month - 1];
}

}  // namespace

std::string chineseNumber(long value) {
  if (value <= 0) return kDigits[0];
  if (value >= 10 && value < 20)
    return value == 10 ? "十" : std::string("十") + kDigits[value % 10];
  const long high = value / 10000, low = value % 10000;
  if (high == 0) return section(low);
  std::string text = chineseNumber(high) + "万";
  if (low > 0) {
    if (low < 1000) text += "零";
    text += section(low);
  }
  return text;
}

std::string generationName(int depth) { return chineseNumber(depth + 1) + "世"; }

std::string rankWord(int rank, bool daughter) {
  const std::string place = rank <= 1 ? "长" : rank == 2 ? "次" : chineseNumber(rank);
  return place + (daughter ? "女" : "子");
}

std::string writtenDate(std::string_view yyyymmdd, bool chineseDigits) {
  if (yyyymmdd.size() != 8) return {};
  for (const char c : yyyymmdd) {
    if (c < '0' || c > '9') return {};
  }
  const int year = digitsAt(yyyymmdd, 0, 4), month = digitsAt(yyyymmdd, 4, 2),
            day = digitsAt(yyyymmdd, 6, 2);
  if (year == 0) return {};
  std::string text;
  if (chineseDigits) {
    // A year is read digit by digit, its zero written 〇.
    for (const char c : std::to_string(year)) text += c == '0' ? "〇" : kDigits[c - '0'];
  } else {
    text = std::to_string(year);
  }
  text += "年";
  if (month < 1 || month > 12) return text;
  text += chineseDigits ? chineseNumber(month) : std::to_string(month);
  text += "月";
  if (day < 1 || day > daysIn(year, month)) return text;
  text += chineseDigits ? chineseNumber(day) : std::to_string(day);
  text += "日";
  return text;
}

std::string recordDate(std::string_view yyyymmdd, bool chineseDigits) {
  const std::string western = writtenDate(yyyymmdd, chineseDigits);
  if (western.empty()) return western;
  // The reading ends with its 干支 year in full-width brackets; the Western date joins it there.
  std::string text = platform::chineseDateText(yyyymmdd);
  constexpr std::string_view kClose = "）";
  if (!text.ends_with(kClose)) return western;
  text.resize(text.size() - kClose.size());
  return text + "，" + western + std::string(kClose);
}

std::string wifeWord(const Person* first, const Person& wife, bool second) {
  if (!second || first == nullptr) return "配";
  if (first->alive != 'n' || !first->deathDate) return "又配";
  if (wife.alive != 'n') return "继配";
  if (!wife.deathDate) return "又配";
  const std::string_view firstDied = dateText(*first->deathDate), died = dateText(*wife.deathDate);
  return firstDied.size() == 8 && died.size() == 8 && firstDied <= died ? "继配" : "又配";
}

std::string_view bookName(const Person& person) {
  std::string_view name = keyText(person.name);
  while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
  return name;
}

std::string_view givenName(const Person& child, const Person& father) {
  const std::string_view name = bookName(child), fathers = bookName(father);
  const std::size_t surname = platform::gbkCharLength(name);
  if (surname == 0 || surname >= name.size() ||
      fathers.substr(0, surname) != name.substr(0, surname)) {
    return name;
  }
  return name.substr(surname);
}

}  // namespace quillet
