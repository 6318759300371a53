// Save: the order and bytes the writer writes, records no walk reaches kept as read, a failed
// save keeping the old file, and only files that read back into the tree in memory written.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <optional>
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
using testing::ScopedTempDir;
using testing::writeFile;

// Records in breadth-first order: each man followed by his wives.
// clang-format off
const std::string kRoot = record({.name = "贾始祖", .generation = '0', .married = 'y'});
const std::string kRootWife = record({.name = "始祖妻", .generation = '0', .sex = 'f', .married = 'y', .husband = "贾始祖", .alive = 'n', .deathDate = "17300101"});
const std::string kElder = record({.name = "贾演", .father = "贾始祖", .birthDate = "17100101", .motherIndex = '1'});
const std::string kYounger = record({.name = "贾源", .father = "贾始祖", .birthDate = "17120101", .olderSibling = "贾演", .motherIndex = '1'});
// clang-format on

// A living record is 49 bytes, a dead one 48.
TEST(Save, WritesBreadthFirstWithWivesAfterTheirHusband) {
  EXPECT_EQ(kRoot.size(), 49u);
  EXPECT_EQ(kRootWife.size(), 48u);
  ScopedTempDir dir;
  // Read order differs from breadth-first order: the wife of 贾演 comes after his brother.
  std::string wife = record({.name = "演妻", .sex = 'f', .married = 'y', .husband = "贾演"});
  std::string grandson =
      record({.name = "贾代化", .generation = '2', .father = "贾演", .motherIndex = '1'});
  writeFile("home.txt", kRoot + kRootWife + kElder + kYounger + wife + grandson);
  FamilyTree tree;
  ASSERT_TRUE(tree.load());
  ASSERT_TRUE(tree.save());
  EXPECT_EQ(readFile("home.txt"), kRoot + kRootWife + kElder + wife + kYounger + grandson);
}

TEST(Save, AddedChildAndWivesLoadBackIntoTheSamePlaces) {
  ScopedTempDir dir;
  std::string wife = record({.name = "演妻", .sex = 'f', .married = 'y', .husband = "贾演"});
  writeFile("home.txt", kRoot + kRootWife + kElder + wife + kYounger);
  FamilyTree tree;
  ASSERT_TRUE(tree.load());
  ASSERT_TRUE(tree.addWife(key("演妾"), key("贾演"), makeDate("17150101")));
  ASSERT_TRUE(tree.addChild(key("贾敷"), key("演妾"), 'm', makeDate("17400101")));
  ASSERT_TRUE(tree.addChild(key("贾敬"), key("演妻"), 'm', makeDate("17300101")));
  ASSERT_TRUE(tree.addWife(key("源妻"), key("贾源"), makeDate("17160101")));
  ASSERT_TRUE(tree.save());
  std::string saved = readFile("home.txt");
  // Marrying sets the husband's married byte.
  std::string elderMarried = kElder, youngerMarried = kYounger;
  elderMarried[30] = youngerMarried[30] = 'y';
  // clang-format off
  EXPECT_EQ(saved, kRoot + kRootWife + elderMarried + wife + testing::records({
      {.name = "演妾", .birthDate = "17150101", .sex = 'f', .married = 'y', .husband = "贾演"}}) +
      youngerMarried + testing::records({
      {.name = "源妻", .birthDate = "17160101", .sex = 'f', .married = 'y', .husband = "贾源"},
      {.name = "贾敷", .generation = '2', .father = "贾演", .birthDate = "17400101", .motherIndex = '2'},
      {.name = "贾敬", .generation = '2', .father = "贾演", .birthDate = "17300101", .olderSibling = "贾敷", .motherIndex = '1'}}));
  // clang-format on
  FamilyTree again;
  ASSERT_TRUE(again.load());
  Person* yan = nullptr;
  ASSERT_TRUE(again.findByName(yan, key("贾演")));
  ASSERT_TRUE(yan->secondWife && yan->firstChild && yan->firstChild->youngerSibling);
  EXPECT_EQ(keyText(yan->secondWife->name), "演妾  ");
  EXPECT_EQ(keyText(yan->firstChild->youngerSibling->name), "贾敬  ");
  EXPECT_EQ(again.personCount(), 9);
  ASSERT_TRUE(again.save());
  EXPECT_EQ(readFile("home.txt"), saved);
}

// Files that leave records where no walk reaches them (the number unplaced): each is written back
// as it was read, so the next load reads it the same way.
TEST(Save, UnreachableRecordsAreWrittenBackAndReadTheSameWay) {
  const struct {
    std::string text;
    std::size_t unplaced;
    const char* root = "贾始祖";
  } cases[] = {
      // father not found
      {kRoot + record({.name = "无父子", .father = "不存在"}) + kElder, 1},
      // older sibling not found
      {kRoot + kElder + record({.name = "孤兄弟", .father = "贾始祖", .olderSibling = "不存在"}),
       1},
      // husband not found, and a wife whose married byte is 'n'
      {kRoot + record({.name = "孤妻子", .sex = 'f', .married = 'y', .husband = "不存在"}) +
           record({.name = "未嫁女", .sex = 'f', .husband = "贾始祖"}),
       2},
      // chain link absent
      {kRoot + kElder + record({.name = "失链子", .father = "贾始祖"}), 1},
      // an earlier root replaced by a later generation-'0' man, with descendants of both
      {kRoot + kElder + record({.name = "新始祖", .generation = '0'}) +
           record({.name = "新长子", .father = "新始祖"}) + kYounger,
       3, "新始祖"},
      // a third wife read into the second wife's slot
      {kRoot + record({.name = "妻一号", .sex = 'f', .married = 'y', .husband = "贾始祖"}) +
           record({.name = "妻二号", .sex = 'f', .married = 'y', .husband = "贾始祖"}) +
           record({.name = "妻三号", .sex = 'f', .married = 'y', .husband = "贾始祖"}),
       1},
  };
  for (const auto& c : cases) {
    ScopedTempDir dir;
    writeFile("home.txt", c.text);
    FamilyTree tree;
    ASSERT_TRUE(tree.load());
    EXPECT_EQ(tree.unplacedRecords().size(), c.unplaced) << testing::readable(c.text);
    ASSERT_NE(tree.root(), nullptr);
    EXPECT_EQ(keyText(tree.root()->name), c.root);
    ASSERT_TRUE(tree.save());
    EXPECT_EQ(readFile("home.txt"), c.text);  // nothing lost, nothing moved

    FamilyTree again;
    ASSERT_TRUE(again.load());
    EXPECT_EQ(again.personCount(), tree.personCount());
    EXPECT_EQ(again.unplacedRecords().size(), c.unplaced);
    ASSERT_NE(again.root(), nullptr);
    EXPECT_EQ(keyText(again.root()->name), c.root);
  }
}

TEST(Save, WithoutRootFailsAndLeavesTheFile) {
  ScopedTempDir dir;
  writeFile("home.txt", record({.name = "无根人"}));
  FamilyTree tree;
  ASSERT_TRUE(tree.load());
  EXPECT_EQ(tree.root(), nullptr);
  EXPECT_FALSE(tree.save());
  EXPECT_EQ(readFile("home.txt"), record({.name = "无根人"}));
}

// A load that stopped before the end of the file (a byte FF between records, a record cut
// short) with records still unread makes every save a refusal that says where the reading
// stopped (an offset in the file's own bytes, CR LF counted) and how many bytes follow; bytes
// after the stop that hold no record lose nothing, and a load of a whole file lifts it.
TEST(Save, RefusedWhileTheLoadLeftRecordsUnread) {
  ScopedTempDir dir;
  const std::string whole = kRoot + kRootWife + kElder + kYounger;
  const std::size_t third = kRoot.size() + kRootWife.size();
  const struct {
    std::string text;
    std::optional<UnreadRest> unread;
  } cases[] = {
      {whole.substr(0, third) + "\xff" + whole.substr(third),
       UnreadRest{third, whole.size() - third + 1}},
      {whole.substr(0, whole.size() - 20), UnreadRest{third + kElder.size(), kYounger.size() - 20}},
      {whole + "\xff\r\n", std::nullopt},
  };
  for (const auto& c : cases) {
    writeFile("home.txt", c.text);
    FamilyTree tree;
    ASSERT_TRUE(tree.load());
    EXPECT_EQ(tree.unreadRest(), c.unread) << c.text.size();
    ASSERT_TRUE(tree.addWife(key("新妇人"), key("贾始祖"), makeDate("17200101")));
    SaveReport report;
    EXPECT_EQ(tree.save(report), !c.unread) << c.text.size();
    EXPECT_EQ(report.unreadRest, c.unread);
    if (c.unread) {
      EXPECT_EQ(readFile("home.txt"), c.text);
    }
  }
  FamilyTree tree;
  writeFile("home.txt", whole.substr(0, whole.size() - 20));
  ASSERT_TRUE(tree.load());
  writeFile("home.txt", whole);
  ASSERT_TRUE(tree.load());
  EXPECT_TRUE(tree.save());
}

TEST(Save, ReadOnlyDirectoryOrFileFailsAndKeepsTheOldFile) {
  ScopedTempDir dir;
  std::string text = kRoot + kElder;
  writeFile("home.txt", text);
  FamilyTree tree;
  ASSERT_TRUE(tree.load());
  ASSERT_TRUE(tree.addWife(key("新妇人"), key("贾演"), makeDate("17200101")));
  ASSERT_EQ(::chmod(".", 0555), 0);
  EXPECT_FALSE(tree.save());
  ASSERT_EQ(::chmod(".", 0755), 0);
  EXPECT_EQ(readFile("home.txt"), text);
  ASSERT_EQ(::chmod("home.txt", 0444), 0);
  EXPECT_FALSE(tree.save());
  EXPECT_EQ(readFile("home.txt"), text);
  ASSERT_EQ(::chmod("home.txt", 0644), 0);
  EXPECT_TRUE(tree.save());
  EXPECT_NE(readFile("home.txt"), text);
}

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
    ScopedTempDir dir;
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
