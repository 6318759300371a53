// A second load of home.txt reads what a first read would, whether it keeps the tree it has
// (the file and the tree unchanged since the last load) or reads the file again.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <ctime>
#include <string>

#include "core/family_tree.h"
#include "tests/support/genealogy_text.h"
#include "tests/support/temp_dir.h"

namespace quillet {
namespace {

using testing::key;
using testing::record;

std::string clanOf(std::string_view sonName) {
  return record({.name = "贾始祖", .generation = '0'}) +
         record({.name = "尤氏", .sex = 'f', .married = 'y', .husband = "贾始祖"}) +
         record({.name = sonName, .father = "贾始祖", .motherIndex = '1'});
}

// home.txt with `bytes`, last changed `hours` ago (long enough to tell later changes apart).
void writeOldFile(const std::string& bytes, int hours = 1) {
  testing::writeFile("home.txt", bytes);
  const std::time_t then = std::time(nullptr) - 3600 * hours;
  const struct timespec times[2] = {{then, 0}, {then, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, "home.txt", times, 0), 0);
}

bool has(FamilyTree& tree, std::string_view name) {
  Person* found = nullptr;
  return tree.findByName(found, key(name));
}

TEST(Reload, UnchangedFileAndTreeAreKeptAsRead) {
  testing::ScopedTempDir dir;
  writeOldFile(clanOf("贾演"));
  FamilyTree tree;
  ASSERT_TRUE(tree.load());
  const Person* root = tree.root();
  ASSERT_TRUE(tree.load());
  EXPECT_EQ(tree.root(), root);  // kept, not read again
  EXPECT_EQ(tree.personCount(), 3);
  EXPECT_TRUE(has(tree, "贾演"));
}

TEST(Reload, EditChangedOrMissingFileIsReadAgain) {
  testing::ScopedTempDir dir;
  writeOldFile(clanOf("贾演"));
  FamilyTree tree;
  ASSERT_TRUE(tree.load());
  // An edit since: the edit is gone after the load.
  ASSERT_TRUE(tree.addWife(key("李氏"), key("贾演"), makeDate("17200101")));
  ASSERT_TRUE(tree.load());
  EXPECT_FALSE(has(tree, "李氏"));
  EXPECT_EQ(tree.personCount(), 3);
  // Another text of the same size in the file, written long ago.
  writeOldFile(clanOf("贾源"), 2);
  ASSERT_TRUE(tree.load());
  EXPECT_TRUE(has(tree, "贾源"));
  EXPECT_FALSE(has(tree, "贾演"));
  // Gone now: no load can open it, and the tree is empty.
  ASSERT_EQ(::unlink("home.txt"), 0);
  EXPECT_FALSE(tree.load());
  EXPECT_EQ(tree.root(), nullptr);
}

}  // namespace
}  // namespace quillet
