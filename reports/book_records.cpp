// The book's 世系录: one entry a member, under the headings of the generations, set in columns
// (or in vertical columns read from right to left) and carried over from column to column
// (book_layout.h, book_plan.h).
#include <algorithm>
#include <optional>

#include "platform/read_problem.h"
#include "platform/text_file.h"
#include "reports/book_plan.h"
#include "reports/book_text.h"
#include "reports/side_text_readers.h"

namespace quillet::book {
namespace {

constexpr double kEntryNameSize = kNameSize;
constexpr double kNoteSize = kSecondSize;
constexpr double kLeading = 1.65;
constexpr double kHeadingHeight = 2.6 * kHeadingSize;
constexpr double kIndent = kBodySize;  // of an entry's lines after its first

Run plain(std::string gbk, double size = kBodySize, PageColour colour = kBlack) {
  Run run;
  run.gbk = std::move(gbk);
  run.size = size;
  run.colour = colour;
  return run;
}

Run name(std::string gbk, int link = -1) {
  Run run = plain(std::move(gbk));
  run.keep = true;
  run.link = link;
  return run;
}

Run pageOf(Run::Reference reference, int member, std::string words = {}) {
  Run run = plain(std::move(words), kSmallSize, kGrey);
  run.reference = reference;
  run.target = member;
  return run;
}

// A line the pane shows, as a note of the book: without its leading line breaks and spaces.
std::string noteText(const std::string& paneLine) {
  const std::size_t start = paneLine.find_first_not_of("\r\n ");
  return start == std::string::npos ? std::string() : paneLine.substr(start);
}

}  // namespace

RecordFlow::RecordFlow(BookLayout::Plan& plan) : plan_(plan) {
  const Geometry& g = plan.geometry;
  vertical_ = plan.options.vertical;
  blocks_ = vertical_ ? 1 : g.columns;
  lineLength_ = vertical_ ? g.bodyBottom - g.bodyTop : g.columnWidth;
  extent_ = vertical_ ? g.textWidth() : g.bodyBottom - g.bodyTop;
}

void RecordFlow::appendLife(const Person& person) {
  const std::string born = date(person.birthDate);
  const std::string died = person.alive == 'n' && person.deathDate ? date(*person.deathDate) : "";
  std::string text;
  if (!born.empty()) text = "生于" + born;
  if (person.alive == 'n') {
    if (!text.empty()) text += "，";
    text += died.empty() ? "已故" : "卒于" + died;
  }
  if (!text.empty()) runs_.push_back(plain(text));
}

// The person's own text file as paragraphs of the entry, the first after `lead`; a note when it
// was cut or cannot be read.
void RecordFlow::appendTextFile(const Person& person, std::string lead) {
  const std::string fileName = std::string(keyText(person.name)) + ".txt";
  std::string note;
  if (auto file = platform::TextFile::open(fileName, "r")) {
    std::string content;
    if (!readPlainText(*file, content)) note = noteText(sideFileCutLine(fileName));
    std::size_t start = 0;
    while (start < content.size()) {
      std::size_t end = content.find('\n', start);
      if (end == std::string::npos) end = content.size();
      std::string paragraph = printable(content.substr(start, end - start));
      start = end + 1;
      if (paragraph.find_first_not_of(' ') == std::string::npos) continue;
      const std::size_t from = runs_.size();
      if (!lead.empty()) {
        Run run = name(std::move(lead));
        run.bold = true;
        runs_.push_back(std::move(run));
        lead.clear();
      }
      runs_.push_back(plain(std::move(paragraph)));
      breakLines(runs_, from, runs_.size(), lineLength_, kIndent + 2 * kBodySize, kIndent, kLeading,
                 lines_);
    }
  } else {
    const platform::ReadProblem problem = platform::readProblemOf(fileName);
    if (problem != platform::ReadProblem::kMissing &&
        problem != platform::ReadProblem::kUnsafeName) {
      note = noteText(unreadableFileLine(fileName));
    }
  }
  if (note.empty()) return;
  const std::size_t from = runs_.size();
  runs_.push_back(plain(printable(note), kNoteSize, kGrey));
  breakLines(runs_, from, runs_.size(), lineLength_, kIndent + 2 * kBodySize, kIndent, kLeading,
             lines_);
}

// The entry of `member` into lines_: his name, and in prose his father and place among the sons,
// his mother, his life, his wives, his children with the pages of their entries; then his text
// file and his wives'.
void RecordFlow::loadEntry(int member) {
  runs_.clear();
  lines_.clear();
  nextLine_ = 0;
  const BookLayout::Plan& p = plan_;
  const std::size_t m = static_cast<std::size_t>(member);
  const ClanMember& entry = p.clan[m];
  const Person& person = *entry.person;
  const bool all = p.memberShown[m] == Shown::kAll;

  Run heading = name(printable(bookName(person)));
  heading.size = kEntryNameSize;
  heading.bold = true;
  runs_.push_back(std::move(heading));
  runs_.push_back(pageOf(Run::Reference::kChartPage, member, "　图"));
  runs_.push_back(plain("　"));
  appendParentage(member);
  if (all) {
    const std::size_t before = runs_.size();
    appendLife(person);
    if (runs_.size() > before) runs_.push_back(plain("。"));
  }
  appendWives(member);
  appendChildren(member);
  breakLines(runs_, 0, runs_.size(), lineLength_, 0, kIndent, kLeading, lines_);

  if (!all) return;
  appendTextFile(person, "");
  for (int slot = 0; slot < 2; ++slot) {
    const Person* wife = entry.wives[slot];
    if (wife == nullptr || p.wifeShown[2 * m + static_cast<std::size_t>(slot)] != Shown::kAll) {
      continue;
    }
    appendTextFile(*wife,
                   wifeWord(entry.wives[0], *wife, slot == 1) + printable(bookName(*wife)) + "：");
  }
}

// Whose child: 始祖。 for the root, else the father, the place among his sons (or daughters)
// and the mother.
void RecordFlow::appendParentage(int member) {
  const BookLayout::Plan& p = plan_;
  const std::size_t m = static_cast<std::size_t>(member);
  const ClanMember& entry = p.clan[m];
  const Person& person = *entry.person;
  if (entry.parent < 0) {
    runs_.push_back(plain("始祖。"));
    return;
  }
  const std::size_t father = static_cast<std::size_t>(entry.parent);
  runs_.push_back(name(p.printedName(entry.parent), entry.parent));
  runs_.back().joinNext = true;
  runs_.push_back(name(rankWord(p.rank[m], person.sex == 'f')));
  const int slot = person.motherIndex == '1' ? 0 : person.motherIndex == '2' ? 1 : -1;
  if (slot >= 0 && p.clan[father].wives[slot] != nullptr) {
    runs_.push_back(plain("，"));
    runs_.push_back(name(p.printedWifeName(entry.parent, slot)));
    runs_.push_back(plain("出"));
  }
  runs_.push_back(plain("。"));
}

// The wives, each with her life when shown whole.
void RecordFlow::appendWives(int member) {
  const BookLayout::Plan& p = plan_;
  const std::size_t m = static_cast<std::size_t>(member);
  const ClanMember& entry = p.clan[m];
  bool anyWife = false;
  for (int slot = 0; slot < 2; ++slot) {
    const Person* wife = entry.wives[slot];
    if (wife == nullptr) continue;
    if (anyWife) runs_.push_back(plain("；"));
    anyWife = true;
    runs_.push_back(name(wifeWord(entry.wives[0], *wife, slot == 1)));
    runs_.back().joinNext = true;
    runs_.push_back(name(p.printedWifeName(member, slot)));
    if (p.wifeShown[2 * m + static_cast<std::size_t>(slot)] == Shown::kAll) {
      // Her dates follow her name after a comma: they hold brackets of their own.
      const std::size_t before = runs_.size();
      appendLife(*wife);
      if (runs_.size() > before) runs_[before].gbk = "，" + runs_[before].gbk;
    }
  }
  if (anyWife) runs_.push_back(plain("。"));
}

// The children: sons, then daughters, each with the page of the entry (某 for one left out).
void RecordFlow::appendChildren(int member) {
  const BookLayout::Plan& p = plan_;
  const std::size_t m = static_cast<std::size_t>(member);
  const Person& person = *p.clan[m].person;
  for (const bool daughters : {false, true}) {
    bool first = true;
    for (int c = p.childStart[m]; c < p.childStart[m + 1]; ++c) {
      const int child = p.sortedChildren[static_cast<std::size_t>(c)];
      const ClanMember& kin = p.clan[static_cast<std::size_t>(child)];
      if ((kin.person->sex == 'f') != daughters) continue;
      if (first) {
        if (daughters && runs_.back().gbk != "。") runs_.push_back(plain("；"));
        runs_.push_back(name(daughters ? "女　" : "子　"));
        runs_.back().joinNext = true;
        first = false;
      } else {
        runs_.push_back(plain("、"));
      }
      if (p.memberShown[static_cast<std::size_t>(child)] == Shown::kHidden) {
        runs_.push_back(name("某"));
      } else {
        runs_.push_back(name(printable(givenName(*kin.person, person)), child));
        runs_.push_back(pageOf(Run::Reference::kRecordPage, child));
      }
    }
  }
  if (p.childStart[m + 1] > p.childStart[m]) runs_.push_back(plain("。"));
}

void RecordFlow::place(const Line& line, const std::vector<Run>& runs, int number, int block,
                       double at, Page* drawing) const {
  if (drawing == nullptr) return;
  const Geometry& g = plan_.geometry;
  if (vertical_) {
    drawLine(plan_, runs, line, g.left(number) + g.textWidth() - at, g.bodyTop, *drawing, true);
  } else {
    drawLine(plan_, runs, line, g.left(number) + block * (g.columnWidth + g.columnGap),
             g.bodyTop + at, *drawing);
  }
}

bool RecordFlow::fill(int number, BookPage* page) {
  if (member_ < 0 && next_ >= plan_.recordOrder.size()) return false;
  Page* drawing = page == nullptr ? nullptr : &page->drawing;
  const Geometry& g = plan_.geometry;
  int firstDepth = -1, lastDepth = -1;
  for (int block = 0; block < blocks_; ++block) {
    fillBlock(number, block, page, firstDepth, lastDepth);
    if (drawing != nullptr && !vertical_ && block + 1 < blocks_) {
      const double x =
          g.left(number) + (block + 1) * (g.columnWidth + g.columnGap) - g.columnGap / 2;
      addLine(*drawing, x, g.bodyTop, x, g.bodyBottom, 0.3);
    }
  }
  if (drawing != nullptr) {
    if (number == plan_.firstRecordPage()) {
      drawing->bookmarks.insert(drawing->bookmarks.begin(), platform::PageBookmark{0, "世系录", 0});
    }
    std::string range = firstDepth < 0 ? std::string() : generationName(firstDepth);
    if (lastDepth > firstDepth) range += "至" + generationName(lastDepth);
    plan_.header(*drawing, number, "世系录", range);
  }
  return true;
}

void RecordFlow::fillBlock(int number, int block, BookPage* page, int& firstDepth, int& lastDepth) {
  Page* drawing = page == nullptr ? nullptr : &page->drawing;
  const double line = kBodySize * kLeading;
  double at = 0;
  while (true) {
    if (member_ < 0) {
      if (next_ >= plan_.recordOrder.size()) break;
      const int member = plan_.recordOrder[next_];
      const int depth = plan_.clan[static_cast<std::size_t>(member)].depth;
      if (depth != depth_) {
        // A generation's heading, kept with the first lines of its first entry.
        if (at > 0 && at + kHeadingHeight + 3 * line > extent_) break;
        placeHeading(depth, number, block, at, drawing);
      }
      loadEntry(member);
      member_ = member;
      ++next_;
    }
    const bool carried = nextLine_ > 0;
    if (firstDepth < 0) firstDepth = depth_;
    lastDepth = plan_.clan[static_cast<std::size_t>(member_)].depth;
    const std::optional<std::size_t> fit = linesThatFit(at, carried);
    if (!fit) break;
    if (carried) {
      placeContinued(number, block, at, page);
    } else {
      const std::size_t m = static_cast<std::size_t>(member_);
      if (page != nullptr) {
        page->records.push_back(member_);
        ++plan_.stepsDone;
      } else {
        plan_.recordPage[m] = number;
        plan_.recordTop[m] = static_cast<float>(vertical_ ? 0 : plan_.geometry.bodyTop + at);
      }
    }
    for (std::size_t i = 0; i < *fit; ++i) {
      const Line& placed = lines_[nextLine_++];
      place(placed, runs_, number, block, at, drawing);
      at += placed.height;
    }
    if (nextLine_ < lines_.size()) break;
    member_ = -1;
  }
}

void RecordFlow::placeHeading(int depth, int number, int block, double& at, Page* drawing) {
  std::vector<Run> scratch(1, plain(generationName(depth), kHeadingSize));
  scratch[0].bold = true;
  std::vector<Line> scratchLines;
  breakLines(scratch, 0, 1, lineLength_, 0, 0, kLeading, scratchLines);
  Line& heading = scratchLines.front();
  heading.height = kHeadingHeight;
  // Centred in a column; near the top of a vertical one.
  heading.indent = vertical_
                       ? 2 * kBodySize
                       : (lineLength_ - platform::textWidth(scratch[0].gbk, kHeadingSize)) / 2;
  place(heading, scratch, number, block, at, drawing);
  if (drawing != nullptr) {
    const double y = vertical_ ? 0 : at;
    drawing->bookmarks.push_back({1, generationName(depth), y});
  } else {
    plan_.generationPage[static_cast<std::size_t>(depth)] = number;
  }
  at += kHeadingHeight;
  depth_ = depth;
}

std::optional<std::size_t> RecordFlow::linesThatFit(double at, bool carried) const {
  const double continuation = carried ? kBodySize * kLeading : 0;
  double total = continuation;
  for (std::size_t i = nextLine_; i < lines_.size(); ++i) total += lines_[i].height;
  const std::size_t left = lines_.size() - nextLine_;
  if (at + total <= extent_) return left;
  std::size_t fit = 0;
  double used = at + continuation;
  while (nextLine_ + fit < lines_.size() && used + lines_[nextLine_ + fit].height <= extent_) {
    used += lines_[nextLine_ + fit++].height;
  }
  if (at > 0) {
    // Two lines at least on each side of a break; a short entry goes whole.
    if (left - fit < 2) fit = left >= 2 ? left - 2 : 0;
    if (left <= 3 || fit < 2) fit = 0;
  } else {
    fit = std::max<std::size_t>(fit, 1);
  }
  if (fit == 0) return std::nullopt;
  return fit;
}

void RecordFlow::placeContinued(int number, int block, double& at, BookPage* page) {
  std::vector<Run> scratch;
  Run again = name(printable(bookName(*plan_.clan[static_cast<std::size_t>(member_)].person)));
  again.size = kEntryNameSize;
  again.bold = true;
  scratch.push_back(std::move(again));
  scratch.push_back(plain("（续）", kBodySize, kGrey));
  std::vector<Line> scratchLines;
  breakLines(scratch, 0, scratch.size(), lineLength_, 0, 0, kLeading, scratchLines);
  place(scratchLines.front(), scratch, number, block, at,
        page == nullptr ? nullptr : &page->drawing);
  at += kBodySize * kLeading;
  if (page != nullptr) page->carried.push_back(member_);
}

}  // namespace quillet::book

namespace quillet {

// Lays the entries out once without drawing them: the page of every entry and of every
// generation's heading, and the pages they fill.
bool BookLayout::Plan::planRecords() {
  recordPage.assign(clan.size(), 0);
  recordTop.assign(clan.size(), 0);
  generationPage.assign(static_cast<std::size_t>(generations), 0);
  book::RecordFlow flow(*this);
  int number = firstRecordPage();
  while (flow.fill(number, nullptr)) ++number;
  recordPages = number - firstRecordPage();
  records = std::make_unique<book::RecordFlow>(*this);
  return true;
}

bool BookLayout::Plan::makeRecords(BookPage& page) { return records->fill(page.number, &page); }

}  // namespace quillet
