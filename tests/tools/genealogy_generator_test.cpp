// The generator's clans are valid genealogies: the store reads every record back, links it
// where the file says, and saves the same bytes; they have the shape the benchmarks rely on.
#include "tools/genealogy_generator/genealogy_generator.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "core/family_tree.h"
#include "tests/support/clan_tree.h"

namespace quillet::tools {
namespace {

using quillet::testing::ClanTree;

class GeneratedClanTest : public ::testing::TestWithParam<int> {};

TEST_P(GeneratedClanTest, LoadsWholeAndSavesBackTheSameBytes) {
  quillet::testing::ScopedTempDir dir;
  const GeneratedGenealogy clan = generateGenealogy(GetParam());
  ASSERT_EQ(clan.personCount, GetParam());
  quillet::testing::writeFile("home.txt", clan.fileBytes);
  FamilyTree tree;
  ASSERT_TRUE(tree.load());
  EXPECT_EQ(tree.personCount(), clan.personCount);
  EXPECT_EQ(tree.femaleCount(), clan.femaleCount);
  EXPECT_EQ(tree.generationCount(), 9);
  EXPECT_TRUE(tree.unplacedRecords().empty());
  ASSERT_TRUE(tree.save());
  EXPECT_TRUE(quillet::testing::sameBytes(quillet::testing::readFile("home.txt"), clan.fileBytes));
}

INSTANTIATE_TEST_SUITE_P(Sizes, GeneratedClanTest, ::testing::Values(1000, 10000, 100000));

// Every person is found under his own unique key; the clan has every kind of person (second
// wives, daughters, the living and the dead, ten generations); the named persons the benchmarks
// search for are where they claim; a seed gives one clan.
TEST(GeneratedClanShapeTest, UniqueKeysEveryKindOfPersonAndTheBenchmarksNamedPersons) {
  const GeneratedGenealogy clan = generateGenealogy(3000, 7);
  ClanTree generated(clan.fileBytes);
  FamilyTree &tree = generated.tree;
  std::vector<Person *> everyone, women;
  ASSERT_TRUE(tree.listBySex('m', everyone) && tree.listBySex('f', women));
  everyone.insert(everyone.end(), women.begin(), women.end());
  everyone.push_back(tree.root());
  ASSERT_EQ(static_cast<int>(everyone.size()), clan.personCount);
  std::set<char> generations;
  std::set<std::string> kinds;
  for (Person *person : everyone) {
    EXPECT_EQ(generated(keyText(person->name)), person);
    if (person->secondWife != nullptr) kinds.insert("second wife");
    if (person->sex == 'f' && person->father != nullptr) kinds.insert("daughter");
    kinds.insert(person->alive == 'y' ? "living" : "dead");
    generations.insert(person->generation);
  }
  EXPECT_EQ(kinds.size(), 4u);
  EXPECT_EQ(generations.size(), 10u);

  Person *firstSon = generated(clan.firstSon), *last = generated(clan.lastMember);
  Person *a = generated(clan.distantCousinA), *b = generated(clan.distantCousinB);
  ASSERT_TRUE(firstSon && last && a && b);
  EXPECT_EQ(firstSon->father, tree.root());
  EXPECT_EQ(last->generation, '9');
  // Two members of one deep generation whose lines meet only at the root.
  EXPECT_GE(a->generation, '8');
  EXPECT_EQ(a->generation, b->generation);
  const Person *upA = a, *upB = b;
  for (; upA->father != tree.root(); upA = upA->father, upB = upB->father) {
    ASSERT_TRUE(upA->father && upB->father);
    EXPECT_NE(upA, upB);
  }
  EXPECT_EQ(upB->father, tree.root());
  EXPECT_NE(upA, upB);

  EXPECT_EQ(generateGenealogy(500, 3).fileBytes, generateGenealogy(500, 3).fileBytes);
  EXPECT_NE(generateGenealogy(500, 3).fileBytes, generateGenealogy(500, 4).fileBytes);
}

}  // namespace
}  // namespace quillet::tools
