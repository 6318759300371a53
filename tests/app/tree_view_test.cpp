// The family tree view of a clan too large for a transcript: a line of 100,000 generations.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/genealogy_text.h"
#include "tests/support/window_harness.h"

namespace quillet {
namespace {

using Lines = std::vector<std::string>;

using TreeView = testing::WindowTest;

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
