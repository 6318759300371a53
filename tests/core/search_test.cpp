#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/family_tree.h"
#include "tests/support/genealogy_text.h"
#include "tests/support/temp_dir.h"

namespace quillet {
namespace {

using testing::key;
using testing::record;
using testing::ScopedTempDir;
using testing::writeFile;

// root R (wife RW) - sons A (wives AW1, AW2), B (dead), daughter C
// A - son D (generation 2, dead), daughter E; B - son F
class SearchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // clang-format off
    writeFile("home.txt", testing::records({
        {.name = "RRRRRR", .generation = '0', .married = 'y'},
        {.name = "RW    ", .generation = '0', .sex = 'f', .married = 'y', .husband = "RRRRRR"},
        {.name = "AAAAAA", .father = "RRRRRR", .birthDate = "17100101", .motherIndex = '1', .married = 'y'},
        {.name = "AW1   ", .sex = 'f', .married = 'y', .husband = "AAAAAA"},
        {.name = "AW2   ", .sex = 'f', .married = 'y', .husband = "AAAAAA", .alive = 'n'},
        {.name = "BBBBBB", .father = "RRRRRR", .birthDate = "17120101", .olderSibling = "AAAAAA", .alive = 'n'},
        {.name = "CCCCCC", .father = "RRRRRR", .sex = 'f', .olderSibling = "BBBBBB"},
        {.name = "DDDDDD", .generation = '2', .father = "AAAAAA", .alive = 'n'},
        {.name = "EEEEEE", .generation = '2', .father = "AAAAAA", .sex = 'f', .olderSibling = "DDDDDD"},
        {.name = "FFFFFF", .generation = '2', .father = "BBBBBB"},
    }));
    // clang-format on
    ASSERT_TRUE(tree.load());
  }

  ScopedTempDir dir;
  FamilyTree tree;
};

TEST(Search, SharedNameIsMetInPostOrderWithWivesRightAfterTheirHusband) {
  ScopedTempDir dir;
  // SAME is the name of A's first wife, of A's grandchild E and of B's son F.
  writeFile("home.txt",
            record({.name = "RRRRRR", .generation = '0'}) +
                record({.name = "AAAAAA", .father = "RRRRRR", .married = 'y'}) +
                record({.name = "SAME  ", .sex = 'f', .married = 'y', .husband = "AAAAAA"}) +
                record({.name = "BBBBBB", .father = "RRRRRR", .olderSibling = "AAAAAA"}) +
                record({.name = "DDDDDD", .generation = '2', .father = "AAAAAA"}) +
                record({.name = "SAME  ", .generation = '2', .father = "BBBBBB"}) +
                record({.name = "SAME  ", .generation = '3', .father = "DDDDDD", .sex = 'f'}));
  FamilyTree tree;
  ASSERT_TRUE(tree.load());
  Person* found = nullptr;
  ASSERT_TRUE(tree.findByName(found, key("SAME  ")));
  EXPECT_EQ(found->generation, '3');  // A's descendants come before A and his wives
  ASSERT_TRUE(tree.modifyField(found, 1, std::string_view(key("EEEEEE").data(), 6)));
  ASSERT_TRUE(tree.findByName(found, key("SAME  ")));
  EXPECT_EQ(found->spouse, tree.root()->firstChild);  // then A's wife, before B's line
  ASSERT_TRUE(tree.findByName(found, key("EEEEEE")));
  EXPECT_EQ(found->generation, '3');

  // A member and his own son of one name: the son, met before the walk comes back to his father.
  writeFile("home.txt",
            testing::records({{.name = "RRRRRR", .generation = '0'},
                              {.name = "SAME  ", .father = "RRRRRR"},
                              {.name = "SAME  ", .generation = '2', .father = "SAME  "}}));
  ASSERT_TRUE(tree.load());
  ASSERT_TRUE(tree.findByName(found, key("SAME  ")));
  EXPECT_EQ(found->generation, '2');
  ASSERT_TRUE(tree.findByNameByWalk(found, key("SAME  ")));  // the walk alone agrees
  EXPECT_EQ(found->generation, '2');
}

// Breadth-first lists: wives right after their husband; by sex, wives stand in their husband's
// place when he does not match (so 'x' lists every wife) and the root is left out; by life the
// root is left out but not its wives; a flag of another case or a generation that is no digit
// lists nobody.
TEST_F(SearchTest, ListsInBreadthFirstOrderWithWivesAfterTheirHusband) {
  const auto gen = &FamilyTree::listByGeneration, sex = &FamilyTree::listBySex,
             alive = &FamilyTree::listByAlive;
  const struct {
    decltype(gen) list;
    char key;
    bool found;
    const char* expected;
  } cases[] = {
      {gen, '0', true, "RRRRRR RW"},
      {gen, '1', true, "AAAAAA AW1 AW2 BBBBBB CCCCCC"},
      {gen, '2', true, "DDDDDD EEEEEE FFFFFF"},
      {gen, ':', false, ""},
      {gen, 'a', false, ""},
      {sex, 'm', true, "AAAAAA BBBBBB DDDDDD FFFFFF"},
      {sex, 'f', true, "RW AW1 AW2 CCCCCC EEEEEE"},
      {sex, 'x', true, "RW AW1 AW2"},
      {alive, 'y', true, "RW AAAAAA AW1 CCCCCC EEEEEE FFFFFF"},
      {alive, 'n', true, "AW2 BBBBBB DDDDDD"},
      {alive, 'Y', true, ""},
  };
  for (const auto& c : cases) {
    std::vector<Person*> list{tree.root()};
    EXPECT_EQ((tree.*c.list)(c.key, list), c.found) << c.key;
    std::string names;
    for (const Person* person : list) {
      std::string name(keyText(person->name));
      names += (names.empty() ? "" : " ") + name.erase(name.find_last_not_of(' ') + 1);
    }
    EXPECT_EQ(names, c.expected) << c.key;
  }
}

TEST(Search, EmptyTreeFindsAndListsNothing) {
  FamilyTree tree;
  Person* found = nullptr;
  std::vector<Person*> list;
  EXPECT_FALSE(tree.findByName(found, key("AAAAAA")));
  EXPECT_FALSE(tree.listBySex('m', list));
  EXPECT_FALSE(tree.listByAlive('y', list));
  EXPECT_FALSE(tree.listByGeneration('1', list));
  EXPECT_EQ(found, nullptr);
}

// A line deeper than any fixed stack: every walk reaches the deepest man (the search, the
// listings, save), and the load links each man to his father however deep he stands.
TEST(Search, EveryLevelOfADeepLineIsLinkedAndFound) {
  ScopedTempDir dir;
  const std::string text = testing::chainFile(2000);
  writeFile("home.txt", text);
  FamilyTree tree;
  ASSERT_TRUE(tree.load());
  Person* found = nullptr;
  ASSERT_TRUE(tree.findByName(found, key(testing::serialName(1999))));
  int above = 0;
  for (const Person* up = found; up->father != nullptr; up = up->father) ++above;
  EXPECT_EQ(above, 1999);
  Person* walked = nullptr;
  ASSERT_TRUE(tree.findByNameByWalk(walked, key(testing::serialName(1999))));
  EXPECT_EQ(walked, found);
  EXPECT_TRUE(tree.unplacedRecords().empty());
  std::vector<Person*> list;
  ASSERT_TRUE(tree.listByAlive('y', list));
  EXPECT_EQ(list.size(), 1999u);  // all but the root
  ASSERT_TRUE(tree.save());
  EXPECT_EQ(testing::readFile("home.txt"), text);
}

}  // namespace
}  // namespace quillet
