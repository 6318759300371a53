// The shipped genealogy: it loads whole, saves back to the same bytes, and its records keep the
// clan's rules (generations, mothers, wives, dates).
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>

#include "core/family_tree.h"
#include "tests/data/shipped_data.h"
#include "tests/support/genealogy_text.h"
#include "tests/support/temp_dir.h"

namespace quillet {
namespace {

using testing::everyoneInSaveOrder;

bool isDate(const DateText& date) {
  return std::all_of(date.begin(), date.begin() + 8, [](char c) { return c >= '0' && c <= '9'; }) &&
         date[8] == '\0';
}

class ShippedHome : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(testing::loadShippedHome(tree));
    ASSERT_NE(tree.root(), nullptr);
  }
  testing::ScopedTempDir dir;
  FamilyTree tree;
};

// Every record is reached, counted and saved back as the same bytes; saved generation by
// generation, the last record holds the deepest generation.
TEST_F(ShippedHome, EveryRecordIsLoadedReachableAndSavedBackTheSame) {
  const std::string shipped = testing::readFile("home.txt");
  const auto records = static_cast<std::int32_t>(std::count(shipped.begin(), shipped.end(), '!'));
  EXPECT_EQ(tree.personCount(), records);
  EXPECT_TRUE(tree.unplacedRecords().empty());
  const auto everyone = everyoneInSaveOrder(tree);
  EXPECT_EQ(static_cast<std::int32_t>(everyone.size()), records);
  EXPECT_GT(everyone.size(), 60u);
  EXPECT_EQ(tree.femaleCount(), std::count_if(everyone.begin(), everyone.end(),
                                              [](const Person* p) { return p->sex == 'f'; }));
  char deepest = '0';
  for (const Person* p : everyone) deepest = std::max(deepest, p->generation);
  EXPECT_EQ(tree.generationCount(), deepest - '0');
  EXPECT_EQ(everyone.back()->generation, deepest);
  ASSERT_TRUE(tree.save());
  EXPECT_TRUE(testing::sameBytes(testing::readFile("home.txt"), shipped));
}

TEST_F(ShippedHome, LinksFollowTheClanRules) {
  const Person* root = tree.root();
  EXPECT_EQ(root->generation, '0');
  EXPECT_EQ(root->father, nullptr);
  for (const Person* p : everyoneInSaveOrder(tree)) {
    SCOPED_TRACE(std::string(keyText(p->name)));
    EXPECT_TRUE(p->sex == 'm' || p->sex == 'f');
    EXPECT_TRUE(p->married == 'y' || p->married == 'n');
    EXPECT_TRUE(isDate(p->birthDate));
    EXPECT_EQ(p->alive == 'n', p->deathDate.has_value());
    if (p->deathDate) {
      EXPECT_TRUE(isDate(*p->deathDate));
      EXPECT_GT(std::string_view(p->deathDate->data(), 8),
                std::string_view(p->birthDate.data(), 8));
    }
    if (p->father == nullptr && p != root) {  // a wife
      ASSERT_NE(p->spouse, nullptr) << "a record without father that no husband holds";
      EXPECT_TRUE(p->spouse->spouse == p || p->spouse->secondWife == p);
      EXPECT_TRUE(p->sex == 'f' && p->married == 'y' && p->motherIndex == '0');
      EXPECT_EQ(p->generation, p->spouse->generation);
      EXPECT_EQ(p->firstChild, nullptr);
      continue;
    }
    if (p->spouse != nullptr) {
      EXPECT_TRUE(p->sex == 'm' && p->married == 'y') << "a daughter holds a husband link";
    }
    if (p->father == nullptr) continue;
    EXPECT_EQ(p->generation, p->father->generation + 1);
    EXPECT_TRUE(p->motherIndex == '0' || (p->motherIndex == '1' && p->father->spouse) ||
                (p->motherIndex == '2' && p->father->secondWife))
        << "mother index " << p->motherIndex;
    // The chain is the order of birth: each child born after the next older one.
    if (p->olderSibling != nullptr) {
      EXPECT_GT(FamilyTree::compareBirth(*p->olderSibling, *p), 0);
    }
  }
}

}  // namespace
}  // namespace quillet
