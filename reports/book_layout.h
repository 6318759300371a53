// The clan as a printed book, a 家谱: laid out page by page as rectangles, lines and texts
// (platform/page.h) for a painter to draw. No window and no drawing library is needed here.
//
// The book, in page order (numbered from 1, the cover, and numbered on every page):
//   1. the cover: 《X氏家谱》 with the root's surname, the persons and generations it holds, and
//      the date it was made;
//   2. the contents: the first page of each generation's charts and of the records, and the
//      key to the charts;
//   3. the 世系图 as 吊线图 charts: generations as rows from the top, each child below his
//      father joined by lines, brothers and sisters in birth order, every man's wives named in
//      his box below him. A page holds `generationsPerPage` generations; the last generation of
//      one band of pages heads the next band, so every man with descendants beyond a band's
//      last row appears again at the top of a later page: there his box says 承第M页, and on
//      the earlier page 见第N页. A band wider than a page is cut between boxes, never through
//      one; a father whose children go on to the next page stands again at its top, grey,
//      saying 承第M页, and his own box says 见第N页;
//   4. the 世系录: every clan member in the order of the charts, with his detailed report as
//      the window shows it (showPersonDetails) and his own text file where one exists (the
//      name key and ".txt" in the working directory), each wife after her husband.
//
// The layout, box by box: every member has exactly one box of his own (Kind::kMember); a man
// heading a later band has one more (kHead); a father continued on later pages has a stub
// (kStub) on each. Lines join a father's box or stub to his children's boxes on the same page.
//
// Pages are made one at a time (nextPage): what the book keeps besides the clan is a few
// numbers per member, so memory does not grow with the pages. Person text files are read when
// their record is laid out.
//
// Thread-safety: reads the tree only; the tree must not change between plan() and the last page.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "core/family_tree.h"
#include "core/person.h"
#include "platform/page.h"
#include "reports/clan_walk.h"

namespace quillet {

enum class BookPaper { kA4, kA3 };

inline constexpr int kMinGenerationsPerPage = 2;
inline constexpr int kMaxGenerationsPerPage = 10;

struct BookOptions {
  BookPaper paper = BookPaper::kA4;
  int generationsPerPage = 5;  // kMinGenerationsPerPage to kMaxGenerationsPerPage
  std::string madeOn;          // the cover's date line (GBK), such as "2026年12月7日"
};

// One box of a chart page, in points.
struct BookBox {
  enum class Kind {
    kMember,  // the member's own box
    kHead,    // the member again, heading a band of pages below the one with his own box
    kStub,    // a father again, at the top of a page that goes on with his children
  };
  Kind kind = Kind::kMember;
  int member = 0;  // index in BookLayout::clan()
  int row = 0;     // 0 the page's top row
  double x = 0, y = 0, width = 0, height = 0;
  int seePage = 0;   // 见第N页: where his line goes on; 0 when it does not
  int fromPage = 0;  // 承第M页: where he stands before; 0 for a member's own box
};

// A father's box (or stub) joined to a child's box, as indexes in BookPage::boxes.
struct BookLink {
  int father = 0;
  int child = 0;
};

struct BookPage {
  enum class Part { kCover, kContents, kChart, kRecords };
  int number = 0;
  Part part = Part::kCover;
  platform::Page drawing;
  std::vector<BookBox> boxes;          // chart pages
  std::vector<BookLink> links;         // chart pages
  std::vector<const Person*> records;  // record pages: the persons whose records begin here
  std::size_t stepsDone = 0;           // of BookLayout::steps(), up to this page's end
};

class BookLayout {
 public:
  BookLayout();
  ~BookLayout();
  BookLayout(const BookLayout&) = delete;
  BookLayout& operator=(const BookLayout&) = delete;

  // Plans the book of `tree`: the clan, every chart page and the page numbers that the charts
  // and the contents refer to. False when the tree has no root, or the options are out of
  // range. Starts the pages over.
  bool plan(const FamilyTree& tree, const BookOptions& options);

  // The next page of the book into `page` (replacing what it held); false after the last.
  bool nextPage(BookPage& page);

  // After plan():
  const std::string& title() const;  // 《X氏家谱》
  const std::vector<ClanMember>& clan() const;
  std::size_t wives() const;  // persons of the book besides the clan members
  int generations() const;    // rows from the root to the deepest member
  int bands() const;          // bands of chart pages, each starting a generation
  int bandFirstPage(int band) const;
  int bandTopGeneration(int band) const;
  int firstChartPage() const;
  int firstRecordPage() const;  // the page after the last chart page
  // The work of the whole book, for a progress bar: every member's box and every person's
  // record.
  std::size_t steps() const;

 private:
  struct Plan;
  std::unique_ptr<Plan> plan_;
};

}  // namespace quillet
