#include "reports/person_report.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/test_tree.h"

namespace quillet {
namespace {

using testing::readable;
using testing::TestTree;

// A father of generation 4 with two wives and three children: the eldest son and a daughter by
// the first wife, a younger son by the second.
class PersonReportTest : public ::testing::Test {
 protected:
  TestTree tree;
  Person& father = tree.person("贾政", 'm', '4', "17450101");
  Person& firstWife = tree.wife(father, "王夫人", "17500101");
  Person& secondWife = tree.wife(father, "赵姨娘", "17600101");
  Person& eldest = tree.child(father, "贾珠", 'm', "17770101", '1');
  Person& daughter = tree.child(father, "贾元春", 'f', "17800101", '1');
  Person& third = tree.child(father, "贾环", 'm', "17830216", '2');
};

TEST_F(PersonReportTest, ThirdChildOfSecondWifeListsOlderSiblingsNearestFirst) {
  std::string text = "old";
  showPersonDetails(&third, text);
  const std::string expected =
      "姓名:贾环  \r\n出生日期  17830216\r\n第5代\r\n 性别: 男\r\n健在\r\n"
      "父亲 贾政  　　母亲 赵姨娘 \r\n排行3\r\n     兄姐:  贾元春 贾珠  ";
  EXPECT_EQ(text, expected) << readable(text);
}

TEST_F(PersonReportTest, EldestOfFirstWifeHasRankLineWithoutSiblings) {
  std::string text;
  showPersonDetails(&eldest, text);
  const std::string expected =
      "姓名:贾珠  \r\n出生日期  17770101\r\n第5代\r\n 性别: 男\r\n健在\r\n"
      "父亲 贾政  　母亲 王夫人 \r\n排行1";
  EXPECT_EQ(text, expected) << readable(text);
}

TEST_F(PersonReportTest, DeadWifeEndsAfterDeathDate) {
  TestTree::die(firstWife, "17900101");
  std::string text;
  showPersonDetails(&firstWife, text);
  EXPECT_EQ(text, "姓名:王夫人\r\n出生日期  17500101\r\n第4代\r\n 性别: 女\r\n死亡日期  17900101")
      << readable(text);
}

TEST_F(PersonReportTest, MotherNotRecordedOrMissingGivesFatherLineAlone) {
  Person& unrecorded = tree.child(father, "贾菖", 'm', "17900101", '0');
  std::string text;
  showPersonDetails(&unrecorded, text);
  EXPECT_EQ(text,
            "姓名:贾菖  \r\n出生日期  17900101\r\n第5代\r\n 性别: 男\r\n健在\r\n父亲 贾政  "
            "\r\n排行4\r\n     兄姐:  贾环   贾元春 贾珠  ")
      << readable(text);

  // A second wife named by the child but absent from the father.
  Person& widower = tree.person("贾赦", 'm', '4', "17400101");
  Person& son = tree.child(widower, "贾琏", 'm', "17700101", '2');
  showPersonDetails(&son, text);
  EXPECT_EQ(text,
            "姓名:贾琏  \r\n出生日期  17700101\r\n第5代\r\n 性别: 男\r\n健在\r\n父亲 贾赦  "
            "\r\n排行1")
      << readable(text);
}

TEST(PersonReport, FatherlessFirstGenerationManRanksFirst) {
  TestTree tree;
  Person& man = tree.person("贾代善", 'm', '1', "16900101");
  std::string text;
  showPersonDetails(&man, text);
  EXPECT_EQ(text, "姓名:贾代善\r\n出生日期  16900101\r\n第1代\r\n 性别: 男\r\n健在\r\n排行1")
      << readable(text);
}

TEST(PersonReport, UnknownAliveAndSexValuesReadAsLivingMan) {
  TestTree tree;
  Person& odd = tree.person("贾代儒", 'x', '2', "16950101");
  odd.alive = 'x';
  std::string text;
  showPersonDetails(&odd, text);
  EXPECT_EQ(text, "姓名:贾代儒\r\n出生日期  16950101\r\n第2代\r\n 性别: 男\r\n健在")
      << readable(text);
  formatPersonLine(&odd, text);
  EXPECT_EQ(text, "    贾代儒 出生  16950101 第2代  性别: 男   健在         \r\n")
      << readable(text);
}

TEST(PersonReport, DeadWithoutRecordedDateShowsEmptyDate) {
  TestTree tree;
  Person& broken = tree.person("贾代修", 'm', '2', "16960101");
  broken.alive = 'n';  // no deathDate: a broken record
  std::string text;
  formatPersonLine(&broken, text);
  EXPECT_EQ(text, "    贾代修 出生  16960101 第2代  性别: 男 死亡日期  \r\n") << readable(text);
}

TEST_F(PersonReportTest, BriefLineOfLivingAndDeadPersons) {
  std::string text = "replaced";
  formatPersonLine(&third, text);
  EXPECT_EQ(text, "    贾环   出生  17830216 第5代  性别: 男   健在         \r\n")
      << readable(text);

  TestTree::die(firstWife, "17900101");
  formatPersonLine(&firstWife, text);
  EXPECT_EQ(text, "    王夫人 出生  17500101 第4代  性别: 女 死亡日期  17900101\r\n")
      << readable(text);
}

TEST(PersonReport, NullPersonLeavesTextUntouched) {
  std::string text = "kept";
  showPersonDetails(nullptr, text);
  EXPECT_EQ(text, "kept");
  formatPersonLine(nullptr, text);
  EXPECT_EQ(text, "kept");
}

}  // namespace
}  // namespace quillet
