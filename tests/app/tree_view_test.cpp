// The family tree view: labels, order, numbering, image indices, expansion and refills.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/person.h"
#include "tests/support/genealogy_text.h"
#include "tests/support/window_harness.h"

namespace quillet {
namespace {

using testing::key;
using testing::record;
using Lines = std::vector<std::string>;

class TreeView : public testing::WindowTest {
 protected:
  using WindowTest::WindowTest;
  void expectNumbers(const std::vector<std::pair<const char*, int>>& numbers) {
    for (const auto& [name, number] : numbers) {
      ASSERT_NE(person(name), nullptr) << testing::readable(name);
      EXPECT_EQ(person(name)->treeIndex, number) << testing::readable(name);
    }
  }
};

// Items in chain order, the root's wife not shown, each image the parent's item number plus one,
// everything expanded; a birth refilled shows the child last and numbers the items afresh.
TEST_F(TreeView, ShowsClanInChainOrderAndRefillsAfterABirth) {
  EXPECT_EQ(window().treeLines(),
            (Lines{"0 e 0 贾演  ", "1 e 1 贾代善 史太君 李氏  ", "2 e 2 贾政   王夫人",
                   "3 - 3 贾宝玉", "2 - 2 贾敏  ", "1 - 1 贾代化"}));
  expectNumbers(
      {{"贾演", 0}, {"贾代善", 1}, {"贾政", 2}, {"贾宝玉", 3}, {"贾敏", 4}, {"贾代化", 5}});
  ASSERT_TRUE(tree().addChild(key("贾珠"), key("王夫人"), 'm', makeDate("17100101")));
  window().dialog().refillTreeView();
  EXPECT_EQ(window().treeLines(),
            (Lines{"0 e 0 贾演  ", "1 e 1 贾代善 史太君 李氏  ", "2 e 2 贾政   王夫人",
                   "3 - 3 贾宝玉", "3 - 3 贾珠  ", "2 - 2 贾敏  ", "1 - 1 贾代化"}));
  expectNumbers({{"贾珠", 4}, {"贾敏", 5}});
}

// 贾宝玉 is 贾政's first child and, by his older-sibling field, also 贾代化's younger sibling.
TEST_F(TreeView, RecordLinkedTwiceIsShownOnce) {
  testing::writeFile(
      "home.txt", testing::records({{.name = "贾演", .generation = '0'},
                                    {.name = "贾代化", .father = "贾演"},
                                    {.name = "贾政", .father = "贾演", .olderSibling = "贾代化"},
                                    {.name = "贾宝玉", .father = "贾政", .olderSibling = "贾政"}}));
  const Lines lines = window().treeLines();
  EXPECT_EQ(
      std::count_if(lines.begin(), lines.end(), [](auto& l) { return l.ends_with("贾宝玉"); }), 1);
}

// The root with 150 sons, each with one son: far beyond 101 items.
TEST_F(TreeView, EveryMemberOfALargeClanIsShown) {
  auto name = [](int n) {
    return std::string("贾") + static_cast<char>(0xB0 + n / 94) + static_cast<char>(0xA1 + n % 94);
  };
  std::string file = record({.name = "贾演", .generation = '0'});
  for (int i = 0; i < 150; ++i) {
    const std::string older = i == 0 ? "" : name(i - 1);
    file += record({.name = name(i), .father = "贾演", .olderSibling = older});
  }
  for (int i = 0; i < 150; ++i) file += record({.name = name(200 + i), .father = name(i)});
  testing::writeFile("home.txt", file);
  const Lines lines = window().treeLines();
  ASSERT_EQ(lines.size(), 301u);
  EXPECT_EQ(lines[299], "1 e 1 " + name(149) + "  ");
  EXPECT_EQ(lines[300], "2 - 300 " + name(349) + "  ");  // the son of item 299
}

// A line of 100,000 generations: every man has his item under the one before, and fetching the
// last one by name selects his.
TEST_F(TreeView, LineOfAHundredThousandGenerationsIsShownToTheLast) {
  testing::writeFile("home.txt", testing::chainFile(100'000));
  const Lines lines = window().treeLines();
  ASSERT_EQ(lines.size(), 100'000u);
  const std::string last = testing::serialName(99'999);
  EXPECT_EQ(lines.back(), "99999 - 99999 " + last);
  window().type(IDC_MODIFY_NAME, last);
  window().click(IDC_FETCH);
  EXPECT_EQ(window().window().selectedTreeLine(IDC_TREE), 99'999u);
}

TEST_F(TreeView, TreeWithoutRootStaysEmpty) {
  testing::writeFile("home.txt",
                     record({.name = "贾代化"}) +
                         record({.name = "尤氏", .sex = 'f', .married = 'y', .husband = "贾代化"}));
  EXPECT_TRUE(window().treeLines().empty());
  window().dialog().refillTreeView();
  EXPECT_TRUE(window().treeLines().empty());
}

}  // namespace
}  // namespace quillet
