// The GEDCOM reader over the case files of cases/ (character sets, encodings, name forms,
// repairs, losses and the clear error of each malformed file) as data, through one driver. (Which
// line it takes and how it lays it out: the batch transcripts cli_import_*.)
#include "gedcom/gedcom_import.h"

#include <gtest/gtest.h>

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

// Each row of cases/cases.tsv: a GEDCOM file of that folder in a character set, a name form or
// with a fault to repair, and what its import must give.
TEST(GedcomImport, EachCaseFileGivesItsExpectedGenealogyAndReport) {
  const std::string folder = testing::sourcePath("tests/import/cases/");
  std::istringstream table(testing::readFile(folder + "cases.tsv"));
  int rows = 0;
  for (std::string row; std::getline(table, row);) {
    if (row.empty() || row.starts_with("#")) continue;
    std::vector<std::string> field;
    std::istringstream fields(row);
    for (std::string f; std::getline(fields, f, '\t');) field.push_back(f);
    ASSERT_EQ(field.size(), 4u) << row;
    ++rows;
    GedcomImportOptions options;
    if (field[1] != "-") options.charset = field[1];
    GedcomImport result;
    const bool read = importGedcom(testing::readFile(folder + field[0]), options, result);
    const std::string& kind = field[2];
    const std::string& want = field[3];
    if (kind == "error") {
      EXPECT_FALSE(read) << row;
      EXPECT_NE(result.error.find(want), std::string::npos) << row << "\n" << result.error;
      continue;
    }
    ASSERT_TRUE(read) << row << "\n" << result.error;
    const std::vector<std::string> report = reportLines(result);
    if (kind == "same") {
      GedcomImport twin;
      ASSERT_TRUE(importGedcom(testing::readFile(folder + want), {}, twin)) << twin.error;
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
  EXPECT_GT(rows, 40);
}

}  // namespace
}  // namespace quillet
