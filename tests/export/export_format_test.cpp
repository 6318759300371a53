// The chart's tidy layout over large and lopsided clans, and the GEDCOM date conversion. (The SVG
// and GEDCOM 7.0 and 5.5.1 written whole: the batch transcripts cli_export_*.)
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "core/family_tree.h"
#include "gedcom/gedcom_export.h"
#include "reports/chart_export.h"
#include "tests/support/genealogy_text.h"
#include "tests/support/temp_dir.h"

namespace quillet {
namespace {

using testing::record;
using testing::RecordSpec;

// Loads `home` in a temporary directory; the tree outlives the directory.
class ChartTest : public ::testing::Test {
 protected:
  void load(const std::string& home) {
    quillet::testing::ScopedTempDir dir;
    quillet::testing::writeFile("home.txt", home);
    ASSERT_TRUE(tree_.load());
  }
  FamilyTree tree_;
};

// A clan of `generations` generations below the root, `sons` sons to a father, two wives for
// every second son (the second dead), the sons' mother indexes cycling through '0', '1', '2'.
// Names are "乙" and four digits, so at most 8999 persons.
std::string wideClan(int generations, int sons) {
  std::string home = record({.name = "甲甲甲", .generation = '0', .birthDate = "16000101"});
  std::vector<std::string> generation{"甲甲甲"};
  int serial = 0;
  auto nameOf = [](int n) { return "乙" + std::to_string(1000 + n); };
  for (char g = '1'; g <= '0' + generations; ++g) {
    std::vector<std::string> next;
    for (const std::string& father : generation) {
      std::string older;
      for (int k = 0; k < sons; ++k) {
        std::string son = nameOf(++serial);
        const char mother = "012"[serial % 3];
        home += record({.name = son,
                        .generation = g,
                        .father = father,
                        .olderSibling = older,
                        .motherIndex = mother,
                        .married = 'y'});
        for (int wife = 0; k % 2 == 1 && wife < 2; ++wife) {
          home += record({.name = nameOf(++serial),
                          .generation = g,
                          .sex = 'f',
                          .married = 'y',
                          .husband = son,
                          .alive = wife == 0 ? 'y' : 'n'});
        }
        older = son;
        next.push_back(son);
      }
    }
    generation = next;
  }
  return home;
}

double centre(const ChartBox& box) { return box.x + box.width / 2; }

// The layout properties every chart keeps: one box a person; a row is one generation at one
// height, its boxes never overlap; wives stand right beside their husband, in his row; children
// one row below, left to right in chain order.
void expectTidyRows(const ChartLayout& layout, int persons) {
  std::set<const Person*> shown;
  std::map<int, std::vector<const ChartBox*>> rows;
  for (const ChartBox& box : layout.boxes) {
    shown.insert(box.person);
    rows[box.row].push_back(&box);
  }
  EXPECT_EQ(static_cast<int>(layout.boxes.size()), persons);
  EXPECT_EQ(static_cast<int>(shown.size()), persons);
  for (auto& [row, boxes] : rows) {
    std::sort(boxes.begin(), boxes.end(), [](auto* a, auto* b) { return a->x < b->x; });
    double right = 0;
    for (const ChartBox* box : boxes) {
      EXPECT_EQ(box->y, boxes[0]->y) << "row " << row;
      EXPECT_LE(right, box->x) << "row " << row;
      right = box->x + box->width;
    }
    EXPECT_LE(right, layout.width);
  }
  for (std::size_t v = 0; v < layout.clan.size(); ++v) {
    const ClanMember& member = layout.clan[v];
    const ChartBox& own = layout.boxes[layout.memberBox[v]];
    EXPECT_EQ(own.person, member.person);
    EXPECT_EQ(own.row, member.depth);
    int k = 1;
    for (const Person* wife : member.wives) {
      if (wife == nullptr) continue;
      const ChartBox& box = layout.boxes[layout.memberBox[v] + k++];
      EXPECT_TRUE(box.wife && box.person == wife && box.y == own.y && box.x > own.x);
    }
    double left = -1;
    for (int child : member.children) {
      const ChartBox& box = layout.boxes[layout.memberBox[child]];
      EXPECT_EQ(box.row, own.row + 1);
      EXPECT_GT(box.y, own.y + own.height);
      EXPECT_LT(left, box.x);
      left = box.x;
    }
  }
}

TEST_F(ChartTest, ThousandsOfPersonsStayTidyAndNoWiderThanTheirWidestRow) {
  load(wideClan(5, 4));
  ASSERT_GT(tree_.personCount(), 2500);
  ChartLayout layout = layoutChart(tree_);
  expectTidyRows(layout, tree_.personCount());
  // In a uniform clan the last row is the widest and nothing may stand out beyond it.
  double left = layout.width, right = 0, lastLeft = layout.width, lastRight = 0;
  for (const ChartBox& box : layout.boxes) {
    left = std::min(left, box.x);
    right = std::max(right, box.x + box.width);
    if (box.row == 5) {
      lastLeft = std::min(lastLeft, box.x);
      lastRight = std::max(lastRight, box.x + box.width);
    }
  }
  EXPECT_EQ(left, lastLeft);
  EXPECT_EQ(right, lastRight);
}

// The root's left son is wide only two rows down, the right son one row down. A tidy layout tucks
// the right son's children in above the left grandson's; a layout of whole blocks would put
// them right of everything on the left. Fathers stand centred over their children.
TEST_F(ChartTest, SubtreesArePackedByTheirContours) {
  // clang-format off
  std::string home = testing::records({
      {.name = "甲甲甲", .generation = '0', .birthDate = "16000101"},
      {.name = "甲左子", .father = "甲甲甲", .birthDate = "16200101"},
      {.name = "甲右子", .father = "甲甲甲", .birthDate = "16210101", .olderSibling = "甲左子"},
      {.name = "甲左孙", .generation = '2', .father = "甲左子", .birthDate = "16400101"},
  });
  // clang-format on
  const std::pair<const char*, RecordSpec> rows[] = {
      {"右", {.generation = '2', .father = "甲右子", .birthDate = "16400101"}},
      {"孙", {.generation = '3', .father = "甲左孙", .birthDate = "16600101"}}};
  for (auto [prefix, spec] : rows) {  // ten sons each for the right son and the left grandson
    std::string older, name;
    for (int i = 0; i < 10; ++i, older = name) {
      name = prefix + std::to_string(1000 + i);
      spec.name = name;
      spec.olderSibling = older;
      home += record(spec);
    }
  }
  load(home);
  ChartLayout layout = layoutChart(tree_);
  ASSERT_EQ(layout.clan.size(), 24u);
  expectTidyRows(layout, 24);

  double rightSonsFirstChild = layout.width, greatGrandsonsRight = 0;
  for (const ChartBox& box : layout.boxes) {
    if (box.row == 2 && box.person->father == layout.clan[2].person) {
      rightSonsFirstChild = std::min(rightSonsFirstChild, box.x);
    }
    if (box.row == 3) greatGrandsonsRight = std::max(greatGrandsonsRight, box.x + box.width);
  }
  EXPECT_LT(rightSonsFirstChild, greatGrandsonsRight);

  for (std::size_t v = 0; v < layout.clan.size(); ++v) {
    const std::vector<int>& children = layout.clan[v].children;
    if (children.empty()) continue;
    double middle = (centre(layout.boxes[layout.memberBox[children.front()]]) +
                     centre(layout.boxes[layout.memberBox[children.back()]])) /
                    2;
    EXPECT_NEAR(centre(layout.boxes[layout.memberBox[v]]), middle, 0.01) << "member " << v;
  }
}

// A line of 50,000 generations (far beyond any fixed depth; kept below 100,000 so that the
// sanitizer build stays quick): the chart has a row for each man and the GEDCOM a record.
TEST_F(ChartTest, LineOfFiftyThousandGenerationsIsExportedWhole) {
  load(testing::chainFile(50'000));
  const ChartLayout layout = layoutChart(tree_);
  ASSERT_EQ(layout.boxes.size(), 50'000u);
  EXPECT_EQ(layout.boxes.back().row, 49'999);
  std::string gedcom;
  ASSERT_TRUE(writeGedcom(tree_, GedcomVersion::kV70, gedcom));
  std::size_t records = 0;
  for (std::size_t at = gedcom.find(" INDI\n"); at != std::string::npos;
       at = gedcom.find(" INDI\n", at + 1)) {
    ++records;
  }
  EXPECT_EQ(records, 50'000u);
}

// --- GEDCOM

TEST(GedcomExport, DateConversionRejectsWhatIsNotARealDate) {
  EXPECT_EQ(gedcomDate("17830216"), "16 FEB 1783");
  EXPECT_EQ(gedcomDate("20001231"), "31 DEC 2000");
  EXPECT_EQ(gedcomDate("20000229"), "29 FEB 2000");  // divisible by 400: a leap year
  EXPECT_EQ(gedcomDate("00010101"), "1 JAN 1");
  for (const char* bad : {"18000229", "17830229", "17831301", "17830001", "17830100", "17830431",
                          "00000101", "1783021", "178302161", "1783O216", "        ", ""}) {
    EXPECT_EQ(gedcomDate(bad), "") << bad;
  }
}

}  // namespace
}  // namespace quillet
