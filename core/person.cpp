#include "core/person.h"

#include <algorithm>
#include <cstring>

#include "platform/gbk.h"

namespace quillet {

void makeNameKey(std::string_view text, NameKey& key) {
  key.fill('\0');
  std::size_t n = std::min<std::size_t>(text.size(), 6);
  std::memcpy(key.data(), text.data(), n);
  if (text.size() <= 5) {
    key[4] = ' ';
    key[5] = ' ';
  }
  key[6] = '\0';
}

bool isStorableName(std::string_view typed) {
  if (typed.size() < kFullNameBytes || typed[0] == '0') return false;
  NameKey key{};
  makeNameKey(typed, key);
  const std::string_view kept = keyText(key);
  bool onlySpaces = true;
  for (std::size_t at = 0; at < kept.size();) {
    const std::string_view rest = kept.substr(at);
    const std::size_t length = platform::gbkCharLength(rest);
    if (length == 0) return false;  // a double-byte character cut by the key, or no GBK at all
    const auto first = static_cast<unsigned char>(rest[0]);
    if (length == 1 && (first < 0x20 || first == 0x7f)) return false;
    const bool space = rest.starts_with(' ') || rest.starts_with("\xa1\xa1");
    onlySpaces = onlySpaces && space;
    at += length;
  }
  return !onlySpaces;
}

namespace {

// Days of `month` (1 to 12) of `year` in the calendar of isStorableDate: the Julian's leap years
// before 1582, the Gregorian's from then on (1582 itself is a common year in both).
int daysInMonth(int year, int month) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap =
      year < 1582 ? year % 4 == 0 : (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[month - 1];
}

}  // namespace

bool isStorableDate(std::string_view typed) {
  if (typed.size() < kDateBytes) return false;
  int parts[3] = {0, 0, 0};  // year, month, day
  for (std::size_t i = 0; i < kDateBytes; ++i) {
    const char c = typed[i];
    if (c < '0' || c > '9') return false;
    int& part = parts[i < 4 ? 0 : i < 6 ? 1 : 2];
    part = part * 10 + (c - '0');
  }
  const auto [year, month, day] = parts;
  if (month > 12) return false;
  if (year == 0) return month == 0 && day == 0;
  if (month == 0) return day == 0;
  if (day == 0) return true;
  const bool skipped = year == 1582 && month == 10 && day >= 5 && day <= 14;
  return day <= daysInMonth(year, month) && !skipped;
}

DateText makeDate(std::string_view text) {
  DateText date{};
  std::memcpy(date.data(), text.data(), std::min<std::size_t>(text.size(), 8));
  return date;
}

std::string_view keyText(const NameKey& key) {
  return std::string_view(key.data(), ::strnlen(key.data(), key.size()));
}

std::string_view dateText(const DateText& date) {
  return std::string_view(date.data(), ::strnlen(date.data(), date.size()));
}

}  // namespace quillet
