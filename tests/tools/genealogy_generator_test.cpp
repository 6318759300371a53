// The generator's clans are valid genealogies: the store reads every record back, links it
// where the file says, and saves the same bytes; they have the shape the benchmarks rely on.
#include "tools/genealogy_generator/genealogy_generator.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "core/family_tree.h"
#include "core/person.h"
#include "tests/support/genealogy_text.h"
#include "tests/support/temp_dir.h"

namespace quillet::tools {
namespace {

class GeneratedClanTest : public ::testing::TestWithParam<int> {
 protected:
  quillet::testing::ScopedTempDir dir_;
};

TEST_P(GeneratedClanTest, LoadsWholeAndSavesBackTheSameBytes) {
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

// Every record is reachable and found under its own unique key, and the clan has every kind of
// person a real one has: sons, daughters, first and second wives, the living and the dead.
TEST(GeneratedClanShapeTest, UniqueKeysAndEveryKindOfPerson) {
  quillet::testing::ScopedTempDir dir;
  const GeneratedGenealogy clan = generateGenealogy(3000, 7);
  quillet::testing::writeFile("home.txt", clan.fileBytes);
  FamilyTree tree;
  ASSERT_TRUE(tree.load());

  std::vector<Person*> everyone;
  ASSERT_TRUE(tree.listBySex('m', everyone));
  std::vector<Person*> women;
  ASSERT_TRUE(tree.listBySex('f', women));
  everyone.insert(everyone.end(), women.begin(), women.end());
  everyone.push_back(tree.root());
  ASSERT_EQ(static_cast<int>(everyone.size()), clan.personCount);

  std::set<std::string> keys;
  int secondWives = 0, daughters = 0, dead = 0, living = 0;
  std::set<char> generations;
  for (Person* person : everyone) {
    keys.insert(std::string(keyText(person->name)));
    Person* found = nullptr;
    ASSERT_TRUE(tree.findByName(found, person->name));
    EXPECT_EQ(found, person);
    if (person->secondWife != nullptr) ++secondWives;
    if (person->sex == 'f' && person->father != nullptr) ++daughters;
    (person->alive == 'y' ? living : dead)++;
    generations.insert(person->generation);
  }
  EXPECT_EQ(static_cast<int>(keys.size()), clan.personCount);
  for (const std::string& key : keys) EXPECT_EQ(key.size(), 6u);
  EXPECT_GT(secondWives, 0);
  EXPECT_GT(daughters, 0);
  EXPECT_GT(dead, 0);
  EXPECT_GT(living, 0);
  EXPECT_EQ(generations.size(), 10u);
}

// The named persons the benchmarks search for are where they claim to be.
TEST(GeneratedClanShapeTest, NamedPersonsAreWhereTheBenchmarksExpectThem) {
  quillet::testing::ScopedTempDir dir;
  const GeneratedGenealogy clan = generateGenealogy(2000);
  quillet::testing::writeFile("home.txt", clan.fileBytes);
  FamilyTree tree;
  ASSERT_TRUE(tree.load());

  Person* firstSon = nullptr;
  ASSERT_TRUE(tree.findByName(firstSon, quillet::testing::key(clan.firstSon)));
  EXPECT_EQ(firstSon->father, tree.root());
  Person* last = nullptr;
  ASSERT_TRUE(tree.findByName(last, quillet::testing::key(clan.lastMember)));
  EXPECT_EQ(last->generation, '9');

  Person* a = nullptr;
  Person* b = nullptr;
  ASSERT_TRUE(tree.findByName(a, quillet::testing::key(clan.distantCousinA)));
  ASSERT_TRUE(tree.findByName(b, quillet::testing::key(clan.distantCousinB)));
  // Two members of one deep generation whose lines meet only at the root.
  EXPECT_GE(a->generation, '8');
  EXPECT_EQ(a->generation, b->generation);
  const Person* upA = a;
  const Person* upB = b;
  while (upA->father != tree.root()) {
    upA = upA->father;
    upB = upB->father;
    ASSERT_NE(upA, nullptr);
    ASSERT_NE(upB, nullptr);
    EXPECT_NE(upA, upB);
  }
  EXPECT_EQ(upB->father, tree.root());
  EXPECT_NE(upA, upB);

  std::string text;
  FamilyTree::describeKinship(*a, *b, text);
  EXPECT_NE(text.find("的堂"), std::string::npos);
}

TEST(GeneratedClanShapeTest, SameSeedSameBytesOtherSeedOtherClan) {
  EXPECT_EQ(generateGenealogy(500, 3).fileBytes, generateGenealogy(500, 3).fileBytes);
  EXPECT_NE(generateGenealogy(500, 3).fileBytes, generateGenealogy(500, 4).fileBytes);
}

}  // namespace
}  // namespace quillet::tools
