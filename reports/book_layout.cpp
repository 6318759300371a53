#include "reports/book_layout.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <utility>

#include "platform/gbk.h"
#include "platform/text_file.h"
#include "reports/person_report.h"
#include "reports/side_text_readers.h"

namespace quillet {
namespace {

using platform::Page;
using platform::PageColour;
using platform::PageLine;
using platform::PageRect;
using platform::PageText;
using platform::textWidth;

// --- Measures, in points ----------------------------------------------------------------------

constexpr PageColour kBlack = 0x000000;
constexpr PageColour kGrey = 0x707070;
constexpr PageColour kWifeColour = 0x7A1F1F;
constexpr PageColour kStubFill = 0xEDEDED;

constexpr double kNameSize = 11;
constexpr double kWifeSize = 8;
constexpr double kReferenceSize = 7;
constexpr double kRowLabelSize = 8.5;
constexpr double kFooterSize = 9;
constexpr double kLineSpacing = 1.25;  // a line's height, in ems
constexpr double kBoxPadding = 3;
// Wide enough for the widest line a box holds: "见第12345页" at kReferenceSize, a name of three
// characters at kNameSize, 配 and a name at kWifeSize.
constexpr double kBoxWidth = 43;
constexpr double kSlot = 48;  // a box and the space to its neighbour
constexpr double kUnit = kSlot / 2;
constexpr int kLeafUnits = 2;
constexpr int kGapUnits = 1;  // between two charts side by side
constexpr double kMaxBoxHeight =
    2 * kBoxPadding + kLineSpacing * (kNameSize + 2 * kWifeSize + 2 * kReferenceSize);

constexpr double kRecordSize = 9;
constexpr double kRecordLine = 1.35 * kRecordSize;
constexpr double kColumnWidth = 250;
constexpr double kGutter = 16;

struct Geometry {
  double width = 0, height = 0;
  double left = 42, right = 28, top = 34, bottom = 40;
  double bodyTop = 0;  // below the page's header
  // Charts.
  int units = 0;  // per page width
  double chartLeft = 0;
  double rowPitch = 0;
  // Records.
  int columns = 0;
  double columnWidth = 0;
};

Geometry geometryOf(const BookOptions& options) {
  Geometry g;
  g.width = options.paper == BookPaper::kA3 ? 841.89 : 595.28;
  g.height = options.paper == BookPaper::kA3 ? 1190.55 : 841.89;
  g.bodyTop = g.top + 26;
  const double usable = g.width - g.left - g.right;
  g.units = static_cast<int>(usable / kUnit);
  g.chartLeft = g.left + (usable - g.units * kUnit) / 2;
  g.rowPitch = (g.height - g.bodyTop - g.bottom - 14) / options.generationsPerPage;
  g.columns = std::max(1, static_cast<int>((usable + kGutter) / (kColumnWidth + kGutter)));
  g.columnWidth = (usable - (g.columns - 1) * kGutter) / g.columns;
  return g;
}

// --- Texts --------------------------------------------------------------------------------------

// A text as it can be printed: GBK characters and printable ASCII kept, any other control byte a
// space, a byte that starts no GBK character '?'.
std::string printable(std::string_view gbk) {
  std::string out;
  out.reserve(gbk.size());
  for (std::size_t i = 0; i < gbk.size();) {
    const std::size_t length = platform::gbkCharLength(gbk.substr(i));
    if (length == 2) {
      out.append(gbk.substr(i, 2));
      i += 2;
      continue;
    }
    const unsigned char c = static_cast<unsigned char>(gbk[i]);
    out += length == 0 ? '?' : (c < 0x20 || c == 0x7F) ? ' ' : gbk[i];
    ++i;
  }
  return out;
}

// A name key as printed in a box: without the padding spaces.
std::string nameOf(const Person& person) {
  std::string_view name = keyText(person.name);
  while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
  return printable(name);
}

std::string surnameOf(const Person& person) {
  const std::string name = nameOf(person);
  const std::size_t length = platform::gbkCharLength(name);
  return name.substr(0, length == 0 ? 1 : length);
}

std::string number(long value) { return std::to_string(value); }

std::string generationText(int generation) { return "第" + number(generation) + "代"; }

// True for the punctuation that must not begin a line (it closes what stands before it).
bool closesLine(std::string_view character) {
  static constexpr std::string_view kClosing[] = {"，", "。", "、", "；", "：", "！", "？",
                                                  "）", "”",  "’",  "」", "』", "》"};
  for (std::string_view closing : kClosing) {
    if (character == closing) return true;
  }
  return character.size() == 1 &&
         std::string_view(",.;:!?)").find(character[0]) != std::string_view::npos;
}

// Cuts `gbk` into lines at most `width` points wide at `size`, between characters; closing
// punctuation stays at the end of its line even where it reaches past the width by a character.
void wrap(std::string_view gbk, double size, double width, std::vector<std::string>& lines) {
  std::string line;
  double used = 0;
  for (std::size_t i = 0; i < gbk.size();) {
    const std::size_t length = std::max<std::size_t>(1, platform::gbkCharLength(gbk.substr(i)));
    const double w = (length == 2 ? 1.0 : 0.5) * size;
    if (used + w > width && !line.empty() && !closesLine(gbk.substr(i, length))) {
      lines.push_back(std::move(line));
      line.clear();
      used = 0;
    }
    line.append(gbk.substr(i, length));
    used += w;
    i += length;
  }
  lines.push_back(std::move(line));
}

void addText(Page& page, double x, double baseline, double size, std::string gbk,
             PageColour colour = kBlack) {
  page.texts.push_back(PageText{x, baseline, size, std::move(gbk), colour});
}

void addCentred(Page& page, double centre, double baseline, double size, std::string gbk,
                PageColour colour = kBlack) {
  const double x = centre - textWidth(gbk, size) / 2;
  addText(page, x, baseline, size, std::move(gbk), colour);
}

void addLine(Page& page, double x1, double y1, double x2, double y2, double width = 0.6,
             bool dotted = false) {
  page.lines.push_back(PageLine{x1, y1, x2, y2, width, kBlack, dotted});
}

// The baseline of a line of text whose top is `top`.
double baselineBelow(double top, double size) { return top + 0.95 * size; }

}  // namespace

// --- The plan -----------------------------------------------------------------------------------

// One place of a member in a band's charts: his own box, or his box heading the band.
struct ChartNode {
  int member = 0;
  int parent = -1;  // node of the father in the same band; -1 at the top of a chart
  int row = 0;
  int start = 0, end = 0;              // the units below him, from the band's left end
  int firstChild = 0, childCount = 0;  // in Band::children
  int page = 0;                        // chart page (from 0) where his box stands
  int seePage = -1;                    // chart page of 见第N页, or -1
  int fromPage = -1;                   // chart page of 承第M页, or -1
  bool head = false;
};

// A boundary between two boxes of the bottom-most rows where a page may end, and the fathers
// whose children it would part.
struct Cut {
  int at = 0;
  int parted = 0;
  bool chartEnd = false;  // between two charts: the next page starts after the gap
};

struct Band {
  int top = 0;                   // generation of row 0
  std::vector<ChartNode> nodes;  // pre-order, so by start
  std::vector<int> children;
  std::vector<int> pageStart, pageEnd;  // units, one pair per page
  int firstPage = 0;                    // chart page (from 0)
};

struct BookLayout::Plan {
  BookOptions options;
  Geometry geometry;
  std::vector<ClanMember> clan;
  std::size_t wives = 0;
  int generations = 0;
  std::vector<Band> bands;
  std::vector<std::pair<int, int>> ownNode;   // member -> (band, node) of his own box
  std::vector<std::pair<int, int>> headNode;  // member -> (band, node) heading a band, or (-1,-1)
  int chartPages = 0;
  int contentsPages = 1;
  int contentsPerPage = 0;
  std::string title;  // 《X氏家谱》

  // Page making.
  int nextNumber = 1;
  std::size_t stepsDone = 0;
  // Records: band, page of the band, place in that page's order, and the lines of the record
  // being laid out.
  struct RecordCursor {
    int band = 0, page = 0;
    std::vector<int> order;  // nodes of the page in reading order
    std::size_t next = 0;
    std::size_t scan = 0;  // the band's first node on a page not yet read
    bool loaded = false;
  } records;
  struct RecordLine {
    std::string gbk;
    std::string note;  // printed after the text, small and grey (headings)
    double size = kRecordSize;
    double indent = 0;
    bool heading = false;
    const Person* person = nullptr;  // headings: whose record begins
  };
  std::vector<RecordLine> pending;  // lines of the records laid out last
  std::size_t pendingNext = 0;      // the first of them not yet placed

  int absolutePage(int chartPage) const { return firstChartPage() + chartPage; }
  int firstChartPage() const { return 2 + contentsPages; }
  int firstRecordPage() const { return firstChartPage() + chartPages; }

  void planBands();
  void planBand(int bandIndex, const std::vector<int>& heads);
  void sliceBand(Band& band, const std::vector<Cut>& cuts, int width);
  std::vector<int> sortedChildren(int member) const;

  void makeCover(BookPage& page) const;
  void makeContents(BookPage& page, int index) const;
  void makeChart(BookPage& page, int chartPage);
  bool makeRecords(BookPage& page);
  bool fillPending();
  void appendRecord(const Person& person, bool wife, int chartPage, int generation);
  void header(Page& page, std::string_view title, std::string_view subtitle) const;
  void footer(Page& page, int number) const;
};

std::vector<int> BookLayout::Plan::sortedChildren(int member) const {
  std::vector<int> children = clan[static_cast<std::size_t>(member)].children;
  std::stable_sort(children.begin(), children.end(), [this](int a, int b) {
    return std::strcmp(clan[static_cast<std::size_t>(a)].person->birthDate.data(),
                       clan[static_cast<std::size_t>(b)].person->birthDate.data()) < 0;
  });
  return children;
}

// Lays out the charts of one band side by side, each head's descendants down to the band's last
// row, every subtree over an interval of units (a box without children below it in the band
// takes one slot), a father centred over his children; then cuts the band into pages.
void BookLayout::Plan::planBand(int bandIndex, const std::vector<int>& heads) {
  Band& band = bands[static_cast<std::size_t>(bandIndex)];
  const bool headed = bandIndex > 0;
  const int lastRow = options.generationsPerPage - 1;
  std::vector<Cut> cuts;
  struct Open {
    int node;
    std::vector<int> children;
    std::size_t next = 0;
  };
  std::vector<Open> stack;
  int at = 0;
  for (std::size_t h = 0; h < heads.size(); ++h) {
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
      (node.head ? headNode : ownNode)[static_cast<std::size_t>(member)] = {bandIndex, index};
      stack.push_back({index, row < lastRow ? sortedChildren(member) : std::vector<int>{}, 0});
    };
    open(heads[h], -1, 0);
    while (!stack.empty()) {
      Open& top = stack.back();
      if (top.next < top.children.size()) {
        const int child = top.children[top.next++];
        open(child, top.node, band.nodes[static_cast<std::size_t>(top.node)].row + 1);
        continue;
      }
      ChartNode& node = band.nodes[static_cast<std::size_t>(top.node)];
      if (top.children.empty()) {
        at += kLeafUnits;
        // The fathers whose blocks go on past this box are those still waiting for children.
        int parted = 0;
        for (std::size_t i = 0; i + 1 < stack.size(); ++i) {
          if (stack[i].next < stack[i].children.size()) parted = static_cast<int>(i) + 1;
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
  sliceBand(band, cuts, at);
}

// Cuts the band into pages of at most `geometry.units` units, always between boxes. A page ends
// where it parts the fewest fathers from children among the cuts that fill at least three fifths
// of it (between two charts parts nobody), the furthest of those; else at the furthest cut.
void BookLayout::Plan::sliceBand(Band& band, const std::vector<Cut>& cuts, int width) {
  const int capacity = geometry.units;
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
      // A leaf takes fewer units than a page, so a cut always follows the page's first box.
      end = best->at;
      chartEnd = best->chartEnd;
    }
    band.pageStart.push_back(start);
    band.pageEnd.push_back(end);
    start = chartEnd ? end + kGapUnits : end;
  }
  // Each node's page: the page where its interval starts; a node whose interval goes on past
  // that page is continued on the next one.
  std::size_t page = 0;
  for (ChartNode& node : band.nodes) {
    while (page + 1 < band.pageStart.size() && band.pageStart[page + 1] <= node.start) ++page;
    node.page = band.firstPage + static_cast<int>(page);
    if (node.end > band.pageEnd[page]) node.seePage = node.page + 1;
  }
}

void BookLayout::Plan::planBands() {
  const int step = options.generationsPerPage - 1;
  std::vector<int> heads = {0};
  while (!heads.empty()) {
    const int index = static_cast<int>(bands.size());
    bands.emplace_back();
    Band& band = bands.back();
    band.top = index * step;
    band.firstPage = chartPages;
    planBand(index, heads);
    chartPages += static_cast<int>(band.pageStart.size());
    // A head's two boxes refer to each other.
    for (ChartNode& node : band.nodes) {
      if (!node.head) continue;
      const auto [ownBand, ownIndex] = ownNode[static_cast<std::size_t>(node.member)];
      ChartNode& own =
          bands[static_cast<std::size_t>(ownBand)].nodes[static_cast<std::size_t>(ownIndex)];
      own.seePage = node.page;
      node.fromPage = own.page;
    }
    // The next band's heads: the members of this band's last row that have children, left to
    // right.
    heads.clear();
    for (const ChartNode& node : band.nodes) {
      if (node.row == step && !clan[static_cast<std::size_t>(node.member)].children.empty()) {
        heads.push_back(node.member);
      }
    }
  }
}

// --- Pages --------------------------------------------------------------------------------------

void BookLayout::Plan::header(Page& page, std::string_view title, std::string_view subtitle) const {
  const Geometry& g = geometry;
  const double baseline = g.top + 14;
  addText(page, g.left, baseline, 14, std::string(title));
  if (!subtitle.empty()) {
    addText(page, g.left + textWidth(title, 14) + 10, baseline, 10, std::string(subtitle));
  }
  addText(page, g.width - g.right - textWidth(this->title, 9), baseline, 9, this->title, kGrey);
  addLine(page, g.left, g.top + 20, g.width - g.right, g.top + 20, 0.8);
}

void BookLayout::Plan::footer(Page& page, int number) const {
  addCentred(page, geometry.width / 2, geometry.height - geometry.bottom + 18, kFooterSize,
             "第" + std::to_string(number) + "页");
}

void BookLayout::Plan::makeCover(BookPage& page) const {
  Page& d = page.drawing;
  const Geometry& g = geometry;
  const double centre = g.width / 2;
  d.rects.push_back(PageRect{36, 36, g.width - 72, g.height - 72, 1.6});
  d.rects.push_back(PageRect{42, 42, g.width - 84, g.height - 84, 0.5});
  const double titleSize = g.width / 15;
  addCentred(d, centre, g.height * 0.36, titleSize, title);
  addCentred(d, centre, g.height * 0.36 + titleSize * 1.4, 14, "始祖　" + nameOf(*clan[0].person));
  addCentred(d, centre, g.height * 0.36 + titleSize * 1.4 + 30, 12,
             "本谱收录" + number(static_cast<long>(clan.size() + wives)) + "人（族人" +
                 number(static_cast<long>(clan.size())) + "人，配偶" +
                 number(static_cast<long>(wives)) + "人），凡" + number(generations) + "代");
  if (!options.madeOn.empty()) {
    addCentred(d, centre, g.height * 0.8, 12, printable(options.madeOn) + "　编印");
  }
}

void BookLayout::Plan::makeContents(BookPage& page, int index) const {
  Page& d = page.drawing;
  const Geometry& g = geometry;
  header(d, "目录", "");
  double y = g.bodyTop + 14;
  if (index == 0) {
    addCentred(d, g.width / 2, y + 10, 18, "目　　录");
    y += 40;
  }
  const int entries = static_cast<int>(bands.size()) + 1;
  const int first = index * contentsPerPage;
  const int last = std::min(entries, first + contentsPerPage);
  const int lastGeneration = generations - 1;
  for (int e = first; e < last; ++e, y += 22) {
    std::string text, pageText;
    if (e < static_cast<int>(bands.size())) {
      const Band& band = bands[static_cast<std::size_t>(e)];
      const int bottom = std::min(band.top + options.generationsPerPage - 1, lastGeneration);
      text = "世系图　" + generationText(band.top) + "至" + generationText(bottom);
      pageText = number(absolutePage(band.firstPage));
    } else {
      text = "世系录";
      pageText = number(firstRecordPage());
    }
    const double left = g.left + 20;
    const double right = g.width - g.right - 20;
    addText(d, left, y, 11, text);
    const double numberX = right - textWidth(pageText, 11);
    addText(d, numberX, y, 11, pageText);
    addLine(d, left + textWidth(text, 11) + 6, y, numberX - 6, y, 0.9, true);
  }
  if (last < entries) return;
  // The key, below the last entries.
  y += 20;
  addText(d, g.left + 20, y, 12, "凡例");
  const std::string generationsText = number(options.generationsPerPage);
  const std::string key[] = {
      "一、世系图每页" + generationsText +
          "代，自上而下，父子以线相连，兄弟姊妹按出生先后自左而右。",
      "二、实线框为本族男子，虚线框为本族女子；男子名下“配”字后为其妻。",
      "三、“见第N页”：其后代续见第N页；“承第M页”：其人已见于第M页，重出于此以接续其后代。"
      "灰底框为前页之人，重出于页首。",
      "四、一图之末代有后者，为下一图之首。",
      "五、世系录依世系图之次序，录每一族人之详细信息及其传记，妻附于夫后。"};
  y += 8;
  for (const std::string& paragraph : key) {
    std::vector<std::string> lines;
    wrap(paragraph, 9.5, g.width - g.left - g.right - 40, lines);
    for (std::string& line : lines) {
      y += 9.5 * 1.5;
      addText(d, g.left + 20, y, 9.5, std::move(line));
    }
  }
}

void BookLayout::Plan::makeChart(BookPage& page, int chartPage) {
  const Geometry& g = geometry;
  Page& d = page.drawing;
  // The band and the page of it.
  std::size_t b = 0;
  while (b + 1 < bands.size() && bands[b + 1].firstPage <= chartPage) ++b;
  const Band& band = bands[b];
  const std::size_t p = static_cast<std::size_t>(chartPage - band.firstPage);
  const int start = band.pageStart[p], end = band.pageEnd[p];
  const int rows = options.generationsPerPage;
  const int bottom = std::min(band.top + rows - 1, generations - 1);
  header(d, "世系图", generationText(band.top) + "至" + generationText(bottom));
  for (int r = 0; band.top + r <= bottom; ++r) {
    addText(d, 8, g.bodyTop + r * g.rowPitch + 12, kRowLabelSize, generationText(band.top + r),
            kGrey);
  }

  // The nodes whose boxes start on this page, and above the first of them the fathers whose
  // children go on here (the ancestors that started on an earlier page).
  auto firstAt = [&](int unit) {
    return static_cast<int>(
        std::lower_bound(band.nodes.begin(), band.nodes.end(), unit,
                         [](const ChartNode& node, int u) { return node.start < u; }) -
        band.nodes.begin());
  };
  const int first = firstAt(start), last = firstAt(end);
  std::vector<int> shown;
  for (int n = band.nodes[static_cast<std::size_t>(first)].parent; n >= 0;
       n = band.nodes[static_cast<std::size_t>(n)].parent) {
    shown.push_back(n);
  }
  std::reverse(shown.begin(), shown.end());
  const int stubs = static_cast<int>(shown.size());
  for (int n = first; n < last; ++n) shown.push_back(n);
  auto boxOf = [&](int node) {
    if (node >= first) return stubs + (node - first);
    return static_cast<int>(std::find(shown.begin(), shown.begin() + stubs, node) - shown.begin());
  };

  for (int i = 0; i < static_cast<int>(shown.size()); ++i) {
    const ChartNode& node =
        band.nodes[static_cast<std::size_t>(shown[static_cast<std::size_t>(i)])];
    const ClanMember& member = clan[static_cast<std::size_t>(node.member)];
    BookBox box;
    box.kind = i < stubs   ? BookBox::Kind::kStub
               : node.head ? BookBox::Kind::kHead
                           : BookBox::Kind::kMember;
    box.member = node.member;
    box.row = node.row;
    const double a = std::max(node.start, start), z = std::min(node.end, end);
    const double centre = g.chartLeft + ((a + z) / 2 - start) * kUnit;
    box.x = centre - kBoxWidth / 2;
    box.y = g.bodyTop + node.row * g.rowPitch;
    box.width = kBoxWidth;
    const bool stub = box.kind == BookBox::Kind::kStub;
    if (stub) {
      box.fromPage = absolutePage(node.page);
    } else {
      if (node.fromPage >= 0) box.fromPage = absolutePage(node.fromPage);
      if (node.seePage >= 0) box.seePage = absolutePage(node.seePage);
    }
    // Its lines: the name, the wives, the references.
    double y = box.y + kBoxPadding;
    const PageColour ink = stub ? kGrey : kBlack;
    addCentred(d, centre, baselineBelow(y, kNameSize), kNameSize, nameOf(*member.person), ink);
    y += kLineSpacing * kNameSize;
    for (const Person* wife : member.wives) {
      if (wife == nullptr || stub) continue;
      addCentred(d, centre, baselineBelow(y, kWifeSize), kWifeSize, "配" + nameOf(*wife),
                 kWifeColour);
      y += kLineSpacing * kWifeSize;
    }
    const std::pair<int, const char*> references[] = {{box.fromPage, "承"}, {box.seePage, "见"}};
    for (const auto& [pageNumber, word] : references) {
      if (pageNumber == 0) continue;
      addCentred(d, centre, baselineBelow(y, kReferenceSize), kReferenceSize,
                 std::string(word) + "第" + number(pageNumber) + "页", ink);
      y += kLineSpacing * kReferenceSize;
    }
    box.height = y + kBoxPadding - box.y;
    PageRect rect{box.x, box.y, box.width, box.height, 0.8, ink};
    if (stub) rect.fill = kStubFill;
    rect.dashed = member.person->sex == 'f';
    d.rects.push_back(rect);
    page.boxes.push_back(box);
    if (box.kind == BookBox::Kind::kMember) ++stepsDone;
  }

  // Lines: from each father down to a bar over his children, and down from it to each child.
  for (int i = 0; i < static_cast<int>(shown.size()); ++i) {
    const ChartNode& node =
        band.nodes[static_cast<std::size_t>(shown[static_cast<std::size_t>(i)])];
    const BookBox father = page.boxes[static_cast<std::size_t>(i)];
    double low = father.x + kBoxWidth / 2, high = low;
    const double bar = father.y + kMaxBoxHeight + (g.rowPitch - kMaxBoxHeight) / 2;
    bool any = false;
    for (int c = 0; c < node.childCount; ++c) {
      const int childNode = band.children[static_cast<std::size_t>(node.firstChild + c)];
      const ChartNode& child = band.nodes[static_cast<std::size_t>(childNode)];
      if (child.end <= start || child.start >= end) continue;
      const int childBox = boxOf(childNode);
      const BookBox& box = page.boxes[static_cast<std::size_t>(childBox)];
      const double x = box.x + kBoxWidth / 2;
      addLine(d, x, bar, x, box.y);
      low = std::min(low, x);
      high = std::max(high, x);
      page.links.push_back({i, childBox});
      any = true;
    }
    if (!any) continue;
    const double x = father.x + kBoxWidth / 2;
    addLine(d, x, father.y + father.height, x, bar);
    if (high > low) addLine(d, low, bar, high, bar);
  }
}

// --- Records ------------------------------------------------------------------------------------

// The record of `person` into the lines waiting to be placed: a heading, the detailed report
// and the person's own text file, as the window shows them.
void BookLayout::Plan::appendRecord(const Person& person, bool wife, int chartPage,
                                    int generation) {
  const double width = geometry.columnWidth;
  RecordLine heading;
  heading.heading = true;
  heading.person = &person;
  if (wife) {
    heading.gbk = "配　" + nameOf(person);
    heading.size = 10;
    heading.indent = kRecordSize;
  } else {
    heading.gbk = nameOf(person);
    heading.size = 11.5;
    heading.note =
        "　" + generationText(generation) + "　世系图第" + number(absolutePage(chartPage)) + "页";
  }
  pending.push_back(std::move(heading));

  std::string text;
  showPersonDetails(&person, text);
  const std::string_view key = keyText(person.name);
  if (auto file = platform::TextFile::open(std::string(key) + ".txt", "r")) {
    std::string content;
    readPlainText(*file, content);
    text += "\r\n";
    text += key;
    text += "具体信息如下：\r\n    ";
    text += content;
  }
  const double indent = (wife ? 2 : 1) * kRecordSize;
  std::vector<std::string> lines;
  std::string_view rest = text;
  while (true) {
    const std::size_t cr = rest.find("\r\n"), lf = rest.find('\n');
    const std::size_t at = std::min(cr, lf);
    wrap(printable(rest.substr(0, at)), kRecordSize, width - indent, lines);
    if (at == std::string_view::npos) break;
    rest.remove_prefix(at + (at == cr ? 2 : 1));
  }
  for (std::string& line : lines) {
    RecordLine entry;
    entry.gbk = std::move(line);
    entry.indent = indent;
    pending.push_back(std::move(entry));
  }
}

// Lays out the next member's records (his, then his wives'); false when every member's are.
bool BookLayout::Plan::fillPending() {
  RecordCursor& r = records;
  while (r.band < static_cast<int>(bands.size())) {
    const Band& band = bands[static_cast<std::size_t>(r.band)];
    if (!r.loaded) {
      // The members whose own boxes stand on this page, row by row, left to right.
      // Pre-order is by start, so a page's nodes follow the previous page's.
      r.order.clear();
      const int chartPage = band.firstPage + r.page;
      for (; r.scan < band.nodes.size() && band.nodes[r.scan].page == chartPage; ++r.scan) {
        if (!band.nodes[r.scan].head) r.order.push_back(static_cast<int>(r.scan));
      }
      std::stable_sort(r.order.begin(), r.order.end(), [&band](int a, int b) {
        return band.nodes[static_cast<std::size_t>(a)].row <
               band.nodes[static_cast<std::size_t>(b)].row;
      });
      r.next = 0;
      r.loaded = true;
    }
    if (r.next < r.order.size()) {
      const ChartNode& node = band.nodes[static_cast<std::size_t>(r.order[r.next++])];
      const ClanMember& member = clan[static_cast<std::size_t>(node.member)];
      appendRecord(*member.person, false, node.page, member.depth);
      for (const Person* wife : member.wives) {
        if (wife != nullptr) appendRecord(*wife, true, node.page, member.depth);
      }
      return true;
    }
    r.loaded = false;
    if (++r.page >= static_cast<int>(band.pageStart.size())) {
      r.page = 0;
      r.scan = 0;
      ++r.band;
    }
  }
  return false;
}

bool BookLayout::Plan::makeRecords(BookPage& page) {
  if (pendingNext >= pending.size()) {
    pending.clear();
    pendingNext = 0;
    if (!fillPending()) return false;
  }
  const Geometry& g = geometry;
  Page& d = page.drawing;
  header(d, "世系录", "");
  const double bottom = g.height - g.bottom - 6;
  for (int column = 0; column < g.columns; ++column) {
    const double left = g.left + column * (g.columnWidth + kGutter);
    double y = g.bodyTop + 4;
    while (true) {
      if (pendingNext >= pending.size()) {
        pending.clear();
        pendingNext = 0;
        if (!fillPending()) break;
      }
      const RecordLine& line = pending[pendingNext];
      const double before = line.heading ? 0.5 * kRecordLine : 0;
      const double height = line.heading ? line.size * 1.5 : kRecordLine;
      // A heading goes to the next column unless a line of its record fits below it.
      const double needed = before + height + (line.heading ? kRecordLine : 0);
      if (y + needed > bottom && y > g.bodyTop + 4) break;
      y += before;
      const double baseline = y + 0.95 * line.size;
      addText(d, left + line.indent, baseline, line.size, line.gbk);
      if (!line.note.empty()) {
        addText(d, left + line.indent + textWidth(line.gbk, line.size) + 2, baseline, 8, line.note,
                kGrey);
      }
      if (line.heading) {
        page.records.push_back(line.person);
        ++stepsDone;
      }
      y += height;
      ++pendingNext;
    }
    if (column + 1 < g.columns) {
      const double x = left + g.columnWidth + kGutter / 2;
      addLine(d, x, g.bodyTop, x, bottom, 0.3);
    }
  }
  return true;
}

// --- BookLayout ---------------------------------------------------------------------------------

BookLayout::BookLayout() = default;
BookLayout::~BookLayout() = default;

bool BookLayout::plan(const FamilyTree& tree, const BookOptions& options) {
  plan_.reset();
  if (options.generationsPerPage < kMinGenerationsPerPage ||
      options.generationsPerPage > kMaxGenerationsPerPage) {
    return false;
  }
  auto plan = std::make_unique<Plan>();
  plan->clan = collectClan(tree);
  if (plan->clan.empty()) return false;
  plan->options = options;
  plan->geometry = geometryOf(options);
  for (const ClanMember& member : plan->clan) {
    plan->wives += (member.wives[0] != nullptr) + (member.wives[1] != nullptr);
    plan->generations = std::max(plan->generations, member.depth + 1);
  }
  plan->ownNode.assign(plan->clan.size(), {-1, -1});
  plan->headNode.assign(plan->clan.size(), {-1, -1});
  plan->planBands();
  plan->title = "《" + surnameOf(*plan->clan[0].person) + "氏家谱》";
  // The contents: one line a band and one for the records, under the key on the first page.
  const Geometry& g = plan->geometry;
  const double lines = (g.height - g.bodyTop - g.bottom - 40) / 22;
  plan->contentsPerPage = std::max(1, static_cast<int>(lines) - 10);
  const int entries = static_cast<int>(plan->bands.size()) + 1;
  plan->contentsPages = (entries + plan->contentsPerPage - 1) / plan->contentsPerPage;
  plan_ = std::move(plan);
  return true;
}

const std::string& BookLayout::title() const { return plan_->title; }
const std::vector<ClanMember>& BookLayout::clan() const { return plan_->clan; }
std::size_t BookLayout::wives() const { return plan_->wives; }
int BookLayout::generations() const { return plan_->generations; }
int BookLayout::bands() const { return static_cast<int>(plan_->bands.size()); }
int BookLayout::bandFirstPage(int band) const {
  return plan_->absolutePage(plan_->bands[static_cast<std::size_t>(band)].firstPage);
}
int BookLayout::bandTopGeneration(int band) const {
  return plan_->bands[static_cast<std::size_t>(band)].top;
}
int BookLayout::firstChartPage() const { return plan_->firstChartPage(); }
int BookLayout::firstRecordPage() const { return plan_->firstRecordPage(); }
std::size_t BookLayout::steps() const { return 2 * plan_->clan.size() + plan_->wives; }

bool BookLayout::nextPage(BookPage& page) {
  if (!plan_) return false;
  Plan& plan = *plan_;
  page.boxes.clear();
  page.links.clear();
  page.records.clear();
  page.drawing.rects.clear();
  page.drawing.lines.clear();
  page.drawing.texts.clear();
  page.drawing.width = plan.geometry.width;
  page.drawing.height = plan.geometry.height;
  page.number = plan.nextNumber;
  if (page.number == 1) {
    page.part = BookPage::Part::kCover;
    plan.makeCover(page);
  } else if (page.number < plan.firstChartPage()) {
    page.part = BookPage::Part::kContents;
    plan.makeContents(page, page.number - 2);
  } else if (page.number < plan.firstRecordPage()) {
    page.part = BookPage::Part::kChart;
    plan.makeChart(page, page.number - plan.firstChartPage());
  } else {
    page.part = BookPage::Part::kRecords;
    if (!plan.makeRecords(page)) return false;
  }
  plan.footer(page.drawing, page.number);
  ++plan.nextNumber;
  page.stepsDone = plan.stepsDone;
  return true;
}

}  // namespace quillet
