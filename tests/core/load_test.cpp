// Loading what no transcript can show: a record cut short at every place, a missing file, and a
// read-only one that loads but is not saved. (Links, line ends, stray bytes and records linked
// oddly: the batch transcripts load_*.)
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "core/family_tree.h"
#include "tests/support/clan_tree.h"

namespace quillet {
namespace {

using testing::ClanTree;
using testing::key;
using testing::record;
using testing::ScopedTempDir;
using testing::writeFile;

TEST(Load, RecordCutShortByTheEndOfTheFileIsNotTaken) {
  const std::string text = record({.name = "贾始祖", .generation = '0'}) +
                           record({.name = "贾演", .father = "贾始祖", .alive = 'n'});
  for (std::size_t cut : {text.size() - 3, text.size() - 20, text.size() - 47, std::size_t{38}}) {
    ClanTree clan(text.substr(0, cut));  // 38: a living record needs nothing after its alive byte
    EXPECT_TRUE(clan.loaded);
    EXPECT_EQ(clan.tree.personCount(), 1) << "cut at " << cut;
    ASSERT_NE(clan.tree.root(), nullptr);
    EXPECT_EQ(clan.tree.root()->firstChild, nullptr);
  }
}

TEST(Load, MissingFileLeavesAnEmptyTreeAndAReadOnlyOneLoadsButIsNotSaved) {
  ScopedTempDir dir;
  FamilyTree tree;
  EXPECT_FALSE(tree.load());
  EXPECT_EQ(tree.root(), nullptr);
  EXPECT_EQ(tree.personCount(), 0);
  EXPECT_FALSE(tree.save());
  EXPECT_FALSE(testing::fileExists("home.txt"));

  writeFile("home.txt", testing::smallClan());
  ASSERT_TRUE(tree.load());
  ASSERT_TRUE(tree.load());
  EXPECT_EQ(tree.personCount(), 10);
  EXPECT_EQ(tree.femaleCount(), 5);
  // Read-only for every user: it loads, and a save says why it cannot write it.
  ASSERT_EQ(::chmod("home.txt", 0444), 0);
  ASSERT_TRUE(tree.load());
  EXPECT_EQ(tree.personCount(), 10);
  ASSERT_TRUE(tree.addWife(key("赵氏"), tree.root()->name, makeDate("17200101")));
  SaveReport report;
  EXPECT_FALSE(tree.save(report));
  EXPECT_EQ(report.fileFailure, platform::ReplaceFailure::kReadOnlyFile);
  EXPECT_EQ(testing::readFile("home.txt"), testing::smallClan());
}

}  // namespace
}  // namespace quillet
