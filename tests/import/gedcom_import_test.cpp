// The GEDCOM reader: which clan it picks and how it lays it out, the encodings it takes, and the
// clear error of each malformed file.
#include "reports/gedcom_import.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/genealogy_records.h"

namespace quillet {
namespace {

using testing::record;
using testing::utf8;

std::string gedcom(std::u8string_view records) {
  return "0 HEAD\n1 GEDC\n2 VERS 5.5.1\n1 CHAR UTF-8\n" + utf8(records) + "0 TRLR\n";
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
      record("贾代善", '0', "", "17000101", 'm', "", '0', 'y', "") +
      record("史太君", '0', "", "17050101", 'f', "", '0', 'y', "贾代善") +
      record("王夫人", '0', "", "17060106", 'f', "", '0', 'y', "贾代善") +
      record("贾赦", '1', "贾代善", "17280302", 'm', "", '1', 'n', "", "17900101") +
      record("贾政", '1', "贾代善", "17300715", 'm', "贾赦", '2', 'n', "") +
      record("贾效", '1', "贾代善", "00000000", 'm', "贾政", '2', 'n', "") +
      record("贾敬", '1', "贾代善", "17350101", 'm', "贾效", '0', 'n', "") +
      record("贾敏", '1', "贾代善", "17400509", 'f', "贾敬", '1', 'y', "");
  EXPECT_EQ(result.homeText, lineFeeds(expected));
  EXPECT_EQ(result.persons, 8);
  EXPECT_EQ(result.rootXref, "@I1@");
  EXPECT_EQ(result.outside, 2);
  ASSERT_EQ(result.losses.size(), 1u);
  EXPECT_EQ(lossLine(result.losses[0]), utf8(u8"@I6@ 贾效: no birth date; 00000000 used"));

  ASSERT_TRUE(importGedcom(gedcom(kClan), GedcomImportOptions{"I9"}, result)) << result.error;
  EXPECT_EQ(result.persons, 2);
  EXPECT_EQ(result.outside, 8);
}

// UTF-16 code units as bytes, optionally after a byte order mark.
std::string utf16Bytes(std::u16string_view text, bool bigEndian, bool mark) {
  std::u16string units = mark ? u"\uFEFF" + std::u16string(text) : std::u16string(text);
  std::string bytes;
  for (char16_t unit : units) {
    char high = static_cast<char>(unit >> 8), low = static_cast<char>(unit & 0xFF);
    bytes += bigEndian ? high : low;
    bytes += bigEndian ? low : high;
  }
  return bytes;
}

TEST(GedcomImport, EveryEncodingAndLineEndGivesTheSameClan) {
  const std::u16string text =
      u"0 HEAD\n1 GEDC\n2 VERS 5.5.1\n1 CHAR UNICODE\n0 @I1@ INDI\n1 NAME /贾/演\n1 SEX M\n"
      u"1 BIRT\n2 DATE 1 JAN 1700\n0 TRLR\n";
  std::string utf8Text =
      gedcom(u8"0 @I1@ INDI\n1 NAME /贾/演\n1 SEX M\n1 BIRT\n2 DATE 1 JAN 1700\n");
  auto lineEnds = [&](const std::string& end) {
    std::string out;
    for (char c : utf8Text) out += c == '\n' ? end : std::string(1, c);
    return out;
  };
  const std::string expected =
      lineFeeds(record("贾演", '0', "", "17000101", 'm', "", '0', 'n', ""));
  for (const std::string& bytes :
       {utf8Text, "\xEF\xBB\xBF" + utf8Text, lineEnds("\r\n"), lineEnds("\r"), lineEnds("\n\r"),
        utf16Bytes(text, false, true), utf16Bytes(text, true, true), utf16Bytes(text, false, false),
        utf16Bytes(text, true, false)}) {
    GedcomImport result;
    EXPECT_TRUE(importGedcom(bytes, {}, result)) << result.error;
    EXPECT_EQ(result.homeText, expected);
  }
}

TEST(GedcomImport, MalformedFilesEndWithAClearError) {
  const std::u8string_view kMan = u8"0 @I1@ INDI\n1 NAME /贾/演\n1 SEX M\n";
  struct Case {
    std::string bytes;
    std::u8string_view error;
    std::string root = {};
  };
  const std::vector<Case> cases = {
      {"", u8"not a GEDCOM file: it does not begin with 0 HEAD"},
      {"\x89PNG\r\n", u8"line 1: no level number at the start of the line"},
      {"1 HEAD\n", u8"line 1: level 1 at the start of the file"},
      {"0 HEAD\n2 GEDC\n0 TRLR\n", u8"line 2: level 2 follows level 0"},
      {"0 HEAD\n1\n0 TRLR\n", u8"line 2: no tag"},
      {"0 HEAD\n0 @I1@ INDI\n", u8"the file ends without 0 TRLR: it is cut short"},
      {gedcom(u8"0 @I1@ INDI\n1 FAMC @F9@\n"), u8"line 6: FAMC @F9@ points to no record"},
      {gedcom(u8"0 @F1@ FAM\n1 HUSB @F1@\n"), u8"line 6: HUSB @F1@ points to no INDI record"},
      {gedcom(u8"0 @F1@ FAM\n1 CHIL I1\n"), u8"line 6: CHIL needs a pointer such as @I1@"},
      {gedcom(u8"0 @I1@ INDI\n0 @I1@ INDI\n"),
       u8"line 6: @I1@ is defined a second time (first on line 5)"},
      {gedcom(std::u8string(kMan) + u8"0 @I2@ INDI\n1 SEX M\n0 @F1@ FAM\n1 HUSB @I1@\n1 CHIL @I2@\n"
                                    u8"0 @F2@ FAM\n1 HUSB @I2@\n1 CHIL @I1@\n"),
       u8"the FAMC/FAMS links loop: @I"},
      {gedcom(std::u8string(kMan) + u8"0 @F1@ FAM\n1 HUSB @I1@\n1 CHIL @I1@\n"),
       u8"loop: @I1@ 贾演 is his or her own ancestor"},
      {gedcom(u8"0 @I1@ INDI\n1 NAME \xC3\x28\n"), u8"line 6: bytes that are not UTF-8"},
      {"0 HEAD\n1 CHAR ANSEL\n0 @I1@ INDI\n1 NAME /M\xE2uller/\n0 TRLR\n",
       u8"CHAR ANSEL: only plain ASCII is read"},
      {"0 HEAD\n1 CHAR UNICODE\n0 TRLR\n", u8"no UTF-16 byte order mark"},
      {"\xFF\xFE\x30", u8"the file is not valid UTF-16"},
      {"0 HEAD\n1 GEDC\n2 VERS 4.0\n0 TRLR\n", u8"GEDCOM version 4.0 is not read"},
      {"0 HEAD\n1 CHAR BIG5\n0 TRLR\n", u8"character set BIG5 is not read"},
      {gedcom(u8"0 @I1@ INDI\n1 SEX F\n"),
       u8"no man without parents (SEX M, no FAMC) to be the root"},
      {gedcom(kMan), u8"the root @I9@ is no INDI record of the file", "@I9@"},
  };
  for (const Case& c : cases) {
    GedcomImport result;
    EXPECT_FALSE(importGedcom(c.bytes, GedcomImportOptions{c.root}, result)) << c.bytes;
    EXPECT_NE(result.error.find(utf8(c.error)), std::string::npos)
        << c.bytes << " -> " << result.error;
    EXPECT_EQ(result.homeText, "");
  }
}

}  // namespace
}  // namespace quillet
