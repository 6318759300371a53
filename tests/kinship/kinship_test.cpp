// The kinship sentences of every branch, compared whole and byte for byte.
#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "core/family_tree.h"
#include "tests/support/test_tree.h"

namespace quillet {
namespace {

using testing::readable;
using testing::TestTree;

// The text appended for (p, q) to `before`, checked against `expected`.
::testing::AssertionResult wordsAs(const Person& p, const Person& q, std::string_view expected,
                                   std::string before = "") {
  std::string text = before;
  FamilyTree::describeKinship(p, q, text);
  if (text == expected) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << "got:\n[" << readable(text) << "]\nexpected:\n[" << readable(expected) << "]";
}

// Five generations of one clan: two lines under the root, wives, a second wife and her child,
// children without a recorded mother, daughters of the clan, twins by date and a
// great-great-great-granddaughter.
class KinshipTest : public ::testing::Test {
 protected:
  TestTree tree;
  // Generation 0.
  Person& root = tree.person("贾源", 'm', '0', "16600101");
  Person& rootWife = tree.wife(root, "史老君", "16650101");
  // Generation 1.
  Person& elderAunt = tree.child(root, "贾姑娘", 'f', "16800101", '1');
  Person& daihua = tree.child(root, "贾代化", 'm', "16850101", '1');
  Person& daishan = tree.child(root, "贾代善", 'm', "16900101", '1');
  Person& firstGrandmother = tree.wife(daishan, "史太君", "16920101");
  Person& secondGrandmother = tree.wife(daishan, "周姨娘", "16950101");
  // Generation 2: children of 贾代化.
  Person& eldestDaughter = tree.child(daihua, "贾大姐", 'f', "17000101", '1');
  Person& jing = tree.child(daihua, "贾敬", 'm', "17120101", '1');
  Person& jingWife = tree.wife(jing, "许夫人", "17130101");
  // Generation 2: children of 贾代善.
  Person& she = tree.child(daishan, "贾赦", 'm', "17100101", '1');
  Person& sheWife = tree.wife(she, "邢夫人", "17130101");  // born after 贾敬, 贾赦 before
  Person& zheng = tree.child(daishan, "贾政", 'm', "17150101", '1');
  Person& zhengWife = tree.wife(zheng, "王夫人", "17160101");
  Person& zhengSecondWife = tree.wife(zheng, "赵姨娘", "17300101");
  Person& chang = tree.child(daishan, "贾敞", 'm', "17150101", '2');  // born with 贾政
  Person& min = tree.child(daishan, "贾敏", 'f', "17200101", '1');
  Person& chang0 = tree.child(daishan, "贾菖", 'm', "17250101", '0');
  Person& ling0 = tree.child(daishan, "贾菱", 'm', "17260101", '0');
  // Generation 3.
  Person& zhen = tree.child(jing, "贾珍", 'm', "17400101", '1');
  Person& zhenWife = tree.wife(zhen, "尤氏", "17410101");
  Person& xichun = tree.child(jing, "贾惜春", 'f', "17550101", '1');
  Person& lian = tree.child(she, "贾琏", 'm', "17400101", '1');
  Person& yingchun = tree.child(she, "贾迎春", 'f', "17400101", '1');  // born with 贾琏
  Person& baoyu = tree.child(zheng, "贾宝玉", 'm', "17500101", '1');
  Person& tanchun = tree.child(zheng, "贾探春", 'f', "17520101", '2');
  // Generations 4 and 5.
  Person& rong = tree.child(zhen, "贾蓉", 'm', "17600101", '1');
  Person& rongWife = tree.wife(rong, "秦可卿", "17610101");
  Person& qiaojie = tree.child(rong, "贾巧姐", 'f', "17800101", '1');
};

TEST_F(KinshipTest, SamePersonStandsAloneWithoutLineBreak) {
  EXPECT_TRUE(wordsAs(zheng, zheng, "这是同一个人"));
  EXPECT_TRUE(wordsAs(zheng, zheng, "前这是同一个人", "前"));
}

TEST_F(KinshipTest, DirectLineFourOrMoreGenerationsGivesTheNumberAndNoConverse) {
  EXPECT_TRUE(wordsAs(root, rong, "\r\n 贾蓉  是贾源  的第4 代孙"));
  EXPECT_TRUE(wordsAs(rongWife, root, "\r\n 秦可卿是贾源  的第4 代孙媳"));
  EXPECT_TRUE(wordsAs(root, qiaojie, "\r\n 贾巧姐是贾源  的第5 代孙女"));
  // A married woman stands at her husband's place.
  EXPECT_TRUE(wordsAs(rootWife, rong, "\r\n 贾蓉  是史老君的第4 代孙"));
}

TEST_F(KinshipTest, DirectLineThreeAndTwoGenerations) {
  EXPECT_TRUE(wordsAs(root, zhen, "\r\n 贾珍  是贾源  的第3代曾孙"));
  EXPECT_TRUE(wordsAs(rong, daihua, "\r\n 贾蓉  是贾代化的第3代曾孙"));
  EXPECT_TRUE(wordsAs(daishan, baoyu, "\r\n 贾宝玉是贾代善的孙"));
  EXPECT_TRUE(wordsAs(daishan, tanchun, "\r\n 贾探春是贾代善的孙女"));
  EXPECT_TRUE(wordsAs(daihua, zhenWife, "\r\n 尤氏  是贾代化的孙媳"));
}

TEST_F(KinshipTest, ParentAndChildTermsFollowSexAndMotherIndex) {
  EXPECT_TRUE(wordsAs(daishan, zheng, "\r\n 贾政  是贾代善的儿子\r\n 贾代善是贾政  的爸爸"));
  EXPECT_TRUE(wordsAs(min, daishan, "\r\n 贾敏  是贾代善的女儿\r\n 贾代善是贾敏  的爸爸"));
  EXPECT_TRUE(
      wordsAs(firstGrandmother, zheng, "\r\n 贾政  是史太君的儿子\r\n 史太君是贾政  的妈妈"));
  EXPECT_TRUE(
      wordsAs(secondGrandmother, zheng, "\r\n 贾政  是周姨娘的儿子\r\n 周姨娘是贾政  的姨娘"));
  EXPECT_TRUE(
      wordsAs(secondGrandmother, chang, "\r\n 贾敞  是周姨娘的儿子\r\n 周姨娘是贾敞  的妈妈"));
  EXPECT_TRUE(
      wordsAs(firstGrandmother, chang, "\r\n 贾敞  是史太君的儿子\r\n 史太君是贾敞  的姨娘"));
  // No mother recorded: every wife of the father is 姨娘, the first included.
  EXPECT_TRUE(
      wordsAs(firstGrandmother, chang0, "\r\n 贾菖  是史太君的儿子\r\n 史太君是贾菖  的姨娘"));
}

TEST_F(KinshipTest, ParentsInLawOfAWife) {
  EXPECT_TRUE(wordsAs(daishan, zhengWife, "\r\n 王夫人是贾代善的儿媳归\r\n 贾代善是王夫人的公公"));
  EXPECT_TRUE(
      wordsAs(zhengWife, firstGrandmother, "\r\n 王夫人是史太君的儿媳归\r\n 史太君是王夫人的婆婆"));
  EXPECT_TRUE(wordsAs(secondGrandmother, zhengWife,
                      "\r\n 王夫人是周姨娘的儿媳归\r\n 周姨娘是王夫人的姨娘"));
}

TEST_F(KinshipTest, CollateralFourThreeAndTwoGenerations) {
  EXPECT_TRUE(wordsAs(daishan, qiaojie, "\r\n 贾巧姐是贾代善的第 4 代堂孙女"));
  EXPECT_TRUE(wordsAs(daishan, rong, "\r\n 贾蓉  是贾代善的第3代曾堂孙"));
  EXPECT_TRUE(wordsAs(rongWife, daishan, "\r\n 秦可卿是贾代善的第3代曾堂孙媳"));
  EXPECT_TRUE(wordsAs(daishan, zhen, "\r\n 贾珍  是贾代善的堂孙"));
  EXPECT_TRUE(wordsAs(firstGrandmother, xichun, "\r\n 贾惜春是史太君的堂孙女"));
  EXPECT_TRUE(wordsAs(elderAunt, baoyu, "\r\n 贾宝玉是贾姑娘的堂孙"));
}

TEST_F(KinshipTest, UncleAndAuntTermsCompareBirthWithTheNephewsFather) {
  // 贾敬, 贾珍's father, was born after 贾赦 and before 贾政 and 贾敏; 贾大姐 before 贾政.
  EXPECT_TRUE(wordsAs(zheng, zhen, "  贾珍  是贾政  的侄子\r\n  贾政  是贾珍  的叔叔"));
  EXPECT_TRUE(wordsAs(zhen, she, "  贾珍  是贾赦  的侄子\r\n  贾赦  是贾珍  的伯父"));
  EXPECT_TRUE(wordsAs(min, zhen, "  贾珍  是贾敏  的侄子\r\n  贾敏  是贾珍  的姑姑"));
  EXPECT_TRUE(wordsAs(eldestDaughter, baoyu, "  贾宝玉是贾大姐的侄子\r\n  贾大姐是贾宝玉的姑妈"));
  // An uncle's wife goes by her husband's birth date.
  EXPECT_TRUE(wordsAs(zhengWife, zhen, "  贾珍  是王夫人的侄子\r\n  王夫人是贾珍  的婶婶"));
  EXPECT_TRUE(wordsAs(sheWife, zhen, "  贾珍  是邢夫人的侄子\r\n  邢夫人是贾珍  的伯母"));
  EXPECT_TRUE(wordsAs(zheng, xichun, "  贾惜春是贾政  的侄女\r\n  贾政  是贾惜春的叔叔"));
  EXPECT_TRUE(wordsAs(zhenWife, zheng, "  尤氏  是贾政  的侄媳\r\n  贾政  是尤氏  的叔叔"));
}

TEST_F(KinshipTest, NephewSentenceFollowsEarlierTextWithoutLineBreak) {
  EXPECT_TRUE(wordsAs(zheng, zhen, "前文  贾珍  是贾政  的侄子\r\n  贾政  是贾珍  的叔叔", "前文"));
  EXPECT_TRUE(
      wordsAs(zheng, baoyu, "前文\r\n 贾宝玉是贾政  的儿子\r\n 贾政  是贾宝玉的爸爸", "前文"));
}

TEST_F(KinshipTest, HusbandAndEitherWifeAreSpouses) {
  EXPECT_TRUE(wordsAs(zheng, zhengWife, "\r\n 贾政  与王夫人 是夫妻."));
  EXPECT_TRUE(wordsAs(zhengSecondWife, zheng, "\r\n 赵姨娘与贾政   是夫妻."));
}

TEST_F(KinshipTest, TwoWivesShareAHusbandOrAreSistersInLaw) {
  EXPECT_TRUE(wordsAs(zhengWife, zhengSecondWife, "\r\n 王夫人与赵姨娘同嫁一夫"));
  EXPECT_TRUE(wordsAs(zhengWife, sheWife, "\r\n 王夫人与邢夫人是妯娌"));
  // Wives of cousins are 妯娌 too.
  EXPECT_TRUE(wordsAs(jingWife, zhengWife, "\r\n 许夫人与王夫人是妯娌"));
}

TEST_F(KinshipTest, WifeAndBloodMemberOfHerGenerationByHusbandsBirth) {
  // Blood member as senior (the wife given first).
  EXPECT_TRUE(wordsAs(sheWife, zheng, "\r\n 邢夫人是贾政  的嫂子\r\n 贾政  是邢夫人的小叔"));
  EXPECT_TRUE(
      wordsAs(zhengWife, eldestDaughter, "\r\n 王夫人是贾大姐的弟媳\r\n 贾大姐是王夫人的大姑"));
  // Wife as senior (the blood member given first).
  EXPECT_TRUE(wordsAs(she, zhengWife, "\r\n 王夫人是贾赦  的弟媳\r\n 贾赦  是王夫人的大伯"));
  EXPECT_TRUE(wordsAs(min, sheWife, "\r\n 邢夫人是贾敏  的嫂子\r\n 贾敏  是邢夫人的小姑"));
  // A husband born on the member's birth date counts as the younger.
  EXPECT_TRUE(wordsAs(chang, zhengWife, "\r\n 王夫人是贾敞  的弟媳\r\n 贾敞  是王夫人的大伯"));
}

TEST_F(KinshipTest, FullSiblingsIncludingUnrecordedMothersAndSameBirthDate) {
  // On one generation the second person is named first.
  EXPECT_TRUE(wordsAs(daihua, elderAunt, "\r\n  贾姑娘是贾代化的姐姐\r\n  贾代化是贾姑娘的弟弟"));
  EXPECT_TRUE(wordsAs(yingchun, lian, "\r\n  贾琏  是贾迎春的胞兄\r\n  贾迎春是贾琏  的胞姐"));
  EXPECT_TRUE(wordsAs(ling0, chang0, "\r\n  贾菖  是贾菱  的哥哥\r\n  贾菱  是贾菖  的弟弟"));
  // A married brother sets the pair off by an empty line.
  EXPECT_TRUE(wordsAs(min, zheng, "\r\n\r\n  贾政  是贾敏  的哥哥\r\n  贾敏  是贾政  的妹妹"));
}

TEST_F(KinshipTest, HalfSiblingsBornTheSameDayAreBothYounger) {
  EXPECT_TRUE(wordsAs(tanchun, baoyu,
                      "\r\n  贾宝玉是贾探春的同父异母的哥哥\r\n  贾探春是贾宝玉的同父异母的妹妹"));
  EXPECT_TRUE(wordsAs(baoyu, tanchun,
                      "\r\n  贾探春是贾宝玉的同父异母的妹妹\r\n  贾宝玉是贾探春的同父异母的哥哥"));
  EXPECT_TRUE(
      wordsAs(chang, zheng,
              "\r\n\r\n  贾政  是贾敞  的同父异母的弟弟\r\n  贾敞  是贾政  的同父异母的弟弟"));
}

TEST_F(KinshipTest, UnknownSexIsMaleAcrossGenerationsAndFemaleWithinOne) {
  ling0.sex = 'x';
  EXPECT_TRUE(wordsAs(daishan, ling0, "\r\n 贾菱  是贾代善的儿子\r\n 贾代善是贾菱  的爸爸"));
  EXPECT_TRUE(wordsAs(ling0, chang0, "\r\n  贾菖  是贾菱  的哥哥\r\n  贾菱  是贾菖  的妹妹"));
}

TEST_F(KinshipTest, CousinsBySexAndBirthOrder) {
  EXPECT_TRUE(wordsAs(baoyu, zhen, "\r\n\r\n  贾珍  是贾宝玉的堂兄\r\n  贾宝玉是贾珍  的堂弟"));
  EXPECT_TRUE(wordsAs(zhen, yingchun, "\r\n\r\n  贾迎春是贾珍  的堂姐\r\n  贾珍  是贾迎春的堂兄"));
  EXPECT_TRUE(wordsAs(tanchun, xichun, "\r\n  贾惜春是贾探春的堂妹\r\n  贾探春是贾惜春的堂姐"));
}

// Links that contradict the tree's invariants: the call appends nothing.
TEST_F(KinshipTest, GenerationDigitOutOfLineWithFatherLinksAppendsNothing) {
  baoyu.generation = '7';
  EXPECT_TRUE(wordsAs(daishan, baoyu, "前", "前"));
}

TEST_F(KinshipTest, GenerationOutsideDigitsEndsAtMissingFather) {
  baoyu.generation = '\x80';  // far below '0': d is then in the hundreds
  EXPECT_TRUE(wordsAs(baoyu, rong, ""));
  baoyu.generation = '\x7f';
  EXPECT_TRUE(wordsAs(qiaojie, baoyu, ""));
}

TEST_F(KinshipTest, WifeWithoutHusbandAppendsNothing) {
  Person& widow = tree.person("孤女氏", 'f', '2', "17200101");
  EXPECT_TRUE(wordsAs(widow, zheng, ""));    // one generation, in-law lines
  EXPECT_TRUE(wordsAs(daishan, widow, ""));  // across generations, the walk has no father
  EXPECT_TRUE(wordsAs(widow, zhen, ""));     // collateral aunt by marriage without husband
}

TEST_F(KinshipTest, FatherlessBloodPairAndHusbandlessMotherAppendNothing) {
  Person& first = tree.person("贾一郎", 'm', '1', "16900101");
  Person& second = tree.person("贾二郎", 'm', '1', "16910101");
  EXPECT_TRUE(wordsAs(first, second, ""));

  Person& mother = tree.person("贾女儿", 'f', '2', "17200101");
  Person& son = tree.child(mother, "贾外孙", 'm', "17400101", '1');
  EXPECT_TRUE(wordsAs(mother, son, ""));
}

TEST_F(KinshipTest, CircularSiblingChainEndsTheSearch) {
  Person& father = tree.person("贾父亲", 'm', '1', "16900101");
  Person& elder = tree.child(father, "贾长子", 'm', "17100101", '1');
  Person& younger = tree.child(father, "贾次子", 'm', "17120101", '1');
  younger.youngerSibling = &elder;  // the chain loops
  Person& outside = tree.person("贾外子", 'm', '2', "17150101");
  outside.father = &father;  // names the father but is not in his chain
  EXPECT_TRUE(wordsAs(outside, elder, "\r\n  贾长子是贾外子的堂兄\r\n  贾外子是贾长子的堂弟"));
  EXPECT_TRUE(wordsAs(elder, younger, "\r\n  贾次子是贾长子的弟弟\r\n  贾长子是贾次子的哥哥"));
}

}  // namespace
}  // namespace quillet
