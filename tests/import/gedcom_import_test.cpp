// The GEDCOM reader over the case files of cases/ (character sets, encodings, name forms,
// repairs, losses and the clear error of each malformed file) as data, through one driver. (Which
// line it takes and how it lays it out: the batch transcripts cli_import_*.)
#include "gedcom/gedcom_import.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/gbk.h"
#include "tests/support/genealogy_text.h"
#include "tests/support/temp_dir.h"

namespace quillet {
namespace {

// The report of an import as quillet-import lists it: notices, then losses and repairs.
std::vector<std::string> reportLines(const GedcomImport& result) {
  std::vector<std::string> lines = result.notices;
  for (const ImportLoss& loss : result.losses) lines.push_back(lossLine(loss));
  return lines;
}

// The name keys of a genealogy text, in UTF-8, separated by spaces.
std::string keysOf(const std::string& homeText) {
  std::string keys;
  std::istringstream lines(homeText);
  for (std::string line; std::getline(lines, line);) {
    std::string key = line.substr(1, 6);
    while (key.ends_with(' ')) key.pop_back();
    keys += (keys.empty() ? "" : " ") + testing::readable(key);
  }
  return keys;
}

// A row of cases/cases.tsv: a GEDCOM file of that folder in a character set, a name form or with
// a fault to repair, and what its import must give; named after its file, the character set
// given and what it checks (with its rank among rows of the same name, from the second on).
struct Case {
  std::string row, name;
  std::vector<std::string> field;
};

void PrintTo(const Case& c, std::ostream* out) { *out << c.row; }

std::vector<Case> cases() {
  std::istringstream table(testing::readFile(testing::sourcePath("tests/import/cases/cases.tsv")));
  std::vector<Case> all;
  std::map<std::string, int> seen;
  for (std::string row; std::getline(table, row);) {
    if (row.empty() || row.starts_with("#")) continue;
    Case c{row, "", {}};
    std::istringstream fields(row);
    for (std::string f; std::getline(fields, f, '\t');) c.field.push_back(f);
    std::string name = c.field[0].substr(0, c.field[0].rfind('.'));
    if (c.field.size() > 2) name += (c.field[1] == "-" ? "" : "_" + c.field[1]) + "_" + c.field[2];
    for (char& ch : name) {
      if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
    }
    const int rank = ++seen[name];
    c.name = rank == 1 ? name : name + "_" + std::to_string(rank);
    all.push_back(std::move(c));
  }
  return all;
}

TEST(GedcomImport, TheCaseTableIsRead) { EXPECT_GT(cases().size(), 40u); }

class GedcomImportCase : public ::testing::TestWithParam<Case> {};

TEST_P(GedcomImportCase, GivesItsExpectedGenealogyAndReport) {
  const std::string folder = testing::sourcePath("tests/import/cases/");
  const std::string& row = GetParam().row;
  const std::vector<std::string>& field = GetParam().field;
  ASSERT_EQ(field.size(), 4u) << row;
  GedcomImportOptions options;
  if (field[1] != "-") options.charset = field[1];
  GedcomImport result;
  const platform::Status read = importGedcom(testing::readFile(folder + field[0]), options, result);
  const std::string& kind = field[2];
  const std::string& want = field[3];
  if (kind == "error") {
    EXPECT_EQ(read.code(), platform::Status::Code::kInvalidInput) << row;
    EXPECT_NE(read.message().find(want), std::string::npos) << row << "\n" << read.message();
    return;
  }
  ASSERT_TRUE(read.ok()) << row << "\n" << read.message();
  const std::vector<std::string> report = reportLines(result);
  if (kind == "same") {
    GedcomImport twin;
    const platform::Status twinRead = importGedcom(testing::readFile(folder + want), {}, twin);
    ASSERT_TRUE(twinRead.ok()) << twinRead.message();
    EXPECT_EQ(keysOf(result.homeText), keysOf(twin.homeText)) << row;
    EXPECT_EQ(result.homeText, twin.homeText) << row;
    EXPECT_EQ(result.losses.size(), twin.losses.size()) << row;
  } else if (kind == "keys") {
    EXPECT_EQ(keysOf(result.homeText), want) << row;
  } else if (kind == "line") {
    EXPECT_NE(std::find(report.begin(), report.end(), want), report.end())
        << row << "\n"
        << ::testing::PrintToString(report);
  } else if (kind == "losses") {
    EXPECT_EQ(std::to_string(result.losses.size()), want) << row << "\n"
                                                          << ::testing::PrintToString(report);
  } else {
    ADD_FAILURE() << "unknown kind in " << row;
  }
}

INSTANTIATE_TEST_SUITE_P(, GedcomImportCase, ::testing::ValuesIn(cases()),
                         [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace quillet
