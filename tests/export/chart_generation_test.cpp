// The chart numbers its rows as the window numbers generations: by the generation digit (第0代
// for the root), not by counting rows from one.
#include <gtest/gtest.h>

#include <string>

#include "core/family_tree.h"
#include "reports/chart_export.h"
#include "tests/support/genealogy_records.h"
#include "tests/support/temp_dir.h"

namespace quillet {
namespace {

using testing::record;
using testing::utf8;

TEST(ChartRows, AreNumberedByTheGenerationDigitAsTheWindowShowsThem) {
  testing::ScopedTempDir dir;
  testing::writeFile("home.txt",
                     record("贾演", '0', "", "16500101", 'm', "", '0', 'y', "") +
                         record("贾代化", '1', "贾演", "16800101", 'm', "", '0', 'n', ""));
  FamilyTree tree;
  ASSERT_TRUE(tree.load());
  std::string svg;
  ASSERT_TRUE(writeChartSvg(tree, svg));
  EXPECT_NE(svg.find(utf8(u8">第0代</text>")), std::string::npos);
  EXPECT_NE(svg.find(utf8(u8">第1代</text>")), std::string::npos);
  EXPECT_EQ(svg.find(utf8(u8">第1世")), std::string::npos);
  EXPECT_EQ(svg.find(utf8(u8">第2世")), std::string::npos);
}

}  // namespace
}  // namespace quillet
