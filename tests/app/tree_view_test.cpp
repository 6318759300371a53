// The family tree view of clans too large for a transcript: far beyond 101 items, and a line of
// 100,000 generations.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/genealogy_text.h"
#include "tests/support/window_harness.h"

namespace quillet {
namespace {

using testing::record;
using Lines = std::vector<std::string>;

using TreeView = testing::WindowTest;

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

}  // namespace
}  // namespace quillet
