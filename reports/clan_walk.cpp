#include "reports/clan_walk.h"

#include <optional>
#include <unordered_set>

#include "platform/gbk.h"

namespace quillet {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";       // U+FFFD in UTF-8
constexpr std::string_view kFullwidthSolidus = "\xEF\xBC\x8F";  // U+FF0F, not a name delimiter

// Titles that stand after a surname in place of a given name.
constexpr std::u8string_view kTitles[] = {u8"氏",   u8"夫人", u8"姨娘", u8"太君",
                                          u8"太太", u8"奶奶", u8"姥姥", u8"嬷嬷"};

// A name key without the padding spaces at its end.
std::string_view trimmedName(const Person& person) {
  std::string_view name = keyText(person.name);
  while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
  return name;
}

// One character made safe for a name part of an export: no '/' (GEDCOM's surname delimiter), no
// control byte.
std::string nameCharacter(const std::string& utf8) {
  if (utf8 == "/") return std::string(kFullwidthSolidus);
  if (utf8.size() == 1 && static_cast<unsigned char>(utf8[0]) < 0x20) return " ";
  return utf8;
}

bool isLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int daysInMonth(int year, int month) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return (month == 2 && isLeapYear(year)) ? 29 : kDays[month - 1];
}

}  // namespace

std::vector<ClanMember> collectClan(const FamilyTree& tree) {
  std::vector<ClanMember> clan;
  const Person* root = tree.root();
  if (root == nullptr) return clan;
  std::unordered_set<const Person*> seen{root};
  clan.push_back(ClanMember{root, -1, 0, {}, {root->spouse, root->secondWife}});
  // The vector itself is the queue: entries are appended in breadth-first order.
  for (std::size_t next = 0; next < clan.size(); ++next) {
    const Person* member = clan[next].person;
    for (const Person*& wife : clan[next].wives) {
      if (wife != nullptr && !seen.insert(wife).second) wife = nullptr;
    }
    for (const Person* child = member->firstChild; child != nullptr;
         child = child->youngerSibling) {
      if (!seen.insert(child).second) break;  // a looping chain ends where it loops
      clan[next].children.push_back(static_cast<int>(clan.size()));
      clan.push_back(ClanMember{child,
                                static_cast<int>(next),
                                clan[next].depth + 1,
                                {},
                                {child->spouse, child->secondWife}});
    }
  }
  return clan;
}

std::vector<std::string> utf8Characters(std::string_view gbk) {
  std::vector<std::string> characters;
  while (!gbk.empty()) {
    std::size_t length = platform::gbkCharLength(gbk);
    if (length == 0) {
      // A byte that is not GBK keeps its value: U+F700 plus the byte, a private-use character
      // that no GBK character maps to, so that two names differing in such bytes stay two names.
      const unsigned code = kNotGbkBase + static_cast<unsigned char>(gbk[0]);
      characters.push_back({static_cast<char>(0xE0 | code >> 12),
                            static_cast<char>(0x80 | (code >> 6 & 0x3F)),
                            static_cast<char>(0x80 | (code & 0x3F))});
      gbk.remove_prefix(1);
      continue;
    }
    std::optional<std::string> utf8 = platform::gbkToUtf8(gbk.substr(0, length));
    characters.push_back(utf8 ? *utf8 : std::string(kReplacement));
    gbk.remove_prefix(length);
  }
  return characters;
}

std::int32_t namesNotGbk(const std::vector<ClanMember>& clan) {
  std::int32_t count = 0;
  auto notGbk = [](const Person* person) {
    if (person == nullptr) return false;
    for (std::string_view name = trimmedName(*person); !name.empty();) {
      const std::size_t length = platform::gbkCharLength(name);
      if (length == 0) return true;
      name.remove_prefix(length);
    }
    return false;
  };
  for (const ClanMember& member : clan) {
    count += notGbk(member.person) + notGbk(member.wives[0]) + notGbk(member.wives[1]);
  }
  return count;
}

std::size_t titleLength(std::string_view utf8Name) {
  for (std::u8string_view title : kTitles) {
    std::string_view bytes(reinterpret_cast<const char*>(title.data()), title.size());
    if (utf8Name.size() > bytes.size() && utf8Name.ends_with(bytes)) return bytes.size();
  }
  return 0;
}

ExportName exportName(const Person& person) {
  ExportName name;
  std::vector<std::string> characters = utf8Characters(trimmedName(person));
  std::string whole;
  for (const std::string& character : characters) whole += character;
  std::size_t surnameEnd = 1;  // characters of the surname
  if (std::size_t title = titleLength(whole); title > 0) {
    surnameEnd = characters.size();
    for (std::size_t bytes = 0; bytes < title;) bytes += characters[--surnameEnd].size();
    name.titled = true;
  }
  for (std::size_t i = 0; i < characters.size(); ++i) {
    (i < surnameEnd ? name.surname : name.given) += nameCharacter(characters[i]);
  }
  return name;
}

bool isCalendarDate(std::string_view yyyymmdd) {
  if (yyyymmdd.size() != 8) return false;
  for (char c : yyyymmdd) {
    if (c < '0' || c > '9') return false;
  }
  auto number = [&](std::size_t from, std::size_t count) {
    int value = 0;
    for (std::size_t i = from; i < from + count; ++i) value = value * 10 + (yyyymmdd[i] - '0');
    return value;
  };
  const int year = number(0, 4), month = number(4, 2), day = number(6, 2);
  return year >= 1 && month >= 1 && month <= 12 && day >= 1 && day <= daysInMonth(year, month);
}

}  // namespace quillet
