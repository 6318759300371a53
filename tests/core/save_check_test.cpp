// Save writes only files that read back into the tree in memory, and writes them byte for byte
// as the writer does.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/family_tree.h"
#include "tests/support/genealogy_text.h"
#include "tests/support/temp_dir.h"

namespace quillet {
namespace {

using testing::key;
using testing::readFile;
using testing::record;
using testing::writeFile;

Person* find(FamilyTree& tree, std::string_view name) {
  Person* person = nullptr;
  tree.findByName(person, key(name));
  return person;
}

// 贾源 (root, wife 源妻) ── 贾代善 (wife 史太君) ── 贾政
const std::string kClan =
    record({.name = "贾源", .generation = '0', .married = 'y'}) +
    record({.name = "源妻", .generation = '0', .sex = 'f', .married = 'y', .husband = "贾源"}) +
    record({.name = "贾代善", .father = "贾源", .motherIndex = '1', .married = 'y'}) +
    record({.name = "史太君", .sex = 'f', .married = 'y', .husband = "贾代善"}) +
    record({.name = "贾政", .generation = '2', .father = "贾代善", .motherIndex = '1'});

TEST(SaveCheck, EditsThatWouldReadBackDifferentlyAreRefusedAndNamed) {
  struct Refused {
    const char* person;  // whom the edit changes, by the name he has afterwards
    int selector;
    const char* value;
    UnsavableChange why;
  };
  const Refused cases[] = {
      {"史太君", 2, "", UnsavableChange::kWifeMadeMale},
      {"贾政", 3, "0", UnsavableChange::kSecondRoot},
      {"贾源", 3, "1", UnsavableChange::kRootGenerationChanged},
      {"贾源", 2, "", UnsavableChange::kRootMadeFemale},
      {"0000", 1, "0000  ", UnsavableChange::kNameReadAsNobody},  // 贾代善, who has a son
  };
  for (const Refused& c : cases) {
    testing::ScopedTempDir dir;
    writeFile("home.txt", kClan);
    FamilyTree tree;
    ASSERT_TRUE(tree.load());
    Person* changed = c.selector == 1 ? find(tree, "贾代善") : find(tree, c.person);
    ASSERT_TRUE(tree.modifyField(changed, c.selector, c.value)) << c.person;
    SaveReport report;
    EXPECT_FALSE(tree.save(report)) << c.person;
    EXPECT_EQ(readFile("home.txt"), kClan) << c.person;
    ASSERT_EQ(report.unsavable.size(), 1u) << c.person;
    EXPECT_EQ(report.unsavable[0].first, changed) << c.person;
    EXPECT_EQ(report.unsavable[0].second, c.why) << c.person;
    EXPECT_EQ(find(tree, c.person), changed);  // the edit stays in memory
  }
}

TEST(SaveCheck, AnyOtherDifferenceOnReadingIsRefusedToo) {
  // Children below the 38 levels the walk reaches: the second one's older-sibling field names
  // the first, whom the next load cannot find.
  testing::ScopedTempDir dir;
  std::string text = record({.name = "L00000", .generation = '0'});
  for (int level = 1; level < 38; ++level) {
    char name[7], father[7];
    std::snprintf(name, sizeof name, "L%05d", level);
    std::snprintf(father, sizeof father, "L%05d", level - 1);
    text += record({.name = name, .father = father, .married = level == 37 ? 'y' : 'n'});
  }
  text += record({.name = "W00037", .sex = 'f', .married = 'y', .husband = "L00037"});
  writeFile("home.txt", text);
  FamilyTree tree;
  ASSERT_TRUE(tree.load());
  ASSERT_TRUE(tree.addChild(key("C00001"), key("W00037"), 'm', makeDate("17000101")));
  ASSERT_TRUE(tree.addChild(key("C00002"), key("W00037"), 'm', makeDate("17000101")));
  SaveReport report;
  EXPECT_FALSE(tree.save(report));
  EXPECT_EQ(readFile("home.txt"), text);
  ASSERT_FALSE(report.unsavable.empty());
  for (const auto& [person, why] : report.unsavable) {
    EXPECT_EQ(why, UnsavableChange::kReadsBackDifferently);
  }
}

// The writer writes what the reader reads: the absent-name field as every man's husband (an
// unreachable record makes this tree irregular), and a death date after an alive byte 'x'.
TEST(SaveCheck, WriterWritesWhatTheReaderReads) {
  testing::ScopedTempDir dir;
  const std::string head =
      record({.name = "贾源", .generation = '0'}) + record({.name = "无父子", .father = "不存在"});
  const std::string man = record({.name = "贾代善", .father = "贾源", .married = 'y'});
  std::string odd = record({.name = "贾代化", .father = "贾源", .alive = 'n'});
  odd[37] = 'x';
  writeFile("home.txt", head + man.substr(0, 31) + "贾源  " + man.substr(37) + odd);
  FamilyTree tree;
  ASSERT_TRUE(tree.load());
  ASSERT_TRUE(tree.save());
  EXPECT_EQ(readFile("home.txt"), head + man + odd);
}

}  // namespace
}  // namespace quillet
