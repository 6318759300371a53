// The clan's 世系图 as an SVG picture: one row per generation from the root down, each clan
// member in a box with the name written top to bottom, his wives in boxes beside him, and lines
// from every father to his children in chain order. The dead are drawn grey with a dashed border
// (a legend says so), wives with a red border.
//
// The layout is a tidy tree: Walker's algorithm in the linear-time form of Buchheim, Juenger and
// Leipert, with each member and his wives as one unit of its own width. Subtrees are packed as
// close as their contours allow, so a wide clan stays compact and the picture of a tree is the
// same wherever the subtree stands.
//
// Thread-safety: reads the tree only; safe as long as nobody changes the tree meanwhile.
#pragma once

#include <string>
#include <vector>

#include "core/family_tree.h"
#include "reports/clan_walk.h"

namespace quillet {

// One box of the chart, in SVG user units (pixels), origin at the top left.
struct ChartBox {
  const Person* person = nullptr;
  bool wife = false;
  int member = 0;  // index in ChartLayout::clan of the member (a wife's: her husband)
  int row = 0;     // generation row, 0 for the root
  double x = 0, y = 0, width = 0, height = 0;
};

struct ChartLayout {
  std::vector<ClanMember> clan;  // as collectClan gives it
  // The living: with kName a box names them without their dates, with kHide it says 某 (a wife's
  // 某氏).
  LivingPersons living = LivingPersons::kShow;
  std::vector<ChartBox> boxes;   // each member's box followed by his wives' boxes
  std::vector<int> memberBox;    // index in `boxes` of each clan member's box
  double width = 0, height = 0;  // of the whole picture
};

// Lays the clan out; a tree without root gives an empty layout.
ChartLayout layoutChart(const FamilyTree& tree, LivingPersons living = LivingPersons::kShow);

// The SVG text (UTF-8) of a layout: title, legend, row labels, lines and boxes.
std::string chartSvg(const ChartLayout& layout);

// Both steps; false and `out` empty when the tree has no root.
bool writeChartSvg(const FamilyTree& tree, std::string& out,
                   LivingPersons living = LivingPersons::kShow);

}  // namespace quillet
