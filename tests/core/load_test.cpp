#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "core/family_tree.h"
#include "tests/support/clan_tree.h"

namespace quillet {
namespace {

using testing::ClanTree;
using testing::key;
using testing::record;
using testing::ScopedTempDir;
using testing::writeFile;

// A root with a wife; two sons and a daughter; the elder son with two wives; a grandson.
std::string smallClan() {
  // clang-format off
  return testing::records({
      {.name = "贾始祖", .generation = '0', .married = 'y', .alive = 'n'},
      {.name = "始祖妻", .generation = '0', .sex = 'f', .married = 'y', .husband = "贾始祖"},
      {.name = "贾演", .father = "贾始祖", .birthDate = "17100101", .motherIndex = '1', .married = 'y'},
      {.name = "贾源", .father = "贾始祖", .birthDate = "17120101", .olderSibling = "贾演", .motherIndex = '1'},
      {.name = "贾敏", .father = "贾始祖", .birthDate = "17140101", .sex = 'f', .olderSibling = "贾源", .motherIndex = '1'},
      {.name = "演妻", .sex = 'f', .married = 'y', .husband = "贾演", .alive = 'n', .deathDate = "17600101"},
      {.name = "演妾", .sex = 'f', .married = 'y', .husband = "贾演"},
      {.name = "贾代化", .generation = '2', .father = "贾演", .motherIndex = '2'},
  });
  // clang-format on
}

TEST(Load, LinksFathersChainsAndWivesInFileOrder) {
  ClanTree clan(smallClan());
  ASSERT_TRUE(clan.loaded);
  Person* root = clan.tree.root();
  Person *yan = clan("贾演"), *yuan = clan("贾源"), *min = clan("贾敏");
  ASSERT_TRUE(root && yan && yuan && min);
  EXPECT_EQ(keyText(root->name), "贾始祖");
  EXPECT_EQ(clan.tree.personCount(), 8);
  EXPECT_EQ(clan.tree.femaleCount(), 4);
  EXPECT_EQ(clan.tree.generationCount(), 2);
  EXPECT_EQ(root->firstChild, yan);
  EXPECT_EQ(yan->youngerSibling, yuan);
  EXPECT_EQ(yuan->olderSibling, yan);
  EXPECT_EQ(yuan->youngerSibling, min);
  EXPECT_EQ(min->father, root);
  EXPECT_EQ(min->spouse, nullptr);
  ASSERT_TRUE(root->spouse && yan->spouse && yan->secondWife && yan->firstChild);
  EXPECT_EQ(keyText(root->spouse->name), "始祖妻");
  EXPECT_EQ(keyText(yan->spouse->name), "演妻  ");
  EXPECT_EQ(keyText(yan->secondWife->name), "演妾  ");
  EXPECT_EQ(yan->secondWife->spouse, yan);
  EXPECT_EQ(yan->secondWife->secondWife, nullptr);
  EXPECT_EQ(yan->spouse->alive, 'n');
  ASSERT_TRUE(yan->spouse->deathDate.has_value());
  EXPECT_EQ(dateText(*yan->spouse->deathDate), "17600101");
  EXPECT_FALSE(yan->secondWife->deathDate.has_value());
  EXPECT_EQ(yan->firstChild->motherIndex, '2');
  EXPECT_TRUE(clan.tree.unplacedRecords().empty());
}

// Bare line feeds, no line ends at all and stray text between records read as CR LF does; a
// byte FF between records ends the file.
TEST(Load, LineEndsAndStrayBytesReadTheSameAndFFEndsTheFile) {
  ScopedTempDir dir;
  const std::string text = smallClan();
  writeFile("home.txt", text);
  FamilyTree reference;
  ASSERT_TRUE(reference.load());
  ASSERT_TRUE(reference.save());
  const std::string expected = testing::readFile("home.txt");

  std::string bare, none, stray = "leading junk\r\n\r\n";
  for (std::size_t at = 0; at < text.size(); ++at) {
    if (text.compare(at, 2, "\r\n") == 0) {
      bare += '\n';
      stray += "\r\nstray text without the marker\r\n";
      ++at;
    } else {
      bare += text[at];
      none += text[at];
      stray += text[at];
    }
  }
  for (const std::string& variant : {bare, none, stray}) {
    writeFile("home.txt", variant);
    FamilyTree tree;
    ASSERT_TRUE(tree.load());
    EXPECT_EQ(tree.personCount(), 8);
    ASSERT_TRUE(tree.save());
    EXPECT_EQ(testing::readFile("home.txt"), expected);
  }
  const std::size_t third = text.find("!", text.find("!", 1) + 1);
  EXPECT_EQ(ClanTree(text.substr(0, third) + "\xff" + text.substr(third)).tree.personCount(), 2);
}

// Records that name themselves as older sibling or husband make no ring (the other records no
// walk reaches are the save tests' table).
TEST(Load, RecordsNamingThemselvesMakeNoRing) {
  ClanTree self(testing::records({{.name = "贾始祖", .generation = '0'},
                                  {.name = "自成环", .father = "贾始祖", .olderSibling = "自成环"},
                                  {.name = "自嫁女",
                                   .father = "贾始祖",
                                   .sex = 'f',
                                   .olderSibling = "自成环",
                                   .married = 'y',
                                   .husband = "自嫁女"}}));
  ASSERT_NE(self.tree.root(), nullptr);
  Person* first = self.tree.root()->firstChild;
  ASSERT_NE(first, nullptr);
  ASSERT_NE(first->youngerSibling, nullptr);
  EXPECT_NE(first->youngerSibling, first);
  EXPECT_EQ(first->youngerSibling->spouse, nullptr);
  std::vector<Person*> list;
  ASSERT_TRUE(self.tree.listByAlive('y', list));  // finishes: no ring in the chain
  EXPECT_EQ(list.size(), 2u);
}

// C is named as A's first child and as B's younger sibling: the load keeps the first link only,
// so every walk meets C and the line hanging from it once; the records that then name B as older
// sibling each take his younger sibling's place from the one before.
TEST(Load, RecordNamedAsFirstChildAndAsYoungerSiblingKeepsTheFirstLink) {
  ClanTree clan(testing::twoWayLinkedFile(3, 2));
  Person* c = clan("C     ");
  ASSERT_NE(c, nullptr);
  ASSERT_NE(clan("B     "), nullptr);
  EXPECT_EQ(clan("A     ")->firstChild, c);
  EXPECT_EQ(c->olderSibling, nullptr);
  EXPECT_EQ(clan("B     ")->youngerSibling, clan("YAAAAB"));
  EXPECT_EQ(clan("YAAAAA"), nullptr);  // replaced: no walk reaches it
  std::vector<Person*> list;
  ASSERT_TRUE(clan.tree.listByAlive('y', list));
  EXPECT_EQ(list.size(), 7u);  // A, B, C, three fillers and the last replacer, each once
}

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

  writeFile("home.txt", smallClan());
  ASSERT_TRUE(tree.load());
  ASSERT_TRUE(tree.load());
  EXPECT_EQ(tree.personCount(), 8);
  EXPECT_EQ(tree.femaleCount(), 4);
  // Read-only for every user: it loads, and a save says why it cannot write it.
  ASSERT_EQ(::chmod("home.txt", 0444), 0);
  ASSERT_TRUE(tree.load());
  EXPECT_EQ(tree.personCount(), 8);
  ASSERT_TRUE(tree.addWife(key("李氏"), tree.root()->name, makeDate("17200101")));
  SaveReport report;
  EXPECT_FALSE(tree.save(report));
  EXPECT_EQ(report.fileFailure, platform::ReplaceFailure::kReadOnlyFile);
  EXPECT_EQ(testing::readFile("home.txt"), smallClan());
}

}  // namespace
}  // namespace quillet
