#include "reports/gedcom_export.h"

#include <cstddef>
#include <unordered_map>
#include <unordered_set>

#include "core/text_format.h"
#include "platform/gbk.h"

namespace quillet {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";       // U+FFFD in UTF-8
constexpr std::string_view kFullwidthSolidus = "\xEF\xBC\x8F";  // U+FF0F, not a name delimiter

// A name key without the padding spaces at its end.
std::string_view trimmedName(const Person& person) {
  std::string_view name = keyText(person.name);
  while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
  return name;
}

// One character made safe for a GEDCOM name part: no surname delimiter, no control byte.
std::string nameCharacter(const std::string& utf8) {
  if (utf8 == "/") return std::string(kFullwidthSolidus);
  if (utf8.size() == 1 && static_cast<unsigned char>(utf8[0]) < 0x20) return " ";
  return utf8;
}

// A line value as the version wants it: 5.5.1 doubles every '@', 7.0 only a leading one.
std::string escapeValue(const std::string& value, GedcomVersion version) {
  if (version == GedcomVersion::kV70) {
    return (!value.empty() && value[0] == '@') ? "@" + value : value;
  }
  std::string escaped;
  for (char c : value) {
    escaped += c;
    if (c == '@') escaped += '@';
  }
  return escaped;
}

bool isLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int daysInMonth(int year, int month) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return (month == 2 && isLeapYear(year)) ? 29 : kDays[month - 1];
}

std::string pointer(char kind, int number) {
  std::string text;
  appendFormat(text, "@%c%d@", kind, number);
  return text;
}

// One family: a member (as husband, or as wife for a daughter who married out), at most one
// wife, children in chain order, and whether a marriage is stated without a wife in the tree.
struct Family {
  const Person* husband = nullptr;
  const Person* wife = nullptr;
  std::vector<const Person*> children;
  bool married = false;
};

// Titles that stand after a surname in place of a given name.
constexpr std::u8string_view kTitles[] = {u8"氏",   u8"夫人", u8"姨娘", u8"太君",
                                          u8"太太", u8"奶奶", u8"姥姥", u8"嬷嬷"};

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
      characters.emplace_back(kReplacement);
      gbk.remove_prefix(1);
      continue;
    }
    std::optional<std::string> utf8 = platform::gbkToUtf8(gbk.substr(0, length));
    characters.push_back(utf8 ? *utf8 : std::string(kReplacement));
    gbk.remove_prefix(length);
  }
  return characters;
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

std::string gedcomDate(std::string_view yyyymmdd) {
  static constexpr const char* kMonths[12] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                              "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
  if (yyyymmdd.size() != 8) return {};
  for (char c : yyyymmdd) {
    if (c < '0' || c > '9') return {};
  }
  auto number = [&](std::size_t from, std::size_t count) {
    int value = 0;
    for (std::size_t i = from; i < from + count; ++i) value = value * 10 + (yyyymmdd[i] - '0');
    return value;
  };
  int year = number(0, 4), month = number(4, 2), day = number(6, 2);
  if (year < 1 || month < 1 || month > 12 || day < 1 || day > daysInMonth(year, month)) return {};
  std::string text;
  appendFormat(text, "%d %s %d", day, kMonths[month - 1], year);
  return text;
}

namespace {

// Every person of the clan numbered in the order the genealogy file keeps them: each member,
// then his wives. Numbers start at 1.
struct Individuals {
  std::vector<const Person*> order;
  std::unordered_map<const Person*, int> number;
};

Individuals numberIndividuals(const std::vector<ClanMember>& clan) {
  Individuals individuals;
  auto add = [&](const Person* person) {
    if (individuals.number.emplace(person, static_cast<int>(individuals.order.size()) + 1).second) {
      individuals.order.push_back(person);
    }
  };
  for (const ClanMember& member : clan) {
    add(member.person);
    for (const Person* wife : member.wives) {
      if (wife != nullptr) add(wife);
    }
  }
  return individuals;
}

// The families of the clan and each person's links to them. Family numbers start at 1.
struct Families {
  std::vector<Family> list;
  std::unordered_map<const Person*, std::vector<int>> spouseFamilies;
  std::unordered_map<const Person*, int> childFamily;
};

// A member's families: one per wife, then one of the father alone when a child names no
// existing wife. Children go to the family of the wife their motherIndex names. A member married
// without a wife in the tree has the marriage stated in a family of his or her own, made
// without children when there is none (a daughter who married out is its wife).
void addMemberFamilies(const std::vector<ClanMember>& clan, const ClanMember& member,
                       Families& families) {
  int wifeFamily[2] = {0, 0};
  for (int slot = 0; slot < 2; ++slot) {
    if (member.wives[slot] == nullptr) continue;
    families.list.push_back(Family{member.person, member.wives[slot], {}});
    wifeFamily[slot] = static_cast<int>(families.list.size());
  }
  int aloneFamily = 0;
  auto alone = [&] {
    if (aloneFamily == 0) {
      families.list.push_back(Family{member.person, nullptr, {}});
      aloneFamily = static_cast<int>(families.list.size());
    }
    return aloneFamily;
  };
  for (int childIndex : member.children) {
    const Person* child = clan[childIndex].person;
    int slot = child->motherIndex == '1' ? 0 : child->motherIndex == '2' ? 1 : -1;
    int family = slot >= 0 ? wifeFamily[slot] : 0;
    if (family == 0) family = alone();
    families.list[family - 1].children.push_back(child);
    families.childFamily[child] = family;
  }
  const Person& person = *member.person;
  if (person.married == 'y' && wifeFamily[0] == 0 && wifeFamily[1] == 0) {
    if (aloneFamily == 0 && person.sex == 'f') {
      families.list.push_back(Family{nullptr, &person, {}});
      aloneFamily = static_cast<int>(families.list.size());
    }
    families.list[alone() - 1].married = true;
  }
}

Families collectFamilies(const std::vector<ClanMember>& clan) {
  Families families;
  for (const ClanMember& member : clan) addMemberFamilies(clan, member, families);
  for (std::size_t i = 0; i < families.list.size(); ++i) {
    int number = static_cast<int>(i) + 1;
    const Family& family = families.list[i];
    if (family.husband != nullptr) families.spouseFamilies[family.husband].push_back(number);
    if (family.wife != nullptr) families.spouseFamilies[family.wife].push_back(number);
  }
  return families;
}

void appendHeader(std::string& out, GedcomVersion version) {
  if (version == GedcomVersion::kV70) {
    out += "0 HEAD\n1 GEDC\n2 VERS 7.0\n1 SOUR Quillet\n2 VERS 1.0\n2 NAME Quillet\n";
  } else {
    out +=
        "0 HEAD\n1 SOUR Quillet\n2 VERS 1.0\n2 NAME Quillet\n1 SUBM @U1@\n1 GEDC\n2 VERS 5.5.1\n"
        "2 FORM LINEAGE-LINKED\n1 CHAR UTF-8\n0 @U1@ SUBM\n1 NAME Quillet\n";
  }
}

void appendName(std::string& out, const Person& person, GedcomVersion version) {
  ExportName name = exportName(person);
  if (name.titled) {
    out += "1 NAME " + escapeValue(name.surname + name.given, version) + "\n";
    out += "2 SURN " + escapeValue(name.surname, version) + "\n";
    return;
  }
  out += "1 NAME " + escapeValue("/" + name.surname + "/" + name.given, version) + "\n";
  if (!name.given.empty()) out += "2 GIVN " + escapeValue(name.given, version) + "\n";
  if (!name.surname.empty()) out += "2 SURN " + escapeValue(name.surname, version) + "\n";
}

void appendLife(std::string& out, const Person& person) {
  out += person.sex == 'm' ? "1 SEX M\n" : person.sex == 'f' ? "1 SEX F\n" : "1 SEX U\n";
  std::string birth = gedcomDate(dateText(person.birthDate));
  if (!birth.empty()) out += "1 BIRT\n2 DATE " + birth + "\n";
  if (person.alive == 'n') {
    std::string death = person.deathDate ? gedcomDate(dateText(*person.deathDate)) : "";
    out += death.empty() ? "1 DEAT Y\n" : "1 DEAT\n2 DATE " + death + "\n";
  }
}

void appendIndividual(std::string& out, const Person& person, int number, const Families& families,
                      GedcomVersion version) {
  out += "0 " + pointer('I', number) + " INDI\n";
  appendName(out, person, version);
  appendLife(out, person);
  if (auto found = families.childFamily.find(&person); found != families.childFamily.end()) {
    out += "1 FAMC " + pointer('F', found->second) + "\n";
  }
  if (auto found = families.spouseFamilies.find(&person); found != families.spouseFamilies.end()) {
    for (int family : found->second) out += "1 FAMS " + pointer('F', family) + "\n";
  }
}

void appendFamily(std::string& out, const Family& family, int number,
                  const Individuals& individuals) {
  out += "0 " + pointer('F', number) + " FAM\n";
  if (family.husband != nullptr) {
    out += "1 HUSB " + pointer('I', individuals.number.at(family.husband)) + "\n";
  }
  if (family.wife != nullptr) {
    out += "1 WIFE " + pointer('I', individuals.number.at(family.wife)) + "\n";
  }
  if (family.married) out += "1 MARR Y\n";
  for (const Person* child : family.children) {
    out += "1 CHIL " + pointer('I', individuals.number.at(child)) + "\n";
  }
}

}  // namespace

bool writeGedcom(const FamilyTree& tree, GedcomVersion version, std::string& out) {
  out.clear();
  std::vector<ClanMember> clan = collectClan(tree);
  if (clan.empty()) return false;
  Individuals individuals = numberIndividuals(clan);
  Families families = collectFamilies(clan);
  appendHeader(out, version);
  for (std::size_t i = 0; i < individuals.order.size(); ++i) {
    appendIndividual(out, *individuals.order[i], static_cast<int>(i) + 1, families, version);
  }
  for (std::size_t i = 0; i < families.list.size(); ++i) {
    appendFamily(out, families.list[i], static_cast<int>(i) + 1, individuals);
  }
  out += "0 TRLR\n";
  return true;
}

}  // namespace quillet
