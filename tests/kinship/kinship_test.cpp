// The kinship sentence after earlier text and over links no file makes, and the kinship path.
#include "kinship/kinship.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "core/family_tree.h"
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
    describeKinship(*p, *q, text);
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

// After earlier text the sentence follows it: the same person's, an uncle's without a line
// break, a parent's after one. (Every branch's sentence: the batch transcript
// kinship_sentence_of_every_branch, over this clan.)
TEST_F(KinshipTest, SentenceFollowsEarlierText) {
  ASSERT_TRUE(clan.loaded);
  EXPECT_TRUE(says("贾政", "贾政", "前文这是同一个人", "前文"));
  EXPECT_TRUE(says("贾政", "贾珍", "前文  贾珍  是贾政  的侄子\r\n  贾政  是贾珍  的叔叔", "前文"));
  EXPECT_TRUE(
      says("贾政", "贾宝玉", "前文\r\n 贾宝玉是贾政  的儿子\r\n 贾政  是贾宝玉的爸爸", "前文"));
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
