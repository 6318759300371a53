// The inside of the book's layout (book_layout.h), shared by its parts: the page geometry, the
// plan of the charts (book_charts.cpp), the flow of the entries (book_records.cpp), the index
// (book_index.cpp) and the front matter (book_layout.cpp). Not for use outside them.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/person.h"
#include "platform/icu/name_collation.h"
#include "platform/page.h"
#include "reports/book_layout.h"
#include "reports/book_text.h"

namespace quillet::book {

using platform::Page;
using platform::PageColour;

inline constexpr double kMillimetre = 72.0 / 25.4;

inline constexpr PageColour kBlack = 0x000000;
inline constexpr PageColour kGrey = 0x6A6A6A;
inline constexpr PageColour kWifeColour = 0x7A1F1F;
inline constexpr PageColour kRepeatFill = 0xE4E4E4;  // a member's box again (heads and stubs)

// The book's type sizes, in points: few of them, since the painter keeps the glyphs of all sizes
// together (cairo: 16,384 at most), and a clan's names and texts use thousands of characters: the
// body at kBodySize, names at kNameSize (bold), the second names and notes at kSecondSize, page
// numbers at kSmallSize; the headings at kHeadingSize (bold) hold few characters.
inline constexpr double kSmallSize = 7;
inline constexpr double kSecondSize = 8;
inline constexpr double kBodySize = 9.5;
inline constexpr double kNameSize = 11;
inline constexpr double kHeadingSize = 13;

// The boxes of the charts: a name, two wives, two lines of references.
inline constexpr double kWifeSize = kSecondSize;
inline constexpr double kReferenceSize = kSmallSize;
inline constexpr double kBoxLineSpacing = 1.25;  // a line's height in a box, in ems
inline constexpr double kBoxPadding = 3;
inline constexpr double kBoxWidth = 40;
inline constexpr double kMaxBoxHeight =
    2 * kBoxPadding + kBoxLineSpacing * (kNameSize + 2 * kWifeSize + 2 * kReferenceSize);

// What a person of the book shows, by the living option.
enum class Shown { kAll, kName, kHidden };

// --- Text set in lines
// ----------------------------------------------------------------------------

// A piece of text in one style. A reference run gives its words and then a page number, known
// only once the book is planned: the number is measured `digits` digits wide whatever it is, so
// that the lines break alike before and after the numbers are known; it links to its page.
struct Run {
  enum class Reference : std::uint8_t { kNone, kChartPage, kRecordPage, kPage };
  std::string gbk;
  double size = kBodySize;
  PageColour colour = kBlack;
  bool bold = false;
  bool keep = false;      // never broken inside (a name)
  bool joinNext = false;  // no break between it and the next run (子 and the first son)
  Reference reference = Reference::kNone;
  int target = 0;  // the member (kChartPage, kRecordPage) or the page (kPage)
  int digits = 5;  // how wide a reference's number is measured
  int link = -1;   // a member: the run links to his entry
};

// A run of a line: the bytes [begin, end) of run `run`, or all of a reference run.
struct Span {
  int run = 0;
  std::uint32_t begin = 0, end = 0;
};

struct Line {
  std::vector<Span> spans;
  double indent = 0;  // from the column's start
  double height = 0;  // its share of the column, before and after it
  double size = 0;    // of its largest run: its baseline stands 0.88 of it below its top
};

// Breaks runs [from, to) of `runs` into lines at most `width` long (in points), appended to
// `lines`: between characters, never inside a kept run, a number or a Latin word, never before a
// reference or closing punctuation, never after opening punctuation, a number kept with the word
// after it. The first line starts `firstIndent` in, the others `indent`; a line is `leading`
// times its largest run high.
void breakLines(const std::vector<Run>& runs, std::size_t from, std::size_t to, double width,
                double firstIndent, double indent, double leading, std::vector<Line>& lines);

// --- The plan ----------------------------------------------------------------------------------

struct Geometry {
  double width = 0, height = 0;
  double inner = 0, outer = 0;  // margins: inner at the binding, outer at the fore-edge
  double headBaseline = 0;      // the running head
  double bodyTop = 0, bodyBottom = 0;
  double folioBaseline = 0;
  // Charts.
  int units = 0;          // per piece
  double labelWidth = 0;  // the generations' column at the left of the charts
  double pitch = 0;       // from one row of boxes to the next
  double pieceGap = 0;    // between two pieces on one page
  // Records and index.
  int columns = 0;
  double columnWidth = 0, columnGap = 0;
  int indexColumns = 0;
  double indexColumnWidth = 0;

  double textWidth() const { return width - inner - outer; }
  // The left edge of the text on page `page` (odd pages are bound at the left).
  double left(int page) const { return page % 2 == 1 ? inner : outer; }
};

// One place of a member in a band's charts: his own box, or his box heading the band.
struct ChartNode {
  int member = 0;
  int parent = -1;  // node of the father in the same band; -1 at the top of a chart
  int row = 0;
  int start = 0, end = 0;              // the units below him, from the band's left end
  int firstChild = 0, childCount = 0;  // in Band::children
  int piece = 0;                       // where his box stands
  bool head = false;
  int seeFirst = 0, seeLast = 0;  // pages, 0 none
  int fromPage = 0;               // a head's: the page of his own box
};

// A boundary between two boxes of the bottom-most rows where a piece may end, and the fathers
// whose children it would part.
struct Cut {
  int at = 0;
  int parted = 0;
  bool chartEnd = false;  // between two charts: the next piece starts after the gap
};

// A slice of a band's row of charts, a page wide at most, placed on a page.
struct Piece {
  int band = 0;
  int start = 0, end = 0;  // units
  int rows = 0;
  int firstNode = 0, endNode = 0;  // the band's nodes whose boxes stand in it
  int page = 0;                    // absolute
  double top = 0;                  // of its first row on the page
};

struct Band {
  int top = 0;                   // depth of row 0
  std::vector<ChartNode> nodes;  // pre-order, so by start
  std::vector<int> children;
  int firstPiece = 0, endPiece = 0;
  std::vector<int> heads;  // its charts' heads, left to right
};

class RecordFlow;
class IndexFlow;

// A line of the contents.
struct ContentsLine {
  int level = 0;
  std::string gbk;
  int page = 0;
};

}  // namespace quillet::book

namespace quillet {

struct BookLayout::Plan {
  Plan();
  ~Plan();

  BookOptions options;
  book::Geometry geometry;
  std::vector<ClanMember> clan;
  std::size_t wives = 0;
  int generations = 0;
  std::string title;  // 《X氏家谱》

  // Members' children in birth order (the charts' order), as one list: those of member m are
  // sortedChildren[childStart[m], childStart[m + 1]).
  std::vector<int> sortedChildren, childStart;
  std::vector<int> rank;      // among the father's sons (or daughters), 1 the eldest
  std::vector<int> preorder;  // in the charts' order, the root 0
  std::vector<book::Shown> memberShown;
  std::vector<book::Shown> wifeShown;  // 2 a member: his spouse, his second wife

  // Charts.
  std::vector<book::Band> bands;
  std::vector<book::Piece> pieces;
  std::vector<int> pageFirstPiece;  // chart pages (from 0): their first piece; one more at the end
  std::vector<int> ownPage;         // member -> page of his own box
  std::vector<std::pair<int, int>> headNode;  // member -> (band, node) heading a band, or (-1, -1)
  int chartPages = 0;

  // Entries.
  std::vector<int> recordOrder;     // members with entries, by generation, then in charts' order
  std::vector<int> recordPage;      // member -> page of his entry, 0 none
  std::vector<float> recordTop;     // member -> where on it his entry begins
  std::vector<int> generationPage;  // depth -> page of its heading, 0 when it has no entry
  int recordPages = 0;

  // Index.
  std::vector<int> indexOrder;  // persons: a member m, or a wife clan.size() + 2m + slot
  std::vector<std::string> indexLabels;
  std::vector<std::uint16_t> indexLabel;  // of each entry of indexOrder
  int indexPages = 0;

  // Front matter.
  std::vector<book::ContentsLine> contents;
  int contentsPages = 1;
  int contentsPerPage = 0;

  // Page making.
  int nextNumber = 1;
  std::size_t stepsDone = 0;
  std::unique_ptr<book::RecordFlow> records;
  std::unique_ptr<book::IndexFlow> index;

  int firstChartPage() const { return 3 + contentsPages; }
  int firstRecordPage() const { return firstChartPage() + chartPages; }
  int firstIndexPage() const { return firstRecordPage() + recordPages; }
  int totalPages() const { return firstIndexPage() + indexPages - 1; }

  const Person& wife(int member, int slot) const {
    return *clan[static_cast<std::size_t>(member)].wives[slot];
  }
  // The name as printed: 某 (某氏 for a wife) for one left out.
  std::string printedName(int member) const;
  std::string printedWifeName(int member, int slot) const;

  // book_charts.cpp
  void planCharts();
  void makeChart(BookPage& page, int chartPage);
  // book_records.cpp
  bool planRecords();
  bool makeRecords(BookPage& page);
  // book_index.cpp
  void planIndex();
  bool makeIndex(BookPage& page);
  // book_layout.cpp
  void makeCover(BookPage& page) const;
  void makeKey(BookPage& page) const;
  void makeContents(BookPage& page, int index) const;
  void header(platform::Page& page, int number, std::string_view title,
              std::string_view subtitle) const;
  void footer(platform::Page& page, int number) const;
};

}  // namespace quillet

namespace quillet::book {

// The entries set page by page (book_records.cpp). The same flow measures the book at plan()
// (no page drawn) and draws it, so that both find every entry on the same page.
class RecordFlow {
 public:
  explicit RecordFlow(BookLayout::Plan& plan);

  // Fills page `number` (drawing it into `page` when given, else only measuring it); false when
  // no entry is left.
  bool fill(int number, BookPage* page);

 private:
  // The entry of `member` into lines_, in parts: whose child, his wives, his children.
  void loadEntry(int member);
  void appendParentage(int member);
  void appendWives(int member);
  void appendChildren(int member);
  void appendLife(const Person& person);
  void appendTextFile(const Person& person, std::string lead);
  // Fills column `block` of page `number` from where the last left off; `firstDepth` and
  // `lastDepth` take the generations it shows.
  void fillBlock(int number, int block, BookPage* page, int& firstDepth, int& lastDepth);
  // Places the heading of generation `depth` at `at`, moving `at` below it.
  void placeHeading(int depth, int number, int block, double& at, Page* drawing);
  // How many of the entry's lines left go in the column from `at` (after the name again when
  // `carried`); none when the entry must wait for the next column.
  std::optional<std::size_t> linesThatFit(double at, bool carried) const;
  // The name again with （续） at the top of a column that goes on with an entry.
  void placeContinued(int number, int block, double& at, BookPage* page);
  void place(const Line& line, const std::vector<Run>& runs, int number, int block, double at,
             Page* drawing) const;
  std::string date(const DateText& date) const { return recordDate(dateText(date), vertical_); }

  BookLayout::Plan& plan_;
  bool vertical_ = false;
  int blocks_ = 1;
  double lineLength_ = 0, extent_ = 0;
  std::size_t next_ = 0;  // in plan_.recordOrder
  int depth_ = -1;        // of the last heading placed
  int member_ = -1;       // whose entry is being placed
  std::vector<Run> runs_;
  std::vector<Line> lines_;
  std::size_t nextLine_ = 0;
};

// The index set page by page (book_index.cpp).
class IndexFlow {
 public:
  explicit IndexFlow(BookLayout::Plan& plan) : plan_(plan) {}

  // Fills page `number` (drawing it into `page` when given); false when no entry is left.
  bool fill(int number, BookPage* page);

 private:
  void drawEntry(std::size_t entry, double left, double top, BookPage& page) const;

  BookLayout::Plan& plan_;
  std::size_t next_ = 0;
  int label_ = -1;  // of the last heading placed
};

// Drawing helpers shared by the parts.
void addText(Page& page, double x, double baseline, double size, std::string gbk,
             PageColour colour = kBlack, bool bold = false);
void addCentred(Page& page, double centre, double baseline, double size, std::string gbk,
                PageColour colour = kBlack, bool bold = false);
void addLine(Page& page, double x1, double y1, double x2, double y2, double width = 0.6,
             bool dotted = false);
// A text as it can be printed: GBK characters and printable ASCII kept, any other control byte
// a space, a byte that starts no GBK character '?'.
std::string printable(std::string_view gbk);
std::string number(long value);
// The page number that a reference run gives.
int referencePage(const BookLayout::Plan& plan, const Run& run);
// Draws `line` at `left`, `top` in column coordinates (vertical: `left` is the column's right
// edge and the line runs downwards from `top`), with links for references and linked runs.
void drawLine(const BookLayout::Plan& plan, const std::vector<Run>& runs, const Line& line,
              double left, double top, Page& page, bool vertical = false);

}  // namespace quillet::book
