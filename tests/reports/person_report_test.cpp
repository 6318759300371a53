#include "reports/person_report.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/clan_tree.h"

namespace quillet {
namespace {

using testing::readable;

// A father of generation 4 with two wives and three children: the eldest son and a daughter by
// the first wife, a younger son by the second; then a son without a recorded mother, and a
// widower's son who names a second wife the father lacks.
std::string fatherOfThree() {
  // clang-format off
  return testing::records({
      {.name = "贾源", .generation = '0'},
      {.name = "贾政", .generation = '4', .father = "贾源", .birthDate = "17450101", .married = 'y'},
      {.name = "王夫人", .generation = '4', .birthDate = "17500101", .sex = 'f', .married = 'y', .husband = "贾政", .alive = 'n', .deathDate = "17900101"},
      {.name = "赵姨娘", .generation = '4', .birthDate = "17600101", .sex = 'f', .married = 'y', .husband = "贾政"},
      {.name = "贾赦", .generation = '4', .father = "贾源", .birthDate = "17400101", .olderSibling = "贾政"},
      {.name = "贾珠", .generation = '5', .father = "贾政", .birthDate = "17770101", .motherIndex = '1'},
      {.name = "贾元春", .generation = '5', .father = "贾政", .birthDate = "17800101", .sex = 'f', .olderSibling = "贾珠", .motherIndex = '1'},
      {.name = "贾环", .generation = '5', .father = "贾政", .birthDate = "17830216", .olderSibling = "贾元春", .motherIndex = '2'},
      {.name = "贾菖", .generation = '5', .father = "贾政", .birthDate = "17900101", .olderSibling = "贾环"},
      {.name = "贾琏", .generation = '5', .father = "贾赦", .birthDate = "17700101", .motherIndex = '2'},
  });
  // clang-format on
}

TEST(PersonReport, DetailsOfEveryKindOfPerson) {
  testing::ClanTree clan(fatherOfThree());
  ASSERT_TRUE(clan.loaded);
  const struct {
    const char* name;
    const char* expected;
  } cases[] = {
      {"贾环",  // third child, of the second wife: older siblings nearest first
       "姓名:贾环  \r\n出生日期  17830216\r\n第5代\r\n 性别: 男\r\n健在\r\n"
       "父亲 贾政  　　母亲 赵姨娘 \r\n排行3\r\n     兄姐:  贾元春 贾珠  "},
      {"贾珠",  // eldest of the first wife: a rank line without siblings
       "姓名:贾珠  \r\n出生日期  17770101\r\n第5代\r\n 性别: 男\r\n健在\r\n"
       "父亲 贾政  　母亲 王夫人 \r\n排行1"},
      {"王夫人",  // a dead wife ends after her death date
       "姓名:王夫人\r\n出生日期  17500101\r\n第4代\r\n 性别: 女\r\n死亡日期  17900101"},
      {"贾菖",  // no mother recorded: the father line alone
       "姓名:贾菖  \r\n出生日期  17900101\r\n第5代\r\n 性别: 男\r\n健在\r\n父亲 贾政  "
       "\r\n排行4\r\n     兄姐:  贾环   贾元春 贾珠  "},
      {"贾琏",  // a mother the father lacks: the father line alone
       "姓名:贾琏  \r\n出生日期  17700101\r\n第5代\r\n 性别: 男\r\n健在\r\n父亲 贾赦  "
       "\r\n排行1"},
  };
  for (const auto& c : cases) {
    std::string text = "old";
    Person* person = clan(c.name);
    ASSERT_NE(person, nullptr) << readable(c.name);
    showPersonDetails(person, text);
    EXPECT_EQ(text, c.expected) << readable(text);
  }
}

TEST(PersonReport, BriefLinesAndOddValues) {
  testing::ClanTree clan(fatherOfThree());
  ASSERT_NE(clan("贾环"), nullptr);
  ASSERT_NE(clan("王夫人"), nullptr);
  std::string text = "replaced";
  formatPersonLine(clan("贾环"), text);
  EXPECT_EQ(text, "    贾环   出生  17830216 第5代  性别: 男   健在         \r\n")
      << readable(text);
  formatPersonLine(clan("王夫人"), text);
  EXPECT_EQ(text, "    王夫人 出生  17500101 第4代  性别: 女 死亡日期  17900101\r\n")
      << readable(text);

  // Unknown alive and sex values read as a living man; dead without a recorded date shows an
  // empty date; a fatherless man of generation 1 ranks first.
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
