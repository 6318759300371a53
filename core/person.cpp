#include "core/person.h"

#include <algorithm>
#include <cstring>

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
