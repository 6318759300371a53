// The clan as a printed book, a 家谱: laid out page by page as rectangles, lines, texts, links and
// bookmarks (platform/page.h) for a painter to draw. No window and no drawing library is needed
// here; the index is ordered through the door to ICU (platform/icu).
//
// The book, in page order (numbered from 1, the cover, which alone bears no number):
//   1. the cover: 《X氏家谱》 with the root's surname, the persons and generations it holds, and
//      the date it was made;
//   2. the 凡例: how the charts and the records are to be read, with the charts' kinds of box;
//   3. the contents: the key, each band of charts with the pages where its charts begin, the
//      records of each generation, the index;
//   4. the 世系图 as 吊线图 charts: generations as rows from the top, each child below his
//      father joined by lines, brothers and sisters in birth order, every man's wives named in
//      his box. A band of charts holds `generationsPerPage` generations; the last generation of
//      one band heads the next band's charts, so every man with descendants beyond a band's last
//      row appears again at the top of a later chart, grey, saying 承第M页. A band is laid out as
//      one row of charts cut into pieces a page wide, between boxes, never through one; pieces
//      shallower than a page share it, one below the other. A father whose children go on in a
//      later piece stands again at its top, grey, saying 承第M页 (接上 on his own page); every
//      box whose line goes on elsewhere names each of those pages (见第4、5页, 见第4至9页);
//   5. the 世系录 (齿录): under the headings 一世, 二世 ... (the root is 一世), one entry for each
//      clan member, in the order of the charts within a generation: his name, whose son (or
//      daughter) he is and his place among the sons (daughters), his mother, his birth and
//      death, his wives (配, then 继配 or 又配: see book_text.h), his sons and daughters with the
//      pages of their entries, and his own text file (the name key and ".txt" in the working
//      directory) with each wife's. An entry too long for what is left of a column goes on in
//      the next, under its name again (贾宝玉（续）);
//   6. the 人名索引: every member and wife in pinyin (or stroke) order, under its initial, with
//      the pages of the chart box and of the entry.
// Every 见第/承第 reference, contents line, child's page and index entry links to its page;
// the bookmarks name the cover, the 凡例, the contents, each band, each generation and the index.
//
// Geometry for print: every mark at least 12 mm inside the trim; mirrored margins, the inner one
// (the gutter: the left of odd pages, the right of even ones) at least 20 mm.
//
// The living (alive 'y'): LivingPersons::kShow prints them as everybody; kName their names alone
// (no dates, no text file); kHide leaves them out, their places in the charts and in their kin's
// entries kept as 某 (a wife 某氏).
//
// Pages are made one at a time (nextPage): what the book keeps besides the clan is a few numbers
// per person, so memory does not grow with the pages. plan() reads every person's text file once
// to know where each entry falls; the pages read them again.
//
// Thread-safety: reads the tree only; the tree must not change between plan() and the last page.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "core/family_tree.h"
#include "core/person.h"
#include "platform/icu/name_collation.h"
#include "platform/page.h"
#include "reports/clan_walk.h"

namespace quillet {

enum class BookPaper { kA4, kA3 };

inline constexpr int kMinGenerationsPerPage = 2;
inline constexpr int kMaxGenerationsPerPage = 10;

struct BookOptions {
  BookPaper paper = BookPaper::kA4;
  int generationsPerPage = 5;  // kMinGenerationsPerPage to kMaxGenerationsPerPage
  std::string madeOn = {};     // the cover's date line (GBK), such as "2026年12月7日"
  LivingPersons living = LivingPersons::kShow;
  platform::NameOrder indexOrder = platform::NameOrder::pinyin;
  // The 世系录 in vertical columns read from right to left, as old 谱 are printed.
  bool vertical = false;
};

// One box of a chart page, in points.
struct BookBox {
  enum class Kind {
    kMember,  // the member's own box
    kHead,    // the member again, heading a chart of a later band
    kStub,    // a father again, at the top of a piece that goes on with his children
  };
  Kind kind = Kind::kMember;
  int member = 0;  // index in BookLayout::clan()
  int row = 0;     // 0 the top row of its piece
  double x = 0, y = 0, width = 0, height = 0;
  // 见第N页: the pages seeFirst to seeLast, where his line goes on; 0 when it does not.
  int seeFirst = 0, seeLast = 0;
  // 承第M页: the page of the box he goes on from (his own box, or his head box); 0 for a
  // member's own box. A stub on that very page says 接上.
  int fromPage = 0;
};

// A father's box (or stub) joined to a child's box, as indexes in BookPage::boxes.
struct BookLink {
  int father = 0;
  int child = 0;
};

// A line of the index.
struct BookIndexEntry {
  const Person* person = nullptr;
  int member = 0;  // the member, or the husband of a wife
  int chartPage = 0;
  int recordPage = 0;
};

struct BookPage {
  enum class Part { kCover, kKey, kContents, kChart, kRecords, kIndex };
  int number = 0;
  Part part = Part::kCover;
  platform::Page drawing;
  std::vector<BookBox> boxes;         // chart pages
  std::vector<BookLink> links;        // chart pages
  std::vector<int> records;           // record pages: the members whose entries begin here
  std::vector<int> carried;           // record pages: the members whose entries go on here
  std::vector<BookIndexEntry> index;  // index pages
  std::size_t stepsDone = 0;          // of BookLayout::steps(), up to this page's end
};

class BookLayout {
 public:
  BookLayout();
  ~BookLayout();
  BookLayout(const BookLayout&) = delete;
  BookLayout& operator=(const BookLayout&) = delete;

  // Plans the book of `tree`: the clan, every chart page, where every entry falls and the page
  // numbers that the charts, the entries and the contents refer to. False when the tree has no
  // root, or the options are out of range. Starts the pages over.
  bool plan(const FamilyTree& tree, const BookOptions& options);

  // The next page of the book into `page` (replacing what it held); false after the last.
  bool nextPage(BookPage& page);

  // After plan():
  const std::string& title() const;  // 《X氏家谱》
  const std::vector<ClanMember>& clan() const;
  std::size_t wives() const;         // persons of the book besides the clan members
  std::size_t personsShown() const;  // members and wives not left out (the index's entries)
  int generations() const;           // rows from the root to the deepest member
  int bands() const;                 // bands of chart pages, each starting a generation
  int bandFirstPage(int band) const;
  int bandTopGeneration(int band) const;  // depth of its top row (0 the root's)
  int firstChartPage() const;
  int firstRecordPage() const;  // the page after the last chart page
  int firstIndexPage() const;   // the page after the last record page
  int pages() const;            // in the whole book
  // The page of each member's own chart box and of his entry (0 for a member left out).
  int chartPageOf(int member) const;
  int recordPageOf(int member) const;
  // The work of the whole book, for a progress bar: every member's box and entry, and every
  // line of the index.
  std::size_t steps() const;

  struct Plan;

 private:
  std::unique_ptr<Plan> plan_;
};

}  // namespace quillet
