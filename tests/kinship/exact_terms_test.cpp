// The exact kinship terms (docs/kinship-terms.md): pairs of the shipped clan and of a generated
// one with the term each side must get, the cases the terms cannot word, and every pair of a
// generated clan of a thousand persons worded in a term of the right generation and sex.
#include "kinship/exact_terms.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "core/family_tree.h"
#include "tests/support/clan_tree.h"
#include "tools/genealogy_generator/genealogy_generator.h"

namespace quillet {
namespace {

using testing::ClanTree;
using testing::readable;

// A称B为`aToB`；B称A为`bToA`.
struct Pair {
  const char* a;
  const char* b;
  const char* aToB;
  const char* bToA;
};

void expectTerms(ClanTree& clan, std::initializer_list<Pair> pairs) {
  ASSERT_TRUE(clan.loaded);
  for (const Pair& pair : pairs) {
    const Person* a = clan(pair.a);
    const Person* b = clan(pair.b);
    ASSERT_TRUE(a != nullptr && b != nullptr) << readable(pair.a) << readable(pair.b);
    EXPECT_EQ(readable(exactTerm(*a, *b)), readable(pair.aToB))
        << readable(pair.a) << "称" << readable(pair.b);
    EXPECT_EQ(readable(exactTerm(*b, *a)), readable(pair.bToA))
        << readable(pair.b) << "称" << readable(pair.a);
  }
}

ClanTree& shippedClan() {
  static ClanTree clan(testing::readFile(testing::sourcePath("data/home.txt")));
  return clan;
}

TEST(ExactTerms, ShippedClanByBloodWithRanksHalfSiblingsAndSides) {
  expectTerms(shippedClan(),
              {
                  {"贾宝玉", "贾政", "父亲", "次子"},
                  {"贾宝玉", "贾代善", "祖父", "孙子"},
                  {"巧姐", "贾代善", "曾祖父", "曾孙女"},
                  {"贾宝玉", "贾始祖", "高祖父", "玄孙"},
                  {"巧姐", "贾始祖", "五世祖", "来孙女"},
                  {"贾宝玉", "贾珠", "大哥", "二弟"},
                  {"贾宝玉", "贾元春", "大姐", "二弟"},
                  {"贾宝玉", "贾环", "同父异母的三弟", "同父异母的二哥"},
                  {"贾元春", "贾探春", "同父异母的二妹", "同父异母的大姐"},
                  {"贾赦", "贾政", "二弟", "大哥"},
                  {"贾敏", "贾政", "二哥", "妹妹"},    // the only daughter has no 排行
                  {"贾惜春", "贾珍", "哥哥", "妹妹"},  // mothers not recorded: not told apart
                  {"贾琏", "贾政", "二叔", "侄子"},
                  {"贾宝玉", "贾赦", "大伯", "侄子"},
                  {"贾宝玉", "贾敏", "姑母", "侄子"},
                  {"贾宝玉", "贾琏", "堂兄", "堂弟"},
                  {"贾兰", "贾琏", "堂叔", "堂侄"},  // the original calls him 叔叔
                  {"贾瑞", "贾敬", "堂伯", "堂侄"},
                  {"贾赦", "贾敬", "再从弟", "再从兄"},
                  {"贾蓉", "贾菌", "族弟", "族兄"},  // the original calls them 堂兄 and 堂弟
                  {"贾蓉", "贾宝玉", "族叔", "族侄"},
                  {"贾兰", "贾代化", "堂伯曾祖", "堂曾侄孙"},
              });
}

// A wife's terms for her husband's kin follow his, but for his parents and his brothers and
// sisters: what a woman who married in says differs from what a daughter of the clan says.
TEST(ExactTerms, ShippedClanByMarriageAndTheSpeakersSex) {
  expectTerms(
      shippedClan(),
      {
          {"贾政", "王夫人", "妻子", "丈夫"},
          {"贾政", "赵姨娘", "侧室", "丈夫"},
          {"王夫人", "赵姨娘", "妹妹", "姐姐"},
          {"贾宝玉", "王夫人", "母亲", "次子"},
          {"贾宝玉", "赵姨娘", "庶母", "次子"},
          {"贾探春", "王夫人", "嫡母", "次女"},
          {"巧姐", "史太君", "曾祖母", "曾孙女"},
          {"贾宝玉", "邢夫人", "大伯母", "侄子"},
          {"贾琏", "王夫人", "二婶", "侄子"},
          {"贾宝玉", "王熙凤", "堂嫂", "堂弟"},
          {"贾琏", "尤氏", "族嫂", "族弟"},
          {"王熙凤", "贾赦", "公公", "长媳"},
          {"薛宝钗", "王夫人", "婆婆", "次媳"},
          {"王熙凤", "史太君", "祖母", "孙媳"},
          {"王熙凤", "贾迎春", "小姑子", "大嫂"},
          {"贾琏", "贾迎春", "妹妹", "大哥"},  // her husband calls the same woman otherwise
          {"王熙凤", "贾琮", "小叔子", "大嫂"},
          {"薛宝钗", "贾珠", "大伯子", "二弟妇"},
          {"薛宝钗", "李纨", "大嫂", "二弟妇"},  // 妯娌, by their husbands' order
          {"王熙凤", "薛宝钗", "堂弟妇", "堂嫂"},
          // Whose son 贾琏 and 贾蓉 are is not recorded: which wife is their mother is not known.
          {"贾琏", "邢夫人", "未能确定", "长子"},
          {"贾蓉", "尤氏", "未能确定", "儿子"},
      });
}

// A clan the generator makes (120 persons, seed 5), ten generations deep: a second wife's sons,
// a 嫡母 and a 庶母, 妯娌, and kin of every side up to eight generations apart.
TEST(ExactTerms, GeneratedClan) {
  ClanTree clan(tools::generateGenealogy(120, 5).fileBytes);
  expectTerms(clan, {
                        {"贾啊挨", "贾啊哎", "二弟", "大哥"},
                        {"贾啊埃", "贾啊挨", "大弟", "姐姐"},
                        {"贾啊哀", "贾啊蔼", "堂弟", "堂兄"},
                        {"贾啊碍", "贾啊安", "再从弟", "再从兄"},
                        {"贾啊按", "贾啊昂", "族弟", "族兄"},
                        {"贾啊胺", "贾啊隘", "父亲", "儿子"},
                        {"贾啊胺", "李啊暗", "嫡母", "儿子"},
                        {"贾啊胺", "薛啊岸", "母亲", "儿子"},
                        {"贾啊案", "贾啊胺", "同父异母的哥哥", "同父异母的妹妹"},
                        {"贾啊熬", "贾啊碍", "祖父", "孙子"},
                        {"贾啊熬", "贾啊隘", "叔祖父", "侄孙"},
                        {"贾啊熬", "贾啊哎", "叔高祖父", "玄侄孙"},
                        {"贾啊按", "贾啊蔼", "堂叔祖", "堂侄孙"},
                        {"贾啊疤", "贾啊巴", "同父异母的二弟", "同父异母的大哥"},
                        {"贾啊疤", "林啊笆", "嫡母", "长子"},
                        {"贾啊巴", "邢啊八", "庶母", "次子"},
                        {"林啊笆", "邢啊八", "妹妹", "姐姐"},
                        {"秦啊拜", "贾啊巴", "小叔子", "大嫂"},
                        {"秦啊拜", "贾啊熬", "公公", "长媳"},
                        {"秦啊拜", "邢啊八", "婆婆", "长媳"},
                        {"秦啊拜", "林啊笆", "嫡母", "长媳"},
                        {"秦啊拜", "秦啊搬", "二弟妇", "大嫂"},
                        {"贾啊哀", "王啊癌", "二婶", "侄子"},
                        {"贾啊碍", "林啊鞍", "堂婶", "堂侄"},
                        {"贾啊镑", "贾啊啊", "八世祖", "云孙"},
                        {"贾啊傍", "贾啊啊", "八世祖", "云孙女"},
                        {"贾啊镑", "贾啊哎", "未能确定", "未能确定"},  // seven generations apart
                    });
}

// What the terms leave open: ages the dates do not tell apart (siblings then go by the order
// recorded), a date known in part (no 排行), a sex not recorded, one person twice, and lines
// longer than nine generations.
TEST(ExactTerms, WhatTheDatesSexesAndLinksLeaveOpen) {
  ClanTree clan(testing::records({
      {.name = "贾源", .generation = '0'},
      {.name = "贾甲", .father = "贾源", .birthDate = "17300101"},
      {.name = "贾乙", .father = "贾源", .birthDate = "17300101", .olderSibling = "贾甲"},
      {.name = "贾丙", .father = "贾源", .birthDate = "17320000", .olderSibling = "贾乙"},
      {.name = "贾丁",
       .father = "贾源",
       .birthDate = "17350101",
       .sex = '?',
       .olderSibling = "贾丙"},
      {.name = "贾子", .generation = '2', .father = "贾甲", .birthDate = "17600505"},
      {.name = "贾丑", .generation = '2', .father = "贾乙", .birthDate = "17600505"},
  }));
  expectTerms(
      clan, {
                {"贾甲", "贾乙", "弟弟", "哥哥"},  // one date, recorded first; 贾丙's date in part
                {"贾甲", "贾丙", "弟弟", "哥哥"},
                {"贾子", "贾丑", "未能确定", "未能确定"},  // cousins born on one day
                {"贾甲", "贾丁", "未能确定", "哥哥"},
                {"贾子", "贾乙", "叔父", "侄子"},
            });
  const Person* jia = clan("贾甲");
  ASSERT_TRUE(jia);
  EXPECT_EQ(readable(exactTerm(*jia, *jia)), readable(kUndeterminedTerm));

  ClanTree line(testing::chainFile(11));
  const Person* root = line(testing::serialName(0));
  const Person* ninth = line(testing::serialName(9));
  const Person* tenth = line(testing::serialName(10));
  ASSERT_TRUE(root && ninth && tenth);
  EXPECT_EQ(readable(exactTerm(*ninth, *root)), readable("九世祖"));
  EXPECT_EQ(readable(exactTerm(*root, *ninth)), readable("九世孙"));
  EXPECT_EQ(readable(exactTerm(*tenth, *root)), readable(kUndeterminedTerm));
  EXPECT_EQ(readable(exactTerm(*root, *tenth)), readable(kUndeterminedTerm));
}

// --- Every pair of a generated clan ---------------------------------------------------------

// The generation a term puts the one spoken of at, against the speaker (negative: above), read
// from its words: 祖 and the like above, 孙 and 侄 below, 儿, 子, 女 and 媳 one below, 父, 母,
// 伯, 叔, 姑, 婶 and the parents-in-law one above, the rest of one generation.
// The words of a term without the half-siblings' 同父异母的, which names no one.
std::string_view withoutHalf(std::string_view term) {
  const std::string_view half = "同父异母的";
  return term.starts_with(half) ? term.substr(half.size()) : term;
}

int generationOf(std::string_view term) {
  term = withoutHalf(term);
  const auto has = [term](std::string_view word) { return term.find(word) != term.npos; };
  const std::array<std::pair<std::string_view, int>, 27> words = {{
      {"大伯子", 0},  {"小叔子", 0},  {"大姑子", 0},  {"小姑子", 0},  {"妻子", 0},    {"嫂子", 0},
      {"九世祖", -9}, {"八世祖", -8}, {"七世祖", -7}, {"六世祖", -6}, {"五世祖", -5}, {"高祖", -4},
      {"曾祖", -3},   {"祖", -2},     {"玄侄孙", 4},  {"曾侄孙", 3},  {"侄孙", 2},    {"侄", 1},
      {"九世孙", 9},  {"云孙", 8},    {"仍孙", 7},    {"晜孙", 6},    {"来孙", 5},    {"玄孙", 4},
      {"曾孙", 3},    {"孙", 2},      {"媳", 1},
  }};
  for (const auto& [word, generation] : words) {
    if (has(word)) return generation;
  }
  if (has("儿") || term.ends_with("子") || term.ends_with("女")) return 1;
  for (const std::string_view word : {"父", "母", "伯", "叔", "姑", "婶", "公公", "婆婆"}) {
    if (has(word)) return -1;
  }
  return 0;
}

// Whether a term names a woman.
bool namesAWoman(std::string_view term) {
  term = withoutHalf(term);
  for (const std::string_view word :
       {"母", "姑", "女", "姐", "妹", "嫂", "妇", "媳", "婶", "妻", "室", "婆"}) {
    if (term.find(word) != term.npos) return true;
  }
  return false;
}

TEST(ExactTerms, EveryPairOfAThousandPersonsIsWordedInTheirGenerationAndSexOrUndetermined) {
  const tools::GeneratedGenealogy generated = tools::generateGenealogy(1000, 11);
  ClanTree clan(generated.fileBytes);
  ASSERT_TRUE(clan.loaded);
  // Every member, depth first from the root, each followed by his wives.
  std::vector<const Person*> persons;
  std::vector<const Person*> stack = {clan.tree.root()};
  while (!stack.empty()) {
    const Person* member = stack.back();
    stack.pop_back();
    persons.push_back(member);
    for (const Person* wife : {member->spouse, member->secondWife}) {
      if (wife != nullptr) persons.push_back(wife);
    }
    for (const Person* child = member->firstChild; child; child = child->youngerSibling) {
      stack.push_back(child);
    }
  }
  ASSERT_EQ(persons.size(), 1000u);
  std::size_t worded = 0;
  for (const Person* a : persons) {
    for (const Person* b : persons) {
      const std::string term = exactTerm(*a, *b);
      ASSERT_FALSE(term.empty());
      if (term == kUndeterminedTerm) continue;
      ++worded;
      const std::string said = std::string(a->name.data()) + "称" + b->name.data() + "为" + term;
      ASSERT_EQ(generationOf(term), b->generation - a->generation) << readable(said);
      ASSERT_EQ(namesAWoman(term), b->sex == 'f') << readable(said);
    }
  }
  // In a clan whose dates are whole and whose mothers are recorded, little is left open:
  // collateral kin more than four generations apart, cousins born on one day, one person twice.
  EXPECT_GT(worded, persons.size() * persons.size() * 9 / 10);
}

}  // namespace
}  // namespace quillet
