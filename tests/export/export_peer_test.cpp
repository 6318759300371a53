// The exported files read by other genealogy programs: gramps imports the GEDCOM 5.5.1 export
// without errors and its CSV export shows the same persons, marriages and children; Gedcom.pm
// (libgedcom-perl) validates it against the 5.5.1 grammar; rsvg-convert renders the chart. Each
// check skips when its program is not installed.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "core/family_tree.h"
#include "reports/gedcom_export.h"
#include "tests/support/genealogy_records.h"
#include "tests/support/temp_dir.h"

namespace quillet {
namespace {

using testing::fileExists;
using testing::readFile;
using testing::writeFile;

int run(const std::string& command) {
  int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool installed(const std::string& probe) { return run(probe + " >/dev/null 2>&1") == 0; }

// A temporary directory holding home.txt: the shipped clan when there is one, else a test clan.
class PeerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string shipped = testing::sourcePath("data/home.txt");
    writeFile("home.txt", fileExists(shipped) ? readFile(shipped) : testing::wideClan());
  }
  int exportTo(const std::string& arguments) {
    return run(std::string("'") + QUILLET_EXPORT_BINARY + "' " + arguments);
  }
  // "surname|given" as gramps shows a person: a titled name is all given name.
  std::string fullName(const Person* person) {
    if (person == nullptr) return "";
    ExportName name = exportName(*person);
    return name.surname + "|" + (name.titled ? name.surname + name.given : name.given);
  }
  testing::ScopedTempDir dir_;
};

std::vector<std::string> splitCsv(const std::string& line) {
  std::vector<std::string> fields(1);
  bool quoted = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    char c = line[i];
    if (c == '"') {
      if (quoted && i + 1 < line.size() && line[i + 1] == '"') {
        fields.back() += '"';
        ++i;
      } else {
        quoted = !quoted;
      }
    } else if (c == ',' && !quoted) {
      fields.emplace_back();
    } else if (c != '\r') {
      fields.back() += c;
    }
  }
  return fields;
}

TEST_F(PeerTest, GrampsImportsWithoutErrorsAndExportsTheSameFamilies) {
  if (!installed("command -v gramps")) GTEST_SKIP() << "gramps is not installed";
  ASSERT_EQ(exportTo("gedcom clan.ged --version 5.5.1"), 0);
  std::string env = "GRAMPSHOME='" + dir_.path() + "/gramps' ";
  ASSERT_EQ(run("mkdir -p gramps"), 0);
  ASSERT_EQ(run(env + "gramps -y -C clan -i clan.ged >import.log 2>&1"), 0)
      << readFile("import.log");
  EXPECT_NE(readFile("import.log").find("No errors detected"), std::string::npos)
      << readFile("import.log");
  ASSERT_EQ(run(env + "gramps -y -O clan -e clan.csv >export.log 2>&1"), 0)
      << readFile("export.log");

  // What gramps holds.
  std::map<std::string, std::string> nameOfId;
  std::multiset<std::string> persons;
  std::map<std::string, std::pair<std::string, std::string>> couples;  // family id -> names
  std::multiset<std::pair<std::string, std::string>> marriages;
  std::multiset<std::tuple<std::string, std::string, std::string>> children;
  std::istringstream csv(readFile("clan.csv"));
  std::string line, section;
  while (std::getline(csv, line)) {
    std::vector<std::string> fields = splitCsv(line);
    if (fields.size() == 1 && fields[0].empty()) {
      section.clear();
    } else if (section.empty()) {
      section = fields[0];
    } else if (section == "Person" && fields.size() > 7) {
      nameOfId[fields[0]] = fields[1] + "|" + fields[2];
      persons.insert(fields[1] + "|" + fields[2] + "|" + fields[7]);
    } else if (section == "Marriage" && fields.size() > 2) {
      couples[fields[0]] = {nameOfId[fields[1]], nameOfId[fields[2]]};
      marriages.insert(couples[fields[0]]);
    } else if (section == "Family" && fields.size() > 1) {
      const auto& [husband, wife] = couples[fields[0]];
      children.insert({husband, wife, nameOfId[fields[1]]});
    }
  }

  // What the tree holds.
  FamilyTree tree;
  ASSERT_TRUE(tree.load());
  std::vector<ClanMember> clan = collectClan(tree);
  std::multiset<std::string> expectedPersons;
  std::multiset<std::pair<std::string, std::string>> expectedMarriages;
  std::multiset<std::tuple<std::string, std::string, std::string>> expectedChildren;
  auto addPerson = [&](const Person* person) {
    expectedPersons.insert(fullName(person) + "|" + (person->sex == 'm' ? "male" : "female"));
  };
  for (const ClanMember& member : clan) {
    addPerson(member.person);
    bool alone = false;
    for (const Person* wife : member.wives) {
      if (wife == nullptr) continue;
      addPerson(wife);
      expectedMarriages.insert({fullName(member.person), fullName(wife)});
    }
    for (int index : member.children) {
      const Person* child = clan[index].person;
      int slot = child->motherIndex - '1';
      const Person* mother = (slot == 0 || slot == 1) ? member.wives[slot] : nullptr;
      alone = alone || mother == nullptr;
      expectedChildren.insert({fullName(member.person), fullName(mother), fullName(child)});
    }
    // A married member without a wife in the tree has a family of his or her own.
    bool marriedAlone = member.person->married == 'y' && !member.wives[0] && !member.wives[1];
    if (alone || (marriedAlone && member.person->sex != 'f')) {
      expectedMarriages.insert({fullName(member.person), ""});
    } else if (marriedAlone) {
      expectedMarriages.insert({"", fullName(member.person)});
    }
  }
  EXPECT_GT(expectedPersons.size(), 20u);
  EXPECT_EQ(persons, expectedPersons);
  EXPECT_EQ(marriages, expectedMarriages);
  EXPECT_EQ(children, expectedChildren);
}

TEST_F(PeerTest, GedcomPmValidatesTheExport) {
  if (!installed("perl -MGedcom -e 1")) GTEST_SKIP() << "libgedcom-perl is not installed";
  ASSERT_EQ(exportTo("gedcom clan.ged --version 5.5.1"), 0);
  writeFile("validate.pl",
            "use strict; use warnings; use Gedcom;\n"
            "my $ged = Gedcom->new(gedcom_file => $ARGV[0], grammar_version => '5.5.1',\n"
            "                      read_only => 1);\n"
            "my $valid = $ged->validate;\n"
            "my @persons = $ged->individuals;\n"
            "print scalar(@persons), \"\\n\";\n"
            "exit($valid ? 0 : 1);\n");
  EXPECT_EQ(run("perl validate.pl clan.ged >validate.out 2>validate.err"), 0)
      << readFile("validate.err");
  EXPECT_EQ(readFile("validate.err"), "");
  FamilyTree tree;
  ASSERT_TRUE(tree.load());
  EXPECT_EQ(readFile("validate.out"), std::to_string(tree.personCount()) + "\n");
}

TEST_F(PeerTest, RsvgRendersTheChart) {
  if (!installed("command -v rsvg-convert")) GTEST_SKIP() << "librsvg2-bin is not installed";
  ASSERT_EQ(exportTo("chart clan.svg"), 0);
  EXPECT_EQ(run("rsvg-convert clan.svg -o clan.png 2>render.err"), 0) << readFile("render.err");
  EXPECT_EQ(readFile("render.err"), "");
  EXPECT_TRUE(readFile("clan.png").starts_with("\x89PNG"));
}

}  // namespace
}  // namespace quillet
