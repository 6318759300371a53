// Save: a killed save leaves the old or the new file, and only files that read back into the tree
// in memory are written. (The order and bytes written, records no walk reaches kept as read, a
// load that stopped early and read-only files: the batch transcripts.)
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "core/family_tree.h"
#include "tests/support/find_person.h"
#include "tests/support/genealogy_text.h"
#include "tests/support/temp_dir.h"

namespace quillet {
namespace {

using testing::key;
using testing::readFile;
using testing::record;
using testing::ScopedTempDir;
using testing::writeFile;

// clang-format off
const std::string kRoot = record({.name = "贾始祖", .generation = '0', .married = 'y'});
const std::string kRootWife = record({.name = "始祖妻", .generation = '0', .sex = 'f', .married = 'y', .husband = "贾始祖", .alive = 'n', .deathDate = "17300101"});
// clang-format on

TEST(Save, ProcessKilledWhileSavingLeavesTheOldOrTheNewFile) {
  ScopedTempDir dir;
  // Two versions of a clan large enough that saving takes a while, one birth date apart; a
  // child process saves them in turn until it is killed.
  std::string first = kRoot, older;
  for (int i = 0; i < 1500; ++i) {
    char name[7];
    std::snprintf(name, sizeof name, "S%05d", i);
    first +=
        record({.name = name, .father = "贾始祖", .birthDate = "17100101", .olderSibling = older});
    older = name;
  }
  for (int round = 0; round < 6; ++round) {
    writeFile("home.txt", first);
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      ::alarm(20);  // never outlive a parent that failed to kill
      FamilyTree tree;
      if (!tree.load()) ::_exit(3);
      if (tree.root() == nullptr) ::_exit(3);
      Person* son = tree.root()->firstChild;
      for (;;) {
        tree.modifyField(son, 4, "17200101");
        tree.save();
        tree.modifyField(son, 4, "17100101");
        tree.save();
      }
    }
    ::usleep(static_cast<useconds_t>((30 + 17 * round) * 1000));
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    std::string now = readFile("home.txt");
    std::string second = first;
    second.replace(kRoot.size() + 14, 8, "17200101");
    EXPECT_TRUE(now == first || now == second)
        << "round " << round << ": " << now.size() << " bytes";
  }
}

// --- Files that would not read back into the tree in memory are not written.

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
    ScopedTempDir dir;
    writeFile("home.txt", kClan);
    FamilyTree tree;
    ASSERT_TRUE(tree.load());
    Person* changed =
        c.selector == 1 ? testing::findPerson(tree, "贾代善") : testing::findPerson(tree, c.person);
    ASSERT_TRUE(tree.modifyField(changed, c.selector, c.value)) << c.person;
    SaveReport report;
    EXPECT_FALSE(tree.save(report)) << c.person;
    EXPECT_EQ(readFile("home.txt"), kClan) << c.person;
    ASSERT_EQ(report.unsavable.size(), 1u) << c.person;
    EXPECT_EQ(report.unsavable[0].first, changed) << c.person;
    EXPECT_EQ(report.unsavable[0].second, c.why) << c.person;
    EXPECT_EQ(testing::findPerson(tree, c.person), changed);  // the edit stays in memory
  }
}

TEST(SaveCheck, AnyOtherDifferenceOnReadingIsRefusedToo) {
  // Two members named X, the second a son of the first (a name the tree itself does not refuse):
  // the first's next son K names his father X, whom the next load finds as the son, since the
  // walk meets a man's descendants first.
  ScopedTempDir dir;
  const std::string text = kRoot + kRootWife;
  writeFile("home.txt", text);
  FamilyTree tree;
  ASSERT_TRUE(tree.load());
  ASSERT_TRUE(tree.addChild(key("XXXXXX"), key("始祖妻"), 'm', makeDate("17200101")));
  ASSERT_TRUE(tree.addWife(key("X的妻"), key("XXXXXX"), makeDate("17200101")));
  ASSERT_TRUE(tree.addChild(key("XXXXXX"), key("X的妻"), 'm', makeDate("17400101")));
  ASSERT_TRUE(tree.addChild(key("KKKKKK"), key("X的妻"), 'm', makeDate("17410101")));
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
  ScopedTempDir dir;
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
