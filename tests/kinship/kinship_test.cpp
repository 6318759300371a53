// The kinship sentences of every branch, compared whole and byte for byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "core/family_tree.h"
#include "kinship/kinship_path.h"
#include "tests/support/clan_tree.h"

namespace quillet {
namespace {

using testing::ClanTree;
using testing::readable;

// Five generations of one clan: two lines under the root, wives, a second wife and her child,
// children without a recorded mother, daughters of the clan, twins by date and a
// great-great-great-granddaughter.
std::string fiveGenerations() {
  // clang-format off
  return testing::records({
      {.name = "贾源", .generation = '0', .birthDate = "16600101", .married = 'y'},
      {.name = "史老君", .generation = '0', .birthDate = "16650101", .sex = 'f', .married = 'y', .husband = "贾源"},
      {.name = "贾姑娘", .father = "贾源", .birthDate = "16800101", .sex = 'f', .motherIndex = '1'},
      {.name = "贾代化", .father = "贾源", .birthDate = "16850101", .olderSibling = "贾姑娘", .motherIndex = '1'},
      {.name = "贾代善", .father = "贾源", .birthDate = "16900101", .olderSibling = "贾代化", .motherIndex = '1', .married = 'y'},
      {.name = "史太君", .birthDate = "16920101", .sex = 'f', .married = 'y', .husband = "贾代善"},
      {.name = "周姨娘", .birthDate = "16950101", .sex = 'f', .married = 'y', .husband = "贾代善"},
      {.name = "贾大姐", .generation = '2', .father = "贾代化", .birthDate = "17000101", .sex = 'f', .motherIndex = '1'},
      {.name = "贾敬", .generation = '2', .father = "贾代化", .birthDate = "17120101", .olderSibling = "贾大姐", .motherIndex = '1', .married = 'y'},
      {.name = "许夫人", .generation = '2', .birthDate = "17130101", .sex = 'f', .married = 'y', .husband = "贾敬"},
      {.name = "贾赦", .generation = '2', .father = "贾代善", .birthDate = "17100101", .motherIndex = '1', .married = 'y'},
      {.name = "邢夫人", .generation = '2', .birthDate = "17130101", .sex = 'f', .married = 'y', .husband = "贾赦"},
      {.name = "贾政", .generation = '2', .father = "贾代善", .birthDate = "17150101", .olderSibling = "贾赦", .motherIndex = '1', .married = 'y'},
      {.name = "王夫人", .generation = '2', .birthDate = "17160101", .sex = 'f', .married = 'y', .husband = "贾政"},
      {.name = "赵姨娘", .generation = '2', .birthDate = "17300101", .sex = 'f', .married = 'y', .husband = "贾政"},
      {.name = "贾敞", .generation = '2', .father = "贾代善", .birthDate = "17150101", .olderSibling = "贾政", .motherIndex = '2'},
      {.name = "贾敏", .generation = '2', .father = "贾代善", .birthDate = "17200101", .sex = 'f', .olderSibling = "贾敞", .motherIndex = '1'},
      {.name = "贾菖", .generation = '2', .father = "贾代善", .birthDate = "17250101", .olderSibling = "贾敏"},
      {.name = "贾菱", .generation = '2', .father = "贾代善", .birthDate = "17260101", .olderSibling = "贾菖"},
      {.name = "贾珍", .generation = '3', .father = "贾敬", .birthDate = "17400101", .motherIndex = '1', .married = 'y'},
      {.name = "尤氏", .generation = '3', .birthDate = "17410101", .sex = 'f', .married = 'y', .husband = "贾珍"},
      {.name = "贾惜春", .generation = '3', .father = "贾敬", .birthDate = "17550101", .sex = 'f', .olderSibling = "贾珍", .motherIndex = '1'},
      {.name = "贾琏", .generation = '3', .father = "贾赦", .birthDate = "17400101", .motherIndex = '1'},
      {.name = "贾迎春", .generation = '3', .father = "贾赦", .birthDate = "17400101", .sex = 'f', .olderSibling = "贾琏", .motherIndex = '1'},
      {.name = "贾宝玉", .generation = '3', .father = "贾政", .birthDate = "17500101", .motherIndex = '1'},
      {.name = "贾探春", .generation = '3', .father = "贾政", .birthDate = "17520101", .sex = 'f', .olderSibling = "贾宝玉", .motherIndex = '2'},
      {.name = "贾蓉", .generation = '4', .father = "贾珍", .birthDate = "17600101", .motherIndex = '1', .married = 'y'},
      {.name = "秦可卿", .generation = '4', .birthDate = "17610101", .sex = 'f', .married = 'y', .husband = "贾蓉"},
      {.name = "贾巧姐", .generation = '5', .father = "贾蓉", .birthDate = "17800101", .sex = 'f', .motherIndex = '1'},
  });
  // clang-format on
}

class KinshipTest : public ::testing::Test {
 protected:
  // Whether the text appended for (first, second) to `before` is `expected`.
  ::testing::AssertionResult says(const Person* p, const Person* q, std::string_view expected,
                                  std::string before = "") {
    if (p == nullptr || q == nullptr) return ::testing::AssertionFailure() << "no such person";
    std::string text = before;
    FamilyTree::describeKinship(*p, *q, text);
    if (text == expected) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "got:\n[" << readable(text) << "]\nexpected:\n[" << readable(expected) << "]";
  }
  ::testing::AssertionResult says(std::string_view p, std::string_view q, std::string_view expected,
                                  std::string before = "") {
    return says(clan(p), clan(q), expected, before);
  }
  // A person outside the clan's links.
  static Person loose(std::string_view name, char sex, char generation, std::string_view birth) {
    Person p;
    makeNameKey(name, p.name);
    p.sex = sex;
    p.generation = generation;
    p.birthDate = makeDate(birth);
    return p;
  }

  ClanTree clan{fiveGenerations()};
};

struct Sentence {
  const char* first;
  const char* second;
  const char* text;  // appended after "前文" when `afterText`
  bool afterText = false;
};

// Every branch of the sentence, each pair with the exact text it gives.
const Sentence kSentences[] = {
    {"贾政", "贾政", "这是同一个人"},
    {"贾政", "贾政", "前文这是同一个人", true},
    // Direct line: four or more generations give the number and no converse; a married woman
    // stands at her husband's place.
    {"贾源", "贾蓉", "\r\n 贾蓉  是贾源  的第4 代孙"},
    {"秦可卿", "贾源", "\r\n 秦可卿是贾源  的第4 代孙媳"},
    {"贾源", "贾巧姐", "\r\n 贾巧姐是贾源  的第5 代孙女"},
    {"史老君", "贾蓉", "\r\n 贾蓉  是史老君的第4 代孙"},
    {"贾源", "贾珍", "\r\n 贾珍  是贾源  的第3代曾孙"},
    {"贾蓉", "贾代化", "\r\n 贾蓉  是贾代化的第3代曾孙"},
    {"贾代善", "贾宝玉", "\r\n 贾宝玉是贾代善的孙"},
    {"贾代善", "贾探春", "\r\n 贾探春是贾代善的孙女"},
    {"贾代化", "尤氏", "\r\n 尤氏  是贾代化的孙媳"},
    // Parent and child by sex and mother index; no mother recorded: every wife is 姨娘.
    {"贾代善", "贾政", "\r\n 贾政  是贾代善的儿子\r\n 贾代善是贾政  的爸爸"},
    {"贾敏", "贾代善", "\r\n 贾敏  是贾代善的女儿\r\n 贾代善是贾敏  的爸爸"},
    {"史太君", "贾政", "\r\n 贾政  是史太君的儿子\r\n 史太君是贾政  的妈妈"},
    {"周姨娘", "贾政", "\r\n 贾政  是周姨娘的儿子\r\n 周姨娘是贾政  的姨娘"},
    {"周姨娘", "贾敞", "\r\n 贾敞  是周姨娘的儿子\r\n 周姨娘是贾敞  的妈妈"},
    {"史太君", "贾敞", "\r\n 贾敞  是史太君的儿子\r\n 史太君是贾敞  的姨娘"},
    {"史太君", "贾菖", "\r\n 贾菖  是史太君的儿子\r\n 史太君是贾菖  的姨娘"},
    {"贾代善", "王夫人", "\r\n 王夫人是贾代善的儿媳归\r\n 贾代善是王夫人的公公"},
    {"王夫人", "史太君", "\r\n 王夫人是史太君的儿媳归\r\n 史太君是王夫人的婆婆"},
    {"周姨娘", "王夫人", "\r\n 王夫人是周姨娘的儿媳归\r\n 周姨娘是王夫人的姨娘"},
    // Collateral lines over four, three and two generations.
    {"贾代善", "贾巧姐", "\r\n 贾巧姐是贾代善的第 4 代堂孙女"},
    {"贾代善", "贾蓉", "\r\n 贾蓉  是贾代善的第3代曾堂孙"},
    {"秦可卿", "贾代善", "\r\n 秦可卿是贾代善的第3代曾堂孙媳"},
    {"贾代善", "贾珍", "\r\n 贾珍  是贾代善的堂孙"},
    {"史太君", "贾惜春", "\r\n 贾惜春是史太君的堂孙女"},
    {"贾姑娘", "贾宝玉", "\r\n 贾宝玉是贾姑娘的堂孙"},
    // Uncles and aunts by the nephew's father's birth (贾敬 was born after 贾赦 and before 贾政
    // and 贾敏; 贾大姐 before 贾政); an uncle's wife by her husband's; after earlier text the
    // sentence follows without a line break.
    {"贾政", "贾珍", "  贾珍  是贾政  的侄子\r\n  贾政  是贾珍  的叔叔"},
    {"贾政", "贾珍", "前文  贾珍  是贾政  的侄子\r\n  贾政  是贾珍  的叔叔", true},
    {"贾珍", "贾赦", "  贾珍  是贾赦  的侄子\r\n  贾赦  是贾珍  的伯父"},
    {"贾敏", "贾珍", "  贾珍  是贾敏  的侄子\r\n  贾敏  是贾珍  的姑姑"},
    {"贾大姐", "贾宝玉", "  贾宝玉是贾大姐的侄子\r\n  贾大姐是贾宝玉的姑妈"},
    {"王夫人", "贾珍", "  贾珍  是王夫人的侄子\r\n  王夫人是贾珍  的婶婶"},
    {"邢夫人", "贾珍", "  贾珍  是邢夫人的侄子\r\n  邢夫人是贾珍  的伯母"},
    {"贾政", "贾惜春", "  贾惜春是贾政  的侄女\r\n  贾政  是贾惜春的叔叔"},
    {"尤氏", "贾政", "  尤氏  是贾政  的侄媳\r\n  贾政  是尤氏  的叔叔"},
    {"贾政", "贾宝玉", "前文\r\n 贾宝玉是贾政  的儿子\r\n 贾政  是贾宝玉的爸爸", true},
    // Spouses, wives of one husband, wives of brothers and of cousins.
    {"贾政", "王夫人", "\r\n 贾政  与王夫人 是夫妻."},
    {"赵姨娘", "贾政", "\r\n 赵姨娘与贾政   是夫妻."},
    {"王夫人", "赵姨娘", "\r\n 王夫人与赵姨娘同嫁一夫"},
    {"王夫人", "邢夫人", "\r\n 王夫人与邢夫人是妯娌"},
    {"许夫人", "王夫人", "\r\n 许夫人与王夫人是妯娌"},
    // A wife and a blood member of her generation, by her husband's birth (one born on the
    // member's birth date counts as the younger), either given first.
    {"邢夫人", "贾政", "\r\n 邢夫人是贾政  的嫂子\r\n 贾政  是邢夫人的小叔"},
    {"王夫人", "贾大姐", "\r\n 王夫人是贾大姐的弟媳\r\n 贾大姐是王夫人的大姑"},
    {"贾赦", "王夫人", "\r\n 王夫人是贾赦  的弟媳\r\n 贾赦  是王夫人的大伯"},
    {"贾敏", "邢夫人", "\r\n 邢夫人是贾敏  的嫂子\r\n 贾敏  是邢夫人的小姑"},
    {"贾敞", "王夫人", "\r\n 王夫人是贾敞  的弟媳\r\n 贾敞  是王夫人的大伯"},
    // Siblings: the second person named first; a married brother sets the pair off by an empty
    // line; half siblings born the same day are both younger.
    {"贾代化", "贾姑娘", "\r\n  贾姑娘是贾代化的姐姐\r\n  贾代化是贾姑娘的弟弟"},
    {"贾迎春", "贾琏", "\r\n  贾琏  是贾迎春的胞兄\r\n  贾迎春是贾琏  的胞姐"},
    {"贾菱", "贾菖", "\r\n  贾菖  是贾菱  的哥哥\r\n  贾菱  是贾菖  的弟弟"},
    {"贾敏", "贾政", "\r\n\r\n  贾政  是贾敏  的哥哥\r\n  贾敏  是贾政  的妹妹"},
    {"贾探春", "贾宝玉",
     "\r\n  贾宝玉是贾探春的同父异母的哥哥\r\n  贾探春是贾宝玉的同父异母的妹妹"},
    {"贾宝玉", "贾探春",
     "\r\n  贾探春是贾宝玉的同父异母的妹妹\r\n  贾宝玉是贾探春的同父异母的哥哥"},
    {"贾敞", "贾政",
     "\r\n\r\n  贾政  是贾敞  的同父异母的弟弟\r\n  贾敞  是贾政  的同父异母的弟弟"},
    // Cousins by sex and birth order.
    {"贾宝玉", "贾珍", "\r\n\r\n  贾珍  是贾宝玉的堂兄\r\n  贾宝玉是贾珍  的堂弟"},
    {"贾珍", "贾迎春", "\r\n\r\n  贾迎春是贾珍  的堂姐\r\n  贾珍  是贾迎春的堂兄"},
    {"贾探春", "贾惜春", "\r\n  贾惜春是贾探春的堂妹\r\n  贾探春是贾惜春的堂姐"},
};

TEST_F(KinshipTest, EveryBranchGivesItsExactSentence) {
  ASSERT_TRUE(clan.loaded);
  for (const Sentence& s : kSentences) {
    EXPECT_TRUE(says(s.first, s.second, s.text, s.afterText ? "前文" : ""))
        << readable(s.first) << " / " << readable(s.second);
  }
}

TEST_F(KinshipTest, UnknownSexIsMaleAcrossGenerationsAndFemaleWithinOne) {
  ASSERT_NE(clan("贾菱"), nullptr);
  clan("贾菱")->sex = 'x';
  EXPECT_TRUE(says("贾代善", "贾菱", "\r\n 贾菱  是贾代善的儿子\r\n 贾代善是贾菱  的爸爸"));
  EXPECT_TRUE(says("贾菱", "贾菖", "\r\n  贾菖  是贾菱  的哥哥\r\n  贾菱  是贾菖  的妹妹"));
}

// Links that contradict the tree's invariants: the call appends nothing.
TEST_F(KinshipTest, LinksAgainstTheInvariantsAppendNothing) {
  Person* baoyu = clan("贾宝玉");
  ASSERT_NE(baoyu, nullptr);
  baoyu->generation = '7';  // out of line with the father links
  EXPECT_TRUE(says("贾代善", "贾宝玉", "前", "前"));
  baoyu->generation = '\x80';  // far below '0': the walk ends at a missing father
  EXPECT_TRUE(says("贾宝玉", "贾蓉", ""));
  baoyu->generation = '\x7f';
  EXPECT_TRUE(says("贾巧姐", "贾宝玉", ""));

  Person widow = loose("孤女氏", 'f', '2', "17200101");  // a wife without husband
  EXPECT_TRUE(says(&widow, clan("贾政"), ""));
  EXPECT_TRUE(says(clan("贾代善"), &widow, ""));
  EXPECT_TRUE(says(&widow, clan("贾珍"), ""));

  Person first = loose("贾一郎", 'm', '1', "16900101"),
         second = loose("贾二郎", 'm', '1', "16910101");
  EXPECT_TRUE(says(&first, &second, ""));  // a fatherless blood pair
  Person mother = loose("贾女儿", 'f', '2', "17200101");
  Person son = loose("贾外孙", 'm', '3', "17400101");
  son.father = &mother;
  son.motherIndex = '1';
  mother.firstChild = &son;
  EXPECT_TRUE(says(&mother, &son, ""));  // a mother without husband
}

// The path of every ordered pair of the clan against one found another way: each place's whole
// line of fathers up to the root, joined where they first share a member.
TEST_F(KinshipTest, PathOfEveryPairJoinsTheLinesOfFathersWhereTheyFirstMeet) {
  std::vector<Person*> everyone, generation;
  for (char digit = '0'; digit <= '9'; ++digit) {
    clan.tree.listByGeneration(digit, generation);
    everyone.insert(everyone.end(), generation.begin(), generation.end());
  }
  ASSERT_EQ(everyone.size(), 29u);
  const auto line = [](const Person* person) {
    if (person->sex == 'f' && person->spouse != nullptr) person = person->spouse;
    std::vector<const Person*> fathers;
    for (; person != nullptr; person = person->father) fathers.push_back(person);
    return fathers;
  };
  std::vector<const Person*> path;
  for (const Person* p : everyone) {
    for (const Person* q : everyone) {
      const std::vector<const Person*> up = line(p), down = line(q);
      auto meet = std::find_first_of(up.begin(), up.end(), down.begin(), down.end());
      ASSERT_NE(meet, up.end());
      std::vector<const Person*> expected(up.begin(), meet + 1);
      expected.insert(expected.end(),
                      std::make_reverse_iterator(std::find(down.begin(), down.end(), *meet)),
                      down.rend());
      ASSERT_TRUE(kinshipPath(*p, *q, path));
      ASSERT_EQ(path, expected) << keyText(p->name) << " " << keyText(q->name);
    }
  }
}

// Fathers linked in a circle, or lines that never meet: no path, and the walks end.
TEST_F(KinshipTest, PathOfLinesThatNeverMeetIsNone) {
  Person a, b, c;
  a.father = &b;
  b.father = &a;
  c.sex = 'm';
  std::vector<const Person*> path{&c};
  EXPECT_FALSE(kinshipPath(a, c, path));
  EXPECT_TRUE(path.empty());
  EXPECT_TRUE(kinshipPath(b, a, path));
  EXPECT_EQ(path, (std::vector<const Person*>{&b, &a}));
}

}  // namespace
}  // namespace quillet
