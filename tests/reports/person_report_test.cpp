#include "reports/person_report.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/genealogy_text.h"

namespace quillet {
namespace {

using testing::readable;

// What no file can hold (the reports of every kind of person in a clan: the batch transcript
// report_of_every_kind_of_person): unknown alive and sex values read as a living man; dead
// without a recorded date shows an empty date; a fatherless man of generation 1 ranks first;
// both formatters replace the text they are given, and leave it as it was for nobody.
TEST(PersonReport, OddValuesAndNobody) {
  std::string text = "replaced";
  Person odd;
  makeNameKey("贾代儒", odd.name);
  odd.birthDate = makeDate("16950101");
  odd.generation = '2';
  odd.sex = 'x';
  odd.alive = 'x';
  showPersonDetails(&odd, text);
  EXPECT_EQ(text, "姓名:贾代儒\r\n出生日期  16950101\r\n第2代\r\n 性别: 男\r\n健在")
      << readable(text);
  formatPersonLine(&odd, text);
  EXPECT_EQ(text, "    贾代儒 出生  16950101 第2代  性别: 男   健在         \r\n")
      << readable(text);
  odd.alive = 'n';
  formatPersonLine(&odd, text);
  EXPECT_EQ(text, "    贾代儒 出生  16950101 第2代  性别: 男 死亡日期  \r\n") << readable(text);
  odd.alive = 'y';
  odd.generation = '1';
  odd.sex = 'm';
  showPersonDetails(&odd, text);
  EXPECT_EQ(text, "姓名:贾代儒\r\n出生日期  16950101\r\n第1代\r\n 性别: 男\r\n健在\r\n排行1")
      << readable(text);

  text = "kept";
  showPersonDetails(nullptr, text);
  formatPersonLine(nullptr, text);
  EXPECT_EQ(text, "kept");
}

}  // namespace
}  // namespace quillet
