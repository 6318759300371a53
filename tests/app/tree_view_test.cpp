// The family tree view: labels, order, numbering, image indices, expansion and refills.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "core/person.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_genealogy.h"
#include "tests/support/window_harness.h"

namespace quillet {
namespace {

using testing::kNobody;
using testing::memberRecord;
using testing::ScopedTempDir;
using testing::wifeRecord;
using testing::WindowHarness;
using Lines = std::vector<std::string>;

TEST(TreeView, ShowsClanInChainOrderWithWivesNumbersAndExpansion) {
  ScopedTempDir dir;
  testing::writeFile("home.txt", testing::smallClan());
  WindowHarness window;
  const Lines expected = {
      "0 e 0 贾演  ",  // the root's wife is not shown
      "1 e 1 贾代善 史太君 李氏  ",
      "2 e 2 贾政   王夫人",
      "3 - 3 贾宝玉",
      "2 - 2 贾敏  ",
      "1 - 1 贾代化",
  };
  EXPECT_EQ(window.treeLines(), expected);

  Person* person = nullptr;
  NameKey key;
  const std::pair<const char*, int> numbers[] = {{"贾演  ", 0}, {"贾代善", 1}, {"贾政", 2},
                                                 {"贾宝玉", 3}, {"贾敏", 4},   {"贾代化", 5}};
  for (const auto& [name, number] : numbers) {
    makeNameKey(name, key);
    ASSERT_TRUE(window.objects().tree.findByName(person, key)) << name;
    EXPECT_EQ(person->treeIndex, number) << name;
  }
}

TEST(TreeView, RefillAfterABirthShowsTheChildLastAndNumbersAfresh) {
  ScopedTempDir dir;
  testing::writeFile("home.txt", testing::smallClan());
  WindowHarness window;
  NameKey child;
  NameKey mother;
  makeNameKey("贾珠", child);
  makeNameKey("王夫人", mother);
  ASSERT_TRUE(window.objects().tree.addChild(child, mother, 'm', makeDate("17100101")));
  window.dialog().refillTreeView();
  const Lines expected = {
      "0 e 0 贾演  ",        "1 e 1 贾代善 史太君 李氏  ",
      "2 e 2 贾政   王夫人", "3 - 3 贾宝玉",
      "3 - 3 贾珠  ",        "2 - 2 贾敏  ",
      "1 - 1 贾代化",
  };
  EXPECT_EQ(window.treeLines(), expected);
  Person* person = nullptr;
  makeNameKey("贾敏", child);
  ASSERT_TRUE(window.objects().tree.findByName(person, child));
  EXPECT_EQ(person->treeIndex, 5);
}

TEST(TreeView, RecordLinkedTwiceIsShownOnce) {
  ScopedTempDir dir;
  // 贾宝玉 is 贾政's first child and, by his older-sibling field, also 贾代化's younger sibling.
  testing::writeFile("home.txt", memberRecord("贾演  ", '0', kNobody, 'm') +
                                     memberRecord("贾代化", '1', "贾演  ", 'm') +
                                     memberRecord("贾政  ", '1', "贾演  ", 'm', "贾代化") +
                                     memberRecord("贾宝玉", '2', "贾政  ", 'm', "贾政  "));
  WindowHarness window;
  const Lines lines = window.treeLines();
  int shown = 0;
  for (const std::string& line : lines) shown += line.ends_with("贾宝玉");
  EXPECT_EQ(shown, 1);
  EXPECT_EQ(lines.front(), "0 e 0 贾演  ");
}

TEST(TreeView, EveryMemberOfALargeClanIsShown) {
  ScopedTempDir dir;
  // The root with 150 sons, each with one son: far beyond 101 items.
  std::string file = memberRecord("贾演  ", '0', kNobody, 'm');
  auto name = [](int n) {
    std::string key = "贾";
    key += static_cast<char>(0xB0 + n / 94);
    key += static_cast<char>(0xA1 + n % 94);
    key += "  ";
    return key;
  };
  std::string older(kNobody);
  for (int i = 0; i < 150; ++i) {
    file += memberRecord(name(i), '1', "贾演  ", 'm', older);
    older = name(i);
  }
  for (int i = 0; i < 150; ++i) file += memberRecord(name(200 + i), '2', name(i), 'm');
  testing::writeFile("home.txt", file);
  WindowHarness window;
  const Lines lines = window.treeLines();
  ASSERT_EQ(lines.size(), 301u);
  EXPECT_EQ(lines[299], "1 e 1 " + name(149));
  // The last son is item 299: his own son's image index is 300.
  EXPECT_EQ(lines[300], "2 - 300 " + name(349));
}

TEST(TreeView, TreeWithoutRootStaysEmpty) {
  ScopedTempDir dir;
  testing::writeFile(
      "home.txt", memberRecord("贾代化", '1', kNobody, 'm') + wifeRecord("尤氏  ", '1', "贾代化"));
  WindowHarness window;
  EXPECT_TRUE(window.treeLines().empty());
  window.dialog().refillTreeView();
  EXPECT_TRUE(window.treeLines().empty());
}

}  // namespace
}  // namespace quillet
