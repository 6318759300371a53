#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "core/family_tree.h"
#include "tests/support/genealogy_text.h"
#include "tests/support/temp_dir.h"

namespace quillet {
namespace {

using testing::record;
using testing::ScopedTempDir;
using testing::writeFile;

Person* find(FamilyTree& tree, std::string_view name) {
  NameKey key;
  makeNameKey(name, key);
  Person* person = nullptr;
  tree.findByName(person, key);
  return person;
}

// A root with a wife; two sons and a daughter; the elder son with two wives; a grandson.
std::string smallClan() {
  return record({.name = "贾始祖", .generation = '0', .married = 'y', .alive = 'n'}) +
         record({.name = "始祖妻",
                 .generation = '0',
                 .sex = 'f',
                 .married = 'y',
                 .husband = "贾始祖"}) +
         record({.name = "贾演",
                 .father = "贾始祖",
                 .birthDate = "17100101",
                 .motherIndex = '1',
                 .married = 'y'}) +
         record({.name = "贾源",
                 .father = "贾始祖",
                 .birthDate = "17120101",
                 .olderSibling = "贾演",
                 .motherIndex = '1'}) +
         record({.name = "贾敏",
                 .father = "贾始祖",
                 .birthDate = "17140101",
                 .sex = 'f',
                 .olderSibling = "贾源",
                 .motherIndex = '1'}) +
         record({.name = "演妻",
                 .sex = 'f',
                 .married = 'y',
                 .husband = "贾演",
                 .alive = 'n',
                 .deathDate = "17600101"}) +
         record({.name = "演妾", .sex = 'f', .married = 'y', .husband = "贾演"}) +
         record({.name = "贾代化", .generation = '2', .father = "贾演", .motherIndex = '2'});
}

TEST(Load, LinksFathersChainsAndWivesInFileOrder) {
  ScopedTempDir dir;
  writeFile("home.txt", smallClan());
  FamilyTree tree;
  ASSERT_TRUE(tree.load());
  Person* root = tree.root();
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(keyText(root->name), "贾始祖");
  EXPECT_EQ(tree.personCount(), 8);
  EXPECT_EQ(tree.femaleCount(), 4);
  EXPECT_EQ(tree.generationCount(), 2);

  Person* yan = find(tree, "贾演");
  Person* yuan = find(tree, "贾源");
  Person* min = find(tree, "贾敏");
  ASSERT_TRUE(yan && yuan && min);
  EXPECT_EQ(root->firstChild, yan);
  EXPECT_EQ(yan->youngerSibling, yuan);
  EXPECT_EQ(yuan->olderSibling, yan);
  EXPECT_EQ(yuan->youngerSibling, min);
  EXPECT_EQ(min->father, root);
  EXPECT_EQ(min->spouse, nullptr);

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
  EXPECT_TRUE(tree.unplacedRecords().empty());
}

TEST(Load, BareLineFeedsNoLineEndsAndStrayBytesReadTheSame) {
  ScopedTempDir dir;
  std::string text = smallClan();
  writeFile("home.txt", text);
  FamilyTree reference;
  ASSERT_TRUE(reference.load());
  ASSERT_TRUE(reference.save());
  std::string expected = testing::readFile("home.txt");

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
}

TEST(Load, ByteFFBetweenRecordsEndsTheFile) {
  ScopedTempDir dir;
  std::string text = smallClan();
  std::size_t third = text.find("!", text.find("!", 1) + 1);
  writeFile("home.txt", text.substr(0, third) + "\xff" + text.substr(third));
  FamilyTree tree;
  EXPECT_TRUE(tree.load());
  EXPECT_EQ(tree.personCount(), 2);
}

TEST(Load, LaterGenerationZeroManBecomesTheRoot) {
  ScopedTempDir dir;
  writeFile("home.txt", record({.name = "甲祖宗", .generation = '0'}) +
                            record({.name = "甲儿子", .father = "甲祖宗"}) +
                            record({.name = "乙祖宗", .generation = '0'}) +
                            record({.name = "乙儿子", .father = "乙祖宗"}) +
                            record({.name = "丙儿子", .father = "甲祖宗"}));
  FamilyTree tree;
  ASSERT_TRUE(tree.load());
  EXPECT_EQ(keyText(tree.root()->name), "乙祖宗");
  EXPECT_NE(find(tree, "乙儿子"), nullptr);
  EXPECT_EQ(find(tree, "甲儿子"), nullptr);  // under the earlier root: no walk reaches it
  EXPECT_EQ(find(tree, "甲祖宗"), nullptr);
  EXPECT_EQ(tree.unplacedRecords().size(), 3u);  // 甲祖宗, 甲儿子 and 丙儿子 (father not found)
}

TEST(Load, ChildWithoutOlderSiblingWhileFatherHasOneIsInNoChain) {
  ScopedTempDir dir;
  writeFile("home.txt", record({.name = "贾始祖", .generation = '0'}) +
                            record({.name = "长子", .father = "贾始祖"}) +
                            record({.name = "失链子", .father = "贾始祖"}));
  FamilyTree tree;
  ASSERT_TRUE(tree.load());
  EXPECT_EQ(tree.personCount(), 3);
  EXPECT_EQ(find(tree, "失链子"), nullptr);
  std::vector<Person*> sons;
  tree.listBySex('m', sons);
  ASSERT_EQ(sons.size(), 1u);
  EXPECT_EQ(keyText(sons[0]->name), "长子  ");
}

TEST(Load, UnmarriedWomanAndMansHusbandFieldAreNotLinked) {
  ScopedTempDir dir;
  writeFile("home.txt",
            record({.name = "贾始祖", .generation = '0'}) +
                record({.name = "未嫁女", .sex = 'f', .married = 'n', .husband = "贾始祖"}) +
                record({.name = "某男子", .married = 'y', .husband = "贾始祖"}));
  FamilyTree tree;
  ASSERT_TRUE(tree.load());
  EXPECT_EQ(tree.root()->spouse, nullptr);
  EXPECT_EQ(tree.unplacedRecords().size(), 2u);
}

TEST(Load, RecordCutShortByTheEndOfTheFileIsNotTaken) {
  ScopedTempDir dir;
  std::string text = record({.name = "贾始祖", .generation = '0'}) +
                     record({.name = "贾演", .father = "贾始祖", .alive = 'n'});
  for (std::size_t cut : {text.size() - 3, text.size() - 20, text.size() - 47}) {
    writeFile("home.txt", text.substr(0, cut));
    FamilyTree tree;
    EXPECT_TRUE(tree.load());
    EXPECT_EQ(tree.personCount(), 1) << "cut at " << cut;
    EXPECT_EQ(tree.root()->firstChild, nullptr);
  }
  // A living record needs nothing after its alive byte.
  std::string living = record({.name = "贾始祖", .generation = '0'});
  writeFile("home.txt", living.substr(0, 38));
  FamilyTree tree;
  EXPECT_TRUE(tree.load());
  EXPECT_EQ(tree.personCount(), 1);
}

TEST(Load, MissingOrReadOnlyFileLeavesAnEmptyTree) {
  ScopedTempDir dir;
  FamilyTree tree;
  EXPECT_FALSE(tree.load());
  EXPECT_EQ(tree.root(), nullptr);
  EXPECT_EQ(tree.personCount(), 0);
  EXPECT_FALSE(tree.save());
  EXPECT_FALSE(testing::fileExists("home.txt"));

  writeFile("home.txt", smallClan());
  ASSERT_EQ(::chmod("home.txt", 0444), 0);
  EXPECT_FALSE(tree.load());
  EXPECT_EQ(tree.root(), nullptr);
}

TEST(Load, SecondLoadReplacesTheFirst) {
  ScopedTempDir dir;
  writeFile("home.txt", smallClan());
  FamilyTree tree;
  ASSERT_TRUE(tree.load());
  ASSERT_TRUE(tree.load());
  EXPECT_EQ(tree.personCount(), 8);
  EXPECT_EQ(tree.femaleCount(), 4);
}

}  // namespace
}  // namespace quillet

namespace quillet {
namespace {

TEST(Load, RecordNamingItselfAsOlderSiblingOrHusbandIsNotLinkedToItself) {
  testing::ScopedTempDir dir;
  testing::writeFile(
      "home.txt",
      testing::record({.name = "贾始祖", .generation = '0'}) +
          testing::record({.name = "自成环", .father = "贾始祖", .olderSibling = "自成环"}) +
          testing::record({.name = "自嫁女",
                           .father = "贾始祖",
                           .sex = 'f',
                           .olderSibling = "自成环",
                           .married = 'y',
                           .husband = "自嫁女"}));
  FamilyTree tree;
  ASSERT_TRUE(tree.load());
  Person* first = tree.root()->firstChild;
  ASSERT_NE(first, nullptr);
  EXPECT_NE(first->youngerSibling, first);
  ASSERT_NE(first->youngerSibling, nullptr);
  EXPECT_EQ(first->youngerSibling->spouse, nullptr);
  std::vector<Person*> list;
  ASSERT_TRUE(tree.listByAlive('y', list));  // finishes: no ring in the chain
  EXPECT_EQ(list.size(), 2u);
}

}  // namespace
}  // namespace quillet
