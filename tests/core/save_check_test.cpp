// Save writes only files that read back into the tree in memory, and writes them byte for byte
// as the writer does.
#include <gtest/gtest.h>

#include <functional>
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

struct Refused {
  const char* what;
  std::function<void(FamilyTree&)> edit;
  const char* person;  // whose change is named
  UnsavableChange why;
};

TEST(SaveCheck, EditsThatWouldReadBackDifferentlyAreRefusedAndNamed) {
  const Refused cases[] = {
      {"wife made male", [](FamilyTree& t) { t.modifyField(find(t, "史太君"), 2, ""); }, "史太君",
       UnsavableChange::kWifeMadeMale},
      {"second generation-0 man", [](FamilyTree& t) { t.modifyField(find(t, "贾政"), 3, "0"); },
       "贾政", UnsavableChange::kSecondRoot},
      {"root's generation", [](FamilyTree& t) { t.modifyField(t.root(), 3, "1"); }, "贾源",
       UnsavableChange::kRootGenerationChanged},
      {"root made female", [](FamilyTree& t) { t.modifyField(t.root(), 2, ""); }, "贾源",
       UnsavableChange::kRootMadeFemale},
      {"father named 0...", [](FamilyTree& t) { t.modifyField(find(t, "贾代善"), 1, "0000  "); },
       "0000", UnsavableChange::kNameReadAsNobody},
  };
  for (const Refused& c : cases) {
    testing::ScopedTempDir dir;
    writeFile("home.txt", kClan);
    FamilyTree tree;
    ASSERT_TRUE(tree.load());
    c.edit(tree);
    Person* changed = find(tree, c.person);
    ASSERT_NE(changed, nullptr) << c.what;
    const char sex = changed->sex;
    const char generation = changed->generation;

    SaveReport report;
    EXPECT_FALSE(tree.save(report)) << c.what;
    EXPECT_EQ(readFile("home.txt"), kClan) << c.what;
    ASSERT_EQ(report.unsavable.size(), 1u) << c.what;
    EXPECT_EQ(report.unsavable[0].first, changed) << c.what;
    EXPECT_EQ(report.unsavable[0].second, c.why) << c.what;
    EXPECT_FALSE(report.changedOnDisk);
    // The edit itself stays in memory.
    EXPECT_EQ(changed->sex, sex);
    EXPECT_EQ(changed->generation, generation);
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

TEST(SaveCheck, ManIsWrittenWithTheAbsentHusbandFieldEvenInAnIrregularTree) {
  testing::ScopedTempDir dir;
  // The unreachable record makes the tree irregular; the man's husband field holds a name.
  const std::string root = record({.name = "贾源", .generation = '0'});
  const std::string stray = record({.name = "无父子", .father = "不存在"});
  std::string man = record({.name = "贾代善", .father = "贾源", .married = 'y'});
  man.replace(31, 6, record({.name = "贾源"}).substr(1, 6));
  writeFile("home.txt", root + stray + man);
  FamilyTree tree;
  ASSERT_TRUE(tree.load());
  ASSERT_TRUE(tree.save());
  EXPECT_EQ(readFile("home.txt"),
            root + stray + record({.name = "贾代善", .father = "贾源", .married = 'y'}));
}

TEST(SaveCheck, AliveByteOtherThanYesOrNoKeepsItsDeathDate) {
  testing::ScopedTempDir dir;
  std::string odd = record({.name = "贾代化", .father = "贾源", .alive = 'n'});
  odd[37] = 'x';
  const std::string text = record({.name = "贾源", .generation = '0'}) + odd;
  writeFile("home.txt", text);
  FamilyTree tree;
  ASSERT_TRUE(tree.load());
  ASSERT_TRUE(tree.save());
  EXPECT_EQ(readFile("home.txt"), text);
}

}  // namespace
}  // namespace quillet
