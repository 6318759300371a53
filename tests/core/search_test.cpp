// A search that no transcript shows: a line deeper than any fixed stack. (The order of lookups
// and listings, an empty tree: the batch transcripts lookup_*, listings_* and tree_*.)
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/family_tree.h"
#include "tests/support/genealogy_text.h"
#include "tests/support/temp_dir.h"

namespace quillet {
namespace {

using testing::key;
using testing::ScopedTempDir;
using testing::writeFile;

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
