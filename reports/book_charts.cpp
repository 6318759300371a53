// The book's 世系图: bands of charts, cut into pieces a page wide, pieces stacked on pages, the
// references between them, and the chart pages drawn (book_layout.h, book_plan.h).
#include <algorithm>

#include "reports/book_plan.h"
#include "reports/book_text.h"

namespace quillet {

using book::Band;
using book::ChartNode;
using book::Cut;
using book::Piece;
using platform::Page;
using platform::PageColour;
using platform::textWidth;

namespace {

using book::kBoxPadding;
using book::kBoxWidth;
using book::kMaxBoxHeight;
using book::kNameSize;
using book::kReferenceSize;
using book::kWifeSize;
constexpr double kLineSpacing = book::kBoxLineSpacing;
constexpr double kLabelSize = book::kSecondSize;
// Wide enough for a name of three characters at kNameSize and 配 with a name at kWifeSize; a
// reference longer than a line goes on the next.
constexpr double kInnerWidth = kBoxWidth - 2 * kBoxPadding + 1;
constexpr int kLeafUnits = 2;
constexpr int kGapUnits = 1;  // between two charts side by side

// A reference of a box: 见第4页, 见第4、5页, 见第4至9页; 承第3页; 接上.
void addReferenceRuns(std::vector<book::Run>& runs, const char* word, int first, int last,
                      PageColour colour) {
  auto run = [&](std::string gbk, int page) {
    book::Run made;
    made.gbk = std::move(gbk);
    made.size = kReferenceSize;
    made.colour = colour;
    if (page > 0) {
      made.reference = book::Run::Reference::kPage;
      made.target = page;
      made.digits = static_cast<int>(book::number(page).size());
    }
    runs.push_back(std::move(made));
  };
  run(std::string(word) + "第", 0);
  run("", first);
  if (last > first) {
    run(last == first + 1 ? "、" : "至", 0);
    run("", last);
  }
  run("页", 0);
}

}  // namespace

// Lays out the charts of one band side by side, each head's descendants down to the band's last
// row, every subtree over an interval of units (a box without children below it in the band
// takes a leaf's units), a father centred over his children; then cuts the band into pieces.
static void layBand(BookLayout::Plan& plan, int bandIndex, std::vector<Cut>& cuts, int& width) {
  Band& band = plan.bands[static_cast<std::size_t>(bandIndex)];
  const bool headed = bandIndex > 0;
  const int lastRow = plan.options.generationsPerPage - 1;
  struct Open {
    int node;
    int next, end;  // in plan.sortedChildren
  };
  std::vector<Open> stack;
  int at = 0;
  for (std::size_t h = 0; h < band.heads.size(); ++h) {
    if (h > 0) at += kGapUnits;
    auto open = [&](int member, int parent, int row) {
      ChartNode node;
      node.member = member;
      node.parent = parent;
      node.row = row;
      node.start = at;
      node.head = parent < 0 && headed;
      band.nodes.push_back(node);
      const int index = static_cast<int>(band.nodes.size()) - 1;
      if (node.head) plan.headNode[static_cast<std::size_t>(member)] = {bandIndex, index};
      const int first = plan.childStart[static_cast<std::size_t>(member)];
      const int end = row < lastRow ? plan.childStart[static_cast<std::size_t>(member) + 1] : first;
      stack.push_back({index, first, end});
    };
    open(band.heads[h], -1, 0);
    while (!stack.empty()) {
      Open& top = stack.back();
      if (top.next < top.end) {
        const int child = plan.sortedChildren[static_cast<std::size_t>(top.next++)];
        open(child, top.node, band.nodes[static_cast<std::size_t>(top.node)].row + 1);
        continue;
      }
      ChartNode& node = band.nodes[static_cast<std::size_t>(top.node)];
      const bool leaf =
          top.end == plan.childStart[static_cast<std::size_t>(node.member)] || node.row == lastRow;
      if (leaf) {
        at += kLeafUnits;
        // The fathers whose blocks go on past this box are those still waiting for children.
        int parted = 0;
        for (std::size_t i = 0; i + 1 < stack.size(); ++i) {
          if (stack[i].next < stack[i].end) parted = static_cast<int>(i) + 1;
        }
        cuts.push_back({at, parted, parted == 0});
      }
      node.end = at;
      stack.pop_back();
    }
  }
  // Children lists, in order: pre-order lists each father's children in order.
  for (const ChartNode& node : band.nodes) {
    if (node.parent >= 0) ++band.nodes[static_cast<std::size_t>(node.parent)].childCount;
  }
  int next = 0;
  for (ChartNode& node : band.nodes) {
    node.firstChild = next;
    next += node.childCount;
    node.childCount = 0;
  }
  band.children.assign(static_cast<std::size_t>(next), 0);
  for (std::size_t i = 0; i < band.nodes.size(); ++i) {
    const int parent = band.nodes[i].parent;
    if (parent < 0) continue;
    ChartNode& father = band.nodes[static_cast<std::size_t>(parent)];
    band.children[static_cast<std::size_t>(father.firstChild + father.childCount++)] =
        static_cast<int>(i);
  }
  width = at;
}

// Cuts the band into pieces of at most `geometry.units` units, always between boxes. A piece ends
// where it parts the fewest fathers from children among the cuts that fill at least three fifths
// of it (between two charts parts nobody), the furthest of those; else at the furthest cut.
static void sliceBand(BookLayout::Plan& plan, int bandIndex, const std::vector<Cut>& cuts,
                      int width) {
  Band& band = plan.bands[static_cast<std::size_t>(bandIndex)];
  const int capacity = plan.geometry.units;
  band.firstPiece = static_cast<int>(plan.pieces.size());
  std::size_t c = 0;
  int start = 0;
  while (start < width) {
    int end = width;
    bool chartEnd = true;
    if (width - start > capacity) {
      while (c < cuts.size() && cuts[c].at <= start) ++c;
      const Cut* best = nullptr;
      const Cut* furthest = nullptr;
      for (std::size_t i = c; i < cuts.size() && cuts[i].at <= start + capacity; ++i) {
        furthest = &cuts[i];
        if (cuts[i].at * 5 < start * 5 + capacity * 3) continue;
        if (best == nullptr || cuts[i].parted <= best->parted) best = &cuts[i];
      }
      if (best == nullptr) best = furthest;
      // A leaf takes fewer units than a piece, so a cut always follows the piece's first box.
      end = best->at;
      chartEnd = best->chartEnd;
    }
    Piece piece;
    piece.band = bandIndex;
    piece.start = start;
    piece.end = end;
    plan.pieces.push_back(piece);
    start = chartEnd ? end + kGapUnits : end;
  }
  band.endPiece = static_cast<int>(plan.pieces.size());
  // Each node's piece: where its interval starts.
  int p = band.firstPiece;
  for (std::size_t n = 0; n < band.nodes.size(); ++n) {
    ChartNode& node = band.nodes[n];
    while (p + 1 < band.endPiece &&
           plan.pieces[static_cast<std::size_t>(p + 1)].start <= node.start) {
      ++p;
    }
    node.piece = p;
    Piece& piece = plan.pieces[static_cast<std::size_t>(p)];
    if (piece.endNode == 0) piece.firstNode = static_cast<int>(n);
    piece.endNode = static_cast<int>(n) + 1;
    piece.rows = std::max(piece.rows, node.row + 1);
  }
}

void BookLayout::Plan::planCharts() {
  const int step = options.generationsPerPage - 1;
  const book::Geometry& g = geometry;
  const double maxBox = kMaxBoxHeight;
  headNode.assign(clan.size(), {-1, -1});
  std::vector<int> heads = {0};
  // Pieces stack on pages band by band: a band starts a page.
  int page = firstChartPage() - 1;
  while (!heads.empty()) {
    const int index = static_cast<int>(bands.size());
    bands.emplace_back();
    bands.back().top = index * step;
    bands.back().heads = std::move(heads);
    std::vector<Cut> cuts;
    int width = 0;
    layBand(*this, index, cuts, width);
    sliceBand(*this, index, cuts, width);
    Band& band = bands.back();
    double used = g.bodyBottom - g.bodyTop + 1;  // a new page first
    for (int p = band.firstPiece; p < band.endPiece; ++p) {
      Piece& piece = pieces[static_cast<std::size_t>(p)];
      const double height = (piece.rows - 1) * g.pitch + maxBox;
      if (used > 0 && used + height > g.bodyBottom - g.bodyTop) {
        ++page;
        pageFirstPiece.push_back(p);
        used = 0;
      }
      piece.page = page;
      piece.top = g.bodyTop + used;
      used += height + g.pieceGap;
    }
    // The next band's heads: the members of this band's last row that have children, left to
    // right.
    heads.clear();
    for (const ChartNode& node : band.nodes) {
      const std::size_t m = static_cast<std::size_t>(node.member);
      if (node.row == step && childStart[m + 1] > childStart[m]) heads.push_back(node.member);
    }
  }
  chartPages = page - firstChartPage() + 1;
  pageFirstPiece.push_back(static_cast<int>(pieces.size()));

  // References: each box names the pages where its line goes on.
  ownPage.assign(clan.size(), 0);
  auto pageOfUnit = [this](const Band& band, int unit) {
    int lo = band.firstPiece, hi = band.endPiece - 1;
    while (lo < hi) {
      const int mid = (lo + hi + 1) / 2;
      if (pieces[static_cast<std::size_t>(mid)].start <= unit)
        lo = mid;
      else
        hi = mid - 1;
    }
    return pieces[static_cast<std::size_t>(lo)].page;
  };
  for (Band& band : bands) {
    for (ChartNode& node : band.nodes) {
      const int own = pieces[static_cast<std::size_t>(node.piece)].page;
      const int last = pageOfUnit(band, node.end - 1);
      if (last > own) {
        node.seeFirst = own + 1;
        node.seeLast = last;
      }
      if (!node.head) ownPage[static_cast<std::size_t>(node.member)] = own;
    }
  }
  for (Band& band : bands) {
    for (ChartNode& node : band.nodes) {
      const auto [headBand, headIndex] = headNode[static_cast<std::size_t>(node.member)];
      if (node.head) {
        node.fromPage = ownPage[static_cast<std::size_t>(node.member)];
      } else if (headBand >= 0) {
        const Band& next = bands[static_cast<std::size_t>(headBand)];
        const ChartNode& head = next.nodes[static_cast<std::size_t>(headIndex)];
        node.seeFirst = pieces[static_cast<std::size_t>(head.piece)].page;
        node.seeLast = pageOfUnit(next, head.end - 1);
      }
    }
  }
}

namespace {

// The nodes whose boxes a piece shows: first the stubs, the fathers above its first box whose
// children go on here (`stubs` of them, from the top), then its own nodes.
std::vector<int> shownNodes(const Band& band, const Piece& piece, int& stubs) {
  std::vector<int> shown;
  for (int n = band.nodes[static_cast<std::size_t>(piece.firstNode)].parent; n >= 0;
       n = band.nodes[static_cast<std::size_t>(n)].parent) {
    shown.push_back(n);
  }
  std::reverse(shown.begin(), shown.end());
  stubs = static_cast<int>(shown.size());
  for (int n = piece.firstNode; n < piece.endNode; ++n) shown.push_back(n);
  return shown;
}

// A box's references (承第M页 or 接上, then 见第N页), each broken into centred lines from `y`
// down, on page `number`; `y` ends below them.
void drawBoxReferences(const BookLayout::Plan& plan, const BookBox& box, bool stub, int number,
                       PageColour ink, double centre, double& y, Page& d) {
  std::vector<book::Run> runs;
  std::vector<book::Line> lines;
  if (box.fromPage != 0) {
    if (stub && box.fromPage == number) {
      book::Run run;
      run.gbk = "接上";
      run.size = kReferenceSize;
      run.colour = ink;
      runs.push_back(std::move(run));
    } else {
      addReferenceRuns(runs, "承", box.fromPage, box.fromPage, ink);
    }
  }
  const std::size_t see = runs.size();
  if (box.seeFirst != 0) addReferenceRuns(runs, "见", box.seeFirst, box.seeLast, ink);
  book::breakLines(runs, 0, see, kInnerWidth, 0, 0, kLineSpacing, lines);
  book::breakLines(runs, see, runs.size(), kInnerWidth, 0, 0, kLineSpacing, lines);
  for (const book::Line& line : lines) {
    // Centred: the line's length as drawn.
    double length = 0;
    for (const book::Span& span : line.spans) {
      const book::Run& run = runs[static_cast<std::size_t>(span.run)];
      std::string text = run.gbk.substr(span.begin, span.end - span.begin);
      if (run.reference != book::Run::Reference::kNone) text += book::number(run.target);
      length += textWidth(text, run.size);
    }
    book::drawLine(plan, runs, line, centre - length / 2, y, d);
    y += line.height;
  }
}

// The box of `node` in `piece` (a stub when `stub`), drawn on page `number`: the name, the
// wives, the references and the frame. `chartLeft` is where the piece's first unit begins.
BookBox drawChartBox(const BookLayout::Plan& plan, const ChartNode& node, const Piece& piece,
                     bool stub, double chartLeft, double unit, int number, Page& d) {
  const ClanMember& member = plan.clan[static_cast<std::size_t>(node.member)];
  BookBox box;
  box.kind = stub        ? BookBox::Kind::kStub
             : node.head ? BookBox::Kind::kHead
                         : BookBox::Kind::kMember;
  box.member = node.member;
  box.row = node.row;
  const double a = std::max(node.start, piece.start), z = std::min(node.end, piece.end);
  const double centre = chartLeft + ((a + z) / 2 - piece.start) * unit;
  box.x = centre - kBoxWidth / 2;
  box.y = piece.top + node.row * plan.geometry.pitch;
  box.width = kBoxWidth;
  if (stub) {
    box.fromPage = node.head ? plan.pieces[static_cast<std::size_t>(node.piece)].page
                             : plan.ownPage[static_cast<std::size_t>(node.member)];
  } else {
    box.fromPage = node.fromPage;
    box.seeFirst = node.seeFirst;
    box.seeLast = node.seeLast;
  }
  const bool hidden =
      plan.memberShown[static_cast<std::size_t>(node.member)] == book::Shown::kHidden;
  double y = box.y + kBoxPadding;
  const PageColour ink = stub ? book::kGrey : book::kBlack;
  book::addCentred(d, centre, y + 0.88 * kNameSize + 0.1 * kNameSize, kNameSize,
                   plan.printedName(node.member), ink, !hidden);
  y += kLineSpacing * kNameSize;
  for (int slot = 0; slot < 2 && !stub; ++slot) {
    if (member.wives[slot] == nullptr) continue;
    book::addCentred(d, centre, y + 0.88 * kWifeSize + 0.1 * kWifeSize, kWifeSize,
                     "配" + plan.printedWifeName(node.member, slot), book::kWifeColour);
    y += kLineSpacing * kWifeSize;
  }
  drawBoxReferences(plan, box, stub, number, ink, centre, y, d);
  box.height = y + kBoxPadding - box.y;
  platform::PageRect rect{box.x, box.y, box.width, box.height, 0.8, ink};
  if (box.kind != BookBox::Kind::kMember) rect.fill = book::kRepeatFill;
  rect.dashed = member.person->sex == 'f';
  d.rects.push_back(rect);
  return box;
}

// Lines: from each father down to a bar over his children, and down from it to each child. The
// boxes of `shown` (stubs first) begin at `firstBox` of the page's boxes.
void drawChartLinks(const Band& band, const Piece& piece, const std::vector<int>& shown, int stubs,
                    int firstBox, double pitch, BookPage& page) {
  Page& d = page.drawing;
  const auto boxOf = [&](int node) {
    if (node >= piece.firstNode) return firstBox + stubs + (node - piece.firstNode);
    return firstBox +
           static_cast<int>(std::find(shown.begin(), shown.begin() + stubs, node) - shown.begin());
  };
  const double maxBox = kMaxBoxHeight;
  for (int i = 0; i < static_cast<int>(shown.size()); ++i) {
    const ChartNode& node =
        band.nodes[static_cast<std::size_t>(shown[static_cast<std::size_t>(i)])];
    const BookBox father = page.boxes[static_cast<std::size_t>(firstBox + i)];
    double low = father.x + kBoxWidth / 2, high = low;
    const double bar = father.y + maxBox + (pitch - maxBox) / 2;
    bool any = false;
    for (int c = 0; c < node.childCount; ++c) {
      const int childNode = band.children[static_cast<std::size_t>(node.firstChild + c)];
      const ChartNode& child = band.nodes[static_cast<std::size_t>(childNode)];
      if (child.end <= piece.start || child.start >= piece.end) continue;
      const int childBox = boxOf(childNode);
      const BookBox& box = page.boxes[static_cast<std::size_t>(childBox)];
      const double x = box.x + kBoxWidth / 2;
      book::addLine(d, x, bar, x, box.y);
      low = std::min(low, x);
      high = std::max(high, x);
      page.links.push_back({firstBox + i, childBox});
      any = true;
    }
    if (!any) continue;
    const double x = father.x + kBoxWidth / 2;
    book::addLine(d, x, father.y + father.height, x, bar);
    if (high > low) book::addLine(d, low, bar, high, bar);
  }
}

// One piece of a chart page: the generations at the left, its boxes and their lines. `left` is
// the text area's left edge, `unit` a unit's width.
void drawChartPiece(BookLayout::Plan& plan, const Band& band, const Piece& piece, double left,
                    double unit, BookPage& page) {
  const book::Geometry& g = plan.geometry;
  Page& d = page.drawing;
  // A piece narrower than the page stands in its middle.
  const double chartLeft = left + g.labelWidth + (g.units - (piece.end - piece.start)) * unit / 2;
  // The generations at the left.
  for (int r = 0; r < piece.rows; ++r) {
    book::addText(d, left, piece.top + r * g.pitch + kBoxPadding + kNameSize, kLabelSize,
                  generationName(band.top + r), book::kGrey);
  }
  int stubs = 0;
  const std::vector<int> shown = shownNodes(band, piece, stubs);
  const int firstBox = static_cast<int>(page.boxes.size());
  for (int i = 0; i < static_cast<int>(shown.size()); ++i) {
    const ChartNode& node =
        band.nodes[static_cast<std::size_t>(shown[static_cast<std::size_t>(i)])];
    page.boxes.push_back(
        drawChartBox(plan, node, piece, i < stubs, chartLeft, unit, page.number, d));
    if (page.boxes.back().kind == BookBox::Kind::kMember) ++plan.stepsDone;
  }
  drawChartLinks(band, piece, shown, stubs, firstBox, g.pitch, page);
}

}  // namespace

void BookLayout::Plan::makeChart(BookPage& page, int chartPage) {
  const book::Geometry& g = geometry;
  Page& d = page.drawing;
  const int number = page.number;
  const int firstPiece = pageFirstPiece[static_cast<std::size_t>(chartPage)];
  const int endPiece = pageFirstPiece[static_cast<std::size_t>(chartPage) + 1];
  const Band& band =
      bands[static_cast<std::size_t>(pieces[static_cast<std::size_t>(firstPiece)].band)];
  const int bottom = std::min(band.top + options.generationsPerPage - 1, generations - 1);
  const std::string range = generationName(band.top) + "至" + generationName(bottom);
  if (chartPage == 0) d.bookmarks.push_back({0, "世系图", 0});
  if (firstPiece == band.firstPiece) d.bookmarks.push_back({1, range, 0});
  header(d, number, "世系图", range);
  const double left = g.left(number);
  const double unit = (g.textWidth() - g.labelWidth) / g.units;
  for (int p = firstPiece; p < endPiece; ++p) {
    const Piece& piece = pieces[static_cast<std::size_t>(p)];
    drawChartPiece(*this, band, piece, left, unit, page);
    // A thin rule between two pieces on one page.
    if (p + 1 < endPiece) {
      const double y = piece.top + (piece.rows - 1) * g.pitch + kMaxBoxHeight + g.pieceGap / 2;
      book::addLine(d, left, y, left + g.textWidth(), y, 0.3, true);
    }
  }
}

}  // namespace quillet
