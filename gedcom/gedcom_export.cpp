#include "gedcom/gedcom_export.h"

#include <cstddef>
#include <unordered_map>

#include "core/text_format.h"

namespace quillet {
namespace {

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

}  // namespace

std::string gedcomDate(std::string_view yyyymmdd) {
  static constexpr const char* kMonths[12] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                              "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
  if (!isCalendarDate(yyyymmdd)) return {};
  auto number = [&](std::size_t from, std::size_t count) {
    int value = 0;
    for (std::size_t i = from; i < from + count; ++i) value = value * 10 + (yyyymmdd[i] - '0');
    return value;
  };
  std::string text;
  appendFormat(text, "%d %s %d", number(6, 2), kMonths[number(4, 2) - 1], number(0, 4));
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
                      GedcomVersion version, LivingPersons living) {
  out += "0 " + pointer('I', number) + " INDI\n";
  const bool alive = person.alive != 'n';
  if (alive && living == LivingPersons::kHide) {
    // The place kept, nothing told: 某 ("someone"), in UTF-8.
    out += "1 NAME \xE6\x9F\x90\n";
  } else {
    appendName(out, person, version);
    if (alive && living == LivingPersons::kName) {
      out += person.sex == 'm' ? "1 SEX M\n" : person.sex == 'f' ? "1 SEX F\n" : "1 SEX U\n";
    } else {
      appendLife(out, person);
    }
  }
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

bool writeGedcom(const FamilyTree& tree, GedcomVersion version, std::string& out,
                 LivingPersons living) {
  out.clear();
  std::vector<ClanMember> clan = collectClan(tree);
  if (clan.empty()) return false;
  Individuals individuals = numberIndividuals(clan);
  Families families = collectFamilies(clan);
  appendHeader(out, version);
  for (std::size_t i = 0; i < individuals.order.size(); ++i) {
    appendIndividual(out, *individuals.order[i], static_cast<int>(i) + 1, families, version,
                     living);
  }
  for (std::size_t i = 0; i < families.list.size(); ++i) {
    appendFamily(out, families.list[i], static_cast<int>(i) + 1, individuals);
  }
  out += "0 TRLR\n";
  return true;
}

}  // namespace quillet
