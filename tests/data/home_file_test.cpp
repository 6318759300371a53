// The shipped genealogy: it loads whole, saves back to the same bytes, and its records keep the
// clan's rules (generations, mothers, wives, dates).
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>

#include "core/family_tree.h"
#include "tests/data/shipped_data.h"
#include "tests/support/temp_dir.h"

namespace quillet {
namespace {

using testing::everyoneInSaveOrder;
using testing::keyOf;
using testing::loadShippedHome;
using testing::readShipped;
using testing::ScopedTempDir;

bool isDate(const DateText& date) {
  return std::all_of(date.begin(), date.begin() + 8, [](char c) { return c >= '0' && c <= '9'; }) &&
         date[8] == '\0';
}

TEST(ShippedHome, EveryRecordIsLoadedAndReachable) {
  ScopedTempDir dir;
  FamilyTree tree;
  ASSERT_TRUE(loadShippedHome(tree));
  ASSERT_NE(tree.root(), nullptr);

  std::string bytes = readShipped("home.txt");
  auto records = static_cast<std::int32_t>(std::count(bytes.begin(), bytes.end(), '!'));
  EXPECT_EQ(tree.personCount(), records);
  EXPECT_TRUE(tree.unplacedRecords().empty());

  auto everyone = everyoneInSaveOrder(tree);
  EXPECT_EQ(static_cast<std::int32_t>(everyone.size()), records);
  EXPECT_GT(everyone.size(), 60u);
  auto women = std::count_if(everyone.begin(), everyone.end(),
                             [](const Person* p) { return p->sex == 'f'; });
  EXPECT_EQ(tree.femaleCount(), women);
  // Saved generation by generation, so the last record holds the deepest generation.
  char deepest = '0';
  for (const Person* p : everyone) deepest = std::max(deepest, p->generation);
  EXPECT_EQ(tree.generationCount(), deepest - '0');
  EXPECT_EQ(everyone.back()->generation, deepest);
}

TEST(ShippedHome, SaveWritesBackTheSameBytes) {
  ScopedTempDir dir;
  FamilyTree tree;
  ASSERT_TRUE(loadShippedHome(tree));
  std::string shipped = testing::readFile("home.txt");
  ASSERT_TRUE(tree.save());
  EXPECT_TRUE(testing::sameBytes(testing::readFile("home.txt"), shipped));
}

TEST(ShippedHome, LinksFollowTheClanRules) {
  ScopedTempDir dir;
  FamilyTree tree;
  ASSERT_TRUE(loadShippedHome(tree));
  const Person* root = tree.root();
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(root->generation, '0');
  EXPECT_EQ(root->father, nullptr);

  for (const Person* p : everyoneInSaveOrder(tree)) {
    SCOPED_TRACE(std::string(keyText(p->name)));
    EXPECT_TRUE(p->sex == 'm' || p->sex == 'f');
    EXPECT_TRUE(p->married == 'y' || p->married == 'n');
    EXPECT_TRUE(isDate(p->birthDate));
    if (p->alive == 'n') {
      ASSERT_TRUE(p->deathDate.has_value());
      EXPECT_TRUE(isDate(*p->deathDate));
      EXPECT_GT(std::string_view(p->deathDate->data(), 8),
                std::string_view(p->birthDate.data(), 8));
    } else {
      EXPECT_EQ(p->alive, 'y');
      EXPECT_FALSE(p->deathDate.has_value());
    }

    bool isWife = p->father == nullptr && p != root;
    if (isWife) {
      ASSERT_NE(p->spouse, nullptr) << "a record without father that no husband holds";
      const Person* husband = p->spouse;
      EXPECT_TRUE(husband->spouse == p || husband->secondWife == p);
      EXPECT_EQ(p->sex, 'f');
      EXPECT_EQ(p->married, 'y');
      EXPECT_EQ(p->generation, husband->generation);
      EXPECT_EQ(p->motherIndex, '0');
      EXPECT_EQ(p->firstChild, nullptr);
      continue;
    }
    if (p->spouse != nullptr) {
      EXPECT_EQ(p->sex, 'm') << "a daughter of the clan holds a husband link";
      EXPECT_EQ(p->married, 'y');
    }
    if (p->father != nullptr) {
      EXPECT_EQ(p->generation, p->father->generation + 1);
      switch (p->motherIndex) {
        case '0':
          break;
        case '1':
          EXPECT_NE(p->father->spouse, nullptr);
          break;
        case '2':
          EXPECT_NE(p->father->secondWife, nullptr);
          break;
        default:
          ADD_FAILURE() << "mother index " << p->motherIndex;
      }
      // The chain is the order of birth: each child born after the next older one.
      if (p->olderSibling != nullptr) {
        EXPECT_GT(FamilyTree::compareBirth(*p->olderSibling, *p), 0);
      }
    }
  }
}

// The persons and ties the novel is most known by, as the rest of the program will be asked
// about them.
TEST(ShippedHome, HoldsTheNovelsCentralTies) {
  ScopedTempDir dir;
  FamilyTree tree;
  ASSERT_TRUE(loadShippedHome(tree));
  auto find = [&tree](std::string_view name) {
    Person* person = nullptr;
    tree.findByName(person, keyOf(name));
    return person;
  };
  Person* zheng = find("贾政");
  Person* baoyu = find("贾宝玉");
  Person* tanchun = find("贾探春");
  Person* huan = find("贾环");
  Person* qiaojie = find("巧姐");
  ASSERT_TRUE(zheng && baoyu && tanchun && huan && qiaojie);
  EXPECT_EQ(zheng->spouse, find("王夫人"));
  EXPECT_EQ(zheng->secondWife, find("赵姨娘"));
  EXPECT_EQ(baoyu->father, zheng);
  EXPECT_EQ(baoyu->motherIndex, '1');
  EXPECT_EQ(tanchun->motherIndex, '2');
  EXPECT_EQ(huan->motherIndex, '2');
  EXPECT_EQ(baoyu->spouse, find("薛宝钗"));
  EXPECT_EQ(qiaojie->father, find("贾琏"));
  EXPECT_EQ(find("贾琏")->spouse, find("王熙凤"));
  EXPECT_EQ(find("贾蓉")->father, find("贾珍"));
  EXPECT_EQ(find("贾珍")->spouse, find("尤氏"));
  EXPECT_EQ(find("贾母"), nullptr) << "贾母 is kept under the name 史太君";
  EXPECT_EQ(find("史太君")->spouse, find("贾代善"));
  EXPECT_EQ(find("林黛玉"), nullptr) << "林黛玉 is not of the clan";
}

}  // namespace
}  // namespace quillet
