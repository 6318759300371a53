// The tree view kept up to date edit by edit agrees with a fresh fill: after every birth,
// marriage, rename, undo and redo of a random run on random clans (and on a broken file that
// links a record twice and gives the root a sibling), item for item, with each item's person and
// the selection; saves on the way write new bytes exactly when there are unsaved changes, and
// undoing everything gives back the view and the bytes of the load.
#include <gtest/gtest.h>

#include <initializer_list>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "app/resources.h"
#include "tests/support/genealogy_text.h"
#include "tests/support/refilled_view.h"
#include "tests/support/temp_dir.h"
#include "tests/support/window_harness.h"
#include "tools/genealogy_generator/genealogy_generator.h"

namespace quillet {
namespace {

using testing::records;

// 贾环 is 贾代化's first child and, by his older-sibling field, 贾宝玉's younger sibling too;
// 贾源 names the root as his older sibling.
std::string brokenClan() {
  // clang-format off
  return records({
      {.name = "贾演", .generation = '0', .motherIndex = '1', .married = 'y'},
      {.name = "贾代化", .father = "贾演", .motherIndex = '1', .married = 'y'},
      {.name = "贾政", .father = "贾演", .olderSibling = "贾代化", .motherIndex = '1', .married = 'y'},
      {.name = "尤氏", .sex = 'f', .married = 'y', .husband = "贾代化"},
      {.name = "王夫人", .sex = 'f', .married = 'y', .husband = "贾政"},
      {.name = "贾宝玉", .generation = '2', .father = "贾政", .motherIndex = '1', .married = 'y'},
      {.name = "贾环", .generation = '2', .father = "贾代化", .olderSibling = "贾宝玉", .motherIndex = '1', .married = 'y'},
      {.name = "贾源", .olderSibling = "贾演", .motherIndex = '1', .married = 'y'},
      {.name = "史氏", .sex = 'f', .married = 'y', .husband = "贾源"},
  });
  // clang-format on
}

class TreeAgreementTest : public ::testing::TestWithParam<int> {};

TEST_P(TreeAgreementTest, ViewAfterEachEditIsWhatARefillShows) {
  std::mt19937 random(static_cast<unsigned>(GetParam()));
  testing::ScopedTempDir dir;
  testing::writeFile("home.txt",
                     GetParam() == 0
                         ? brokenClan()
                         : tools::generateGenealogy(30 + random() % 300, GetParam()).fileBytes);
  testing::WindowHarness window;
  FamilyTree& tree = window.objects().tree;
  // What a save writes right after the load, and the view then.
  ASSERT_TRUE(window.dialog().saveGenealogy());
  const std::string loadedBytes = testing::readFile("home.txt");
  const std::vector<std::string> loadedView = window.treeLines();
  // Saves as the window does; a save without unsaved changes writes the bytes the file holds,
  // one with unsaved changes other bytes (no edit here is undone by a later one).
  auto saveAgreesWithTheUnsavedChanges = [&](int step) {
    const std::string before = testing::readFile("home.txt");
    const bool unsaved = tree.hasUnsavedChanges();
    if (!window.dialog().saveGenealogy()) return;
    EXPECT_EQ(testing::readFile("home.txt") != before, unsaved) << "step " << step;
    EXPECT_FALSE(tree.hasUnsavedChanges());
  };
  int fresh = 0;
  auto freshName = [&] {  // second-level GB2312 characters, which no generated name uses
    ++fresh;
    return std::string{'\xD6', '\xEC', static_cast<char>(0xD8 + fresh / 94),
                       static_cast<char>(0xA1 + fresh % 94)};
  };
  auto nameOf = [](const Person* p) { return std::string(keyText(p->name)); };
  for (int step = 0; step < 40; ++step) {
    std::vector<const Person*> persons;
    for (const testing::RefilledItem& item : testing::refilledView(tree)) {
      const Person* member = item.person;
      for (const Person* p :
           std::initializer_list<const Person*>{member, member->spouse, member->secondWife}) {
        if (p != nullptr) persons.push_back(p);
      }
    }
    for (const Person* p : tree.unplacedRecords()) persons.push_back(p);
    const Person* someone = persons[random() % persons.size()];
    std::string added = freshName();
    const int before = tree.personCount();
    const int kind = static_cast<int>(random() % 6);
    switch (kind) {
      case 3:
      case 4:
        window.window().keyCtrl(kind == 3 ? 'Z' : 'Y');
        break;
      case 5:
        saveAgreesWithTheUnsavedChanges(step);
        break;
      case 0:
        window.type(IDC_BIRTH_NAME, added);
        window.type(IDC_BIRTH_SEX, random() % 2 ? "m" : "f");
        window.type(IDC_BIRTH_DATE, "17900101");
        window.type(IDC_MOTHER_NAME, nameOf(someone));
        window.click(IDC_ADD_CHILD);
        break;
      case 1:
        window.type(IDC_BRIDE_NAME, added);
        window.type(IDC_HUSBAND_NAME, nameOf(someone));
        window.type(IDC_BRIDE_BIRTH_DATE, "17900101");
        window.click(IDC_ADD_WIFE);
        break;
      default:
        if (random() % 5 == 0) added = nameOf(persons[random() % persons.size()]);  // taken
        window.type(IDC_MODIFY_NAME, nameOf(someone));
        window.check(IDC_MODIFY_CHOICE);
        window.type(IDC_MODIFY_PARAM, added);
        window.click(IDC_MODIFY);
    }
    const std::vector<testing::RefilledItem> expected = testing::refilledView(tree);
    const auto lines = window.window().treeLines(IDC_TREE);
    ASSERT_EQ(window.treeLines().size(), expected.size()) << "step " << step;
    for (std::size_t i = 0; i < expected.size(); ++i) {
      ASSERT_EQ(window.treeLines()[i], expected[i].line) << "step " << step << " line " << i;
      ASSERT_EQ(window.dialog().personOfItem(lines[i].item), expected[i].person) << i;
    }
    // A successful edit selects the person of the new name, or a wife's husband.
    if (kind >= 3) continue;
    Person* edited = nullptr;
    tree.findByName(edited, testing::key(added));
    if (kind == 2 ? edited != someone : tree.personCount() == before) continue;
    std::optional<std::size_t> line;
    for (const Person* p : std::initializer_list<const Person*>{
             edited, edited != nullptr ? edited->spouse : nullptr}) {
      for (std::size_t i = 0; i < expected.size() && !line; ++i) {
        if (expected[i].person == p && p != nullptr) line = i;
      }
    }
    EXPECT_EQ(window.window().selectedTreeLine(IDC_TREE), line) << "step " << step;
  }
  // Every edit taken back: the view and a save's bytes are those of the load; done again, those
  // of before.
  saveAgreesWithTheUnsavedChanges(-1);
  const std::string editedBytes = testing::readFile("home.txt");
  const std::vector<std::string> editedView = window.treeLines();
  std::size_t undone = 0;
  for (; tree.canUndo(); ++undone) window.window().keyCtrl('Z');
  EXPECT_EQ(window.treeLines(), loadedView);
  saveAgreesWithTheUnsavedChanges(-2);
  EXPECT_TRUE(testing::sameBytes(testing::readFile("home.txt"), loadedBytes));
  for (; undone > 0; --undone) window.window().keyCtrl('Y');
  EXPECT_EQ(window.treeLines(), editedView);
  saveAgreesWithTheUnsavedChanges(-3);
  EXPECT_TRUE(testing::sameBytes(testing::readFile("home.txt"), editedBytes));
}

INSTANTIATE_TEST_SUITE_P(Clans, TreeAgreementTest, ::testing::Range(0, 7));

}  // namespace
}  // namespace quillet
