// Whatever a run of edits made of a tree, a save that succeeds writes a file that loads back
// into the same tree: random births, marriages and changes of every field (names that read as
// nobody, a second man of generation '0', a wife made a man ...) on random clans.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "core/family_tree.h"
#include "tests/support/genealogy_text.h"
#include "tests/support/temp_dir.h"
#include "tools/genealogy_generator/genealogy_generator.h"

namespace quillet {
namespace {

// The root and every person the listings reach, each with all fields and the names of the
// persons each link leads to.
std::string dump(FamilyTree& tree) {
  auto name = [](const Person* p) { return p ? std::string(p->name.data(), 6) : "-"; };
  std::vector<Person*> listed{tree.root()};
  for (const char alive : {'y', 'n'}) {
    std::vector<Person*> some;
    tree.listByAlive(alive, some);
    listed.insert(listed.end(), some.begin(), some.end());
  }
  std::string text;
  for (const Person* p : listed) {
    text += name(p) + p->generation + std::string(p->birthDate.data(), 8) + p->sex +
            p->motherIndex + p->married + p->alive +
            (p->deathDate ? std::string(p->deathDate->data(), 8) : "") + name(p->father) +
            name(p->firstChild) + name(p->spouse) + name(p->secondWife) + name(p->olderSibling) +
            name(p->youngerSibling) + '\n';
  }
  return text;
}

class SaveRoundTripTest : public ::testing::TestWithParam<int> {};

TEST_P(SaveRoundTripTest, SavedFileLoadsBackIntoTheSameTree) {
  std::mt19937 random(static_cast<unsigned>(GetParam()));
  testing::ScopedTempDir dir;
  testing::writeFile("home.txt",
                     tools::generateGenealogy(20 + random() % 200, GetParam()).fileBytes);
  FamilyTree tree;
  ASSERT_TRUE(tree.load());
  int fresh = 0;
  int saved = 0;
  for (int step = 0; step < 60; ++step) {
    std::vector<Person*> persons;
    tree.listBySex('f', persons);
    std::vector<Person*> men;
    tree.listBySex('m', men);
    persons.insert(persons.end(), men.begin(), men.end());
    persons.push_back(tree.root());
    Person* someone = persons[random() % persons.size()];
    const std::string added = {'\xD6', '\xEC', static_cast<char>(0xD8 + ++fresh / 94),
                               static_cast<char>(0xA1 + fresh % 94)};
    switch (random() % 8) {
      case 0:
        tree.addChild(testing::key(added), someone->name, 'm', makeDate("17900101"));
        break;
      case 1:
        tree.addWife(testing::key(added), someone->name, makeDate("17900101"));
        break;
      default: {
        const int selector = 1 + static_cast<int>(random() % 5);
        const char* values[] = {"", "0", "9", "1790010a", "0\xD6\xEC\xD8\xA1 "};
        std::string value = values[random() % 5];
        if (selector == 1 && value.size() < 6) value = added + "  ";
        tree.modifyField(someone, selector, value);
      }
    }
    if (random() % 4 != 0) continue;
    if (!tree.save()) {  // refused: on from the file as last saved
      ASSERT_TRUE(tree.load());
      continue;
    }
    ++saved;
    FamilyTree reloaded;
    ASSERT_TRUE(reloaded.load());
    ASSERT_EQ(dump(reloaded), dump(tree)) << "step " << step;
  }
  EXPECT_GT(saved, 0);
}

INSTANTIATE_TEST_SUITE_P(Clans, SaveRoundTripTest, ::testing::Range(1, 9));

// A line feed in any byte of a date is written back as the CR LF it was read from.
TEST(SaveLineFeeds, InEveryByteOfBothDatesComeBackAsCrLf) {
  const std::string root = testing::record({.name = "贾始祖", .generation = '0', .married = 'y'});
  const std::string wife = testing::record({.name = "始祖妻",
                                            .generation = '0',
                                            .sex = 'f',
                                            .married = 'y',
                                            .husband = "贾始祖",
                                            .alive = 'n',
                                            .deathDate = "17300101"});
  for (const std::size_t offset :
       {14, 15, 16, 17, 18, 19, 20, 21, 38, 39, 40, 41, 42, 43, 44, 45}) {
    testing::ScopedTempDir dir;
    std::string changed = wife;
    changed.replace(offset, 1, "\r\n");
    testing::writeFile("home.txt", root + changed);
    FamilyTree tree;
    ASSERT_TRUE(tree.load());
    ASSERT_TRUE(tree.save());
    EXPECT_EQ(testing::readFile("home.txt"), root + changed) << "offset " << offset;
  }
}

}  // namespace
}  // namespace quillet
