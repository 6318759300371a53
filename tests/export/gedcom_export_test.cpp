#include "reports/gedcom_export.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/family_tree.h"
#include "tests/support/genealogy_text.h"
#include "tests/support/temp_dir.h"

namespace quillet {
namespace {

using testing::record;
using testing::utf8;

// A root with two wives and children of each, of neither, and one naming a wife he lacks.
std::string twoWivesClan() {
  // clang-format off
  return testing::records({
      {.name = "贾演", .generation = '0', .birthDate = "16500101", .married = 'y', .alive = 'n', .deathDate = "17200101"},
      {.name = "史氏", .generation = '0', .birthDate = "16550101", .sex = 'f', .married = 'y', .husband = "贾演"},
      {.name = "王夫人", .generation = '0', .birthDate = "16600101", .sex = 'f', .married = 'y', .husband = "贾演", .alive = 'n', .deathDate = "17301301"},
      {.name = "贾代化", .father = "贾演", .birthDate = "16800101", .motherIndex = '1'},
      {.name = "贾敏", .father = "贾演", .birthDate = "16820229", .sex = 'f', .olderSibling = "贾代化", .married = 'y'},
      {.name = "贾代善", .father = "贾演", .birthDate = "16840101", .olderSibling = "贾敏", .motherIndex = '2'},
      {.name = "贾敷", .father = "贾演", .birthDate = "16860101", .olderSibling = "贾代善", .motherIndex = '1'},
      {.name = "贾敬", .generation = '2', .father = "贾代化", .motherIndex = '2'},
  });
  // clang-format on
}

std::string exportOf(const std::string& homeText, GedcomVersion version) {
  quillet::testing::ScopedTempDir dir;
  quillet::testing::writeFile("home.txt", homeText);
  FamilyTree tree;
  EXPECT_TRUE(tree.load());
  std::string out;
  EXPECT_TRUE(writeGedcom(tree, version, out));
  return out;
}

TEST(GedcomExport, FamilyPerWifeChildrenByMotherIndexAndFatherAloneFamily) {
  std::string expected = utf8(
      u8"0 HEAD\n1 GEDC\n2 VERS 7.0\n1 SOUR Quillet\n2 VERS 1.0\n2 NAME Quillet\n"
      u8"0 @I1@ INDI\n1 NAME /贾/演\n2 GIVN 演\n2 SURN 贾\n1 SEX M\n1 BIRT\n2 DATE 1 JAN 1650\n"
      u8"1 DEAT\n2 DATE 1 JAN 1720\n1 FAMS @F1@\n1 FAMS @F2@\n1 FAMS @F3@\n"
      u8"0 @I2@ INDI\n1 NAME 史氏\n2 SURN 史\n1 SEX F\n1 BIRT\n2 DATE 1 JAN 1655\n"
      u8"1 FAMS @F1@\n"
      u8"0 @I3@ INDI\n1 NAME 王夫人\n2 SURN 王\n1 SEX F\n1 BIRT\n"
      u8"2 DATE 1 JAN 1660\n1 DEAT Y\n1 FAMS @F2@\n"
      u8"0 @I4@ INDI\n1 NAME /贾/代化\n2 GIVN 代化\n2 SURN 贾\n1 SEX M\n1 BIRT\n"
      u8"2 DATE 1 JAN 1680\n1 FAMC @F1@\n1 FAMS @F4@\n"
      u8"0 @I5@ INDI\n1 NAME /贾/敏\n2 GIVN 敏\n2 SURN 贾\n1 SEX F\n1 FAMC @F3@\n1 FAMS @F5@\n"
      u8"0 @I6@ INDI\n1 NAME /贾/代善\n2 GIVN 代善\n2 SURN 贾\n1 SEX M\n1 BIRT\n"
      u8"2 DATE 1 JAN 1684\n1 FAMC @F2@\n"
      u8"0 @I7@ INDI\n1 NAME /贾/敷\n2 GIVN 敷\n2 SURN 贾\n1 SEX M\n1 BIRT\n2 DATE 1 JAN 1686\n"
      u8"1 FAMC @F1@\n"
      u8"0 @I8@ INDI\n1 NAME /贾/敬\n2 GIVN 敬\n2 SURN 贾\n1 SEX M\n1 BIRT\n2 DATE 1 JAN 1700\n"
      u8"1 FAMC @F4@\n"
      u8"0 @F1@ FAM\n1 HUSB @I1@\n1 WIFE @I2@\n1 CHIL @I4@\n1 CHIL @I7@\n"
      u8"0 @F2@ FAM\n1 HUSB @I1@\n1 WIFE @I3@\n1 CHIL @I6@\n"
      u8"0 @F3@ FAM\n1 HUSB @I1@\n1 CHIL @I5@\n"
      u8"0 @F4@ FAM\n1 HUSB @I4@\n1 CHIL @I8@\n"
      u8"0 @F5@ FAM\n1 WIFE @I5@\n1 MARR Y\n"
      u8"0 TRLR\n");
  EXPECT_EQ(exportOf(twoWivesClan(), GedcomVersion::kV70), expected);
}

TEST(GedcomExport, Version551HasSubmitterCharsetAndDoublesEveryAtAnd70OnlyALeadingOne) {
  std::string home = record({.name = "贾/@", .generation = '0', .birthDate = "16500101"});
  std::string expected = utf8(
      u8"0 HEAD\n1 SOUR Quillet\n2 VERS 1.0\n2 NAME Quillet\n1 SUBM @U1@\n1 GEDC\n"
      u8"2 VERS 5.5.1\n2 FORM LINEAGE-LINKED\n1 CHAR UTF-8\n0 @U1@ SUBM\n1 NAME Quillet\n"
      u8"0 @I1@ INDI\n1 NAME /贾/／@@\n2 GIVN ／@@\n2 SURN 贾\n1 SEX M\n1 BIRT\n"
      u8"2 DATE 1 JAN 1650\n0 TRLR\n");
  EXPECT_EQ(exportOf(home, GedcomVersion::kV551), expected);
  // Version 7.0 doubles only a leading @.
  const std::string out = exportOf(record({.name = "@@", .generation = '0'}), GedcomVersion::kV70);
  EXPECT_NE(out.find("1 NAME /@/@\n2 GIVN @@\n2 SURN @@\n"), std::string::npos) << out;
}

TEST(GedcomExport, DateConversionRejectsWhatIsNotARealDate) {
  EXPECT_EQ(gedcomDate("17830216"), "16 FEB 1783");
  EXPECT_EQ(gedcomDate("20001231"), "31 DEC 2000");
  EXPECT_EQ(gedcomDate("20000229"), "29 FEB 2000");  // divisible by 400: a leap year
  EXPECT_EQ(gedcomDate("00010101"), "1 JAN 1");
  for (const char* bad : {"18000229", "17830229", "17831301", "17830001", "17830100", "17830431",
                          "00000101", "1783021", "178302161", "1783O216", "        ", ""}) {
    EXPECT_EQ(gedcomDate(bad), "") << bad;
  }
}

}  // namespace
}  // namespace quillet
