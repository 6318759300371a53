// The GEDCOM reader: which clan it picks and how it lays it out, and the encodings it takes; the
// case files of cases/ (character sets, name forms, repairs, losses and the clear error of each
// malformed file) as data, through one driver.
#include "reports/gedcom_import.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "platform/gbk.h"
#include "tests/support/genealogy_text.h"
#include "tests/support/temp_dir.h"

namespace quillet {
namespace {

using testing::utf8;

std::string gedcom(std::u8string_view records) {
  return "0 HEAD\n1 GEDC\n2 VERS 5.5.1\n1 CHAR UTF-8\n" + utf8(records) + "0 TRLR\n";
}

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

// The genealogy file's bytes as the import gives them ('\n' line ends).
std::string lineFeeds(std::string crlf) {
  std::erase(crlf, '\r');
  return crlf;
}

// Two parentless men: 贾代善's line is the larger. He heads three families, listed F2 before F1
// in his record; the children's birth dates interleave the families, 贾效 has no date.
constexpr std::u8string_view kClan =
    u8"0 @I9@ INDI\n1 NAME 源 /贾/\n1 SEX M\n1 FAMS @F9@\n"
    u8"0 @I10@ INDI\n1 NAME 演 /贾/\n1 SEX M\n1 FAMC @F9@\n"
    u8"0 @I1@ INDI\n1 NAME 代善 /贾/\n1 SEX M\n1 BIRT\n2 DATE 1 JAN 1700\n"
    u8"1 FAMS @F2@\n1 FAMS @F1@\n1 FAMS @F3@\n"
    u8"0 @I3@ INDI\n1 NAME 王夫人 /王/\n2 SURN 王\n1 SEX F\n1 BIRT\n2 DATE 6 JAN 1706\n"
    u8"1 FAMS @F1@\n"
    u8"0 @I2@ INDI\n1 NAME 史太君\n2 SURN 史\n1 SEX F\n1 BIRT\n2 DATE 1 JAN 1705\n1 FAMS @F2@\n"
    u8"0 @I4@ INDI\n1 NAME /贾/赦\n1 SEX M\n1 BIRT\n2 DATE 2 MAR 1728\n1 DEAT\n2 DATE 1 JAN 1790\n"
    u8"1 FAMC @F2@\n"
    u8"0 @I5@ INDI\n1 NAME /贾/政\n1 SEX M\n1 BIRT\n2 DATE 15 JUL 1730\n1 FAMC @F1@\n"
    u8"0 @I6@ INDI\n1 NAME /贾/效\n1 SEX M\n1 FAMC @F1@\n"
    u8"0 @I7@ INDI\n1 NAME /贾/敏\n1 SEX F\n1 BIRT\n2 DATE 9 MAY 1740\n1 FAMC @F2@\n"
    u8"1 FAMS @F5@\n"
    u8"0 @I8@ INDI\n1 NAME /贾/敬\n1 SEX M\n1 BIRT\n2 DATE 1 JAN 1735\n1 FAMC @F3@\n"
    u8"0 @F1@ FAM\n1 HUSB @I1@\n1 WIFE @I3@\n1 CHIL @I5@\n1 CHIL @I6@\n"
    u8"0 @F2@ FAM\n1 HUSB @I1@\n1 WIFE @I2@\n1 CHIL @I7@\n1 CHIL @I4@\n"
    u8"0 @F3@ FAM\n1 HUSB @I1@\n1 CHIL @I8@\n"
    u8"0 @F5@ FAM\n1 WIFE @I7@\n1 MARR Y\n"
    u8"0 @F9@ FAM\n1 HUSB @I9@\n1 CHIL @I10@\n";

TEST(GedcomImport, LargestMaleLineInSaveOrderWithWivesMothersAndBirthOrderChain) {
  GedcomImport result;
  ASSERT_TRUE(importGedcom(gedcom(kClan), {}, result)) << result.error;
  std::string expected =
      // clang-format off
      testing::records({
      {.name = "贾代善", .generation = '0', .married = 'y'},
      {.name = "史太君", .generation = '0', .birthDate = "17050101", .sex = 'f', .married = 'y', .husband = "贾代善"},
      {.name = "王夫人", .generation = '0', .birthDate = "17060106", .sex = 'f', .married = 'y', .husband = "贾代善"},
      {.name = "贾赦", .father = "贾代善", .birthDate = "17280302", .motherIndex = '1', .alive = 'n', .deathDate = "17900101"},
      {.name = "贾政", .father = "贾代善", .birthDate = "17300715", .olderSibling = "贾赦", .motherIndex = '2'},
      {.name = "贾效", .father = "贾代善", .birthDate = "00000000", .olderSibling = "贾政", .motherIndex = '2'},
      {.name = "贾敬", .father = "贾代善", .birthDate = "17350101", .olderSibling = "贾效"},
      {.name = "贾敏", .father = "贾代善", .birthDate = "17400509", .sex = 'f', .olderSibling = "贾敬", .motherIndex = '1', .married = 'y'},
  });
  // clang-format on
  EXPECT_EQ(result.homeText, lineFeeds(expected));
  EXPECT_EQ(result.persons, 8);
  EXPECT_EQ(result.rootXref, "@I1@");
  EXPECT_EQ(result.outside, 2);
  ASSERT_EQ(result.losses.size(), 1u);
  EXPECT_EQ(lossLine(result.losses[0]), utf8(u8"@I6@ 贾效: no birth date; 00000000 used"));

  ASSERT_TRUE(importGedcom(gedcom(kClan), GedcomImportOptions{.root = "I9", .charset = ""}, result))
      << result.error;
  EXPECT_EQ(result.persons, 2);
  EXPECT_EQ(result.outside, 8);
  EXPECT_FALSE(
      importGedcom(gedcom(kClan), GedcomImportOptions{.root = "@I99@", .charset = ""}, result));
  EXPECT_EQ(result.error, "the root @I99@ is no INDI record of the file");
}

}  // namespace
}  // namespace quillet
