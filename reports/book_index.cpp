// The book's 人名索引: every member and wife shown, in pinyin (or stroke) order under the
// headings of their initials, each with his father or her husband and the pages of the chart box
// and of the entry (book_layout.h, book_plan.h).
#include <algorithm>

#include "reports/book_plan.h"
#include "reports/book_text.h"

namespace quillet::book {
namespace {

constexpr double kEntrySize = kBodySize;
constexpr double kLabelSize = kNameSize;
constexpr double kEntryHeight = 1.45 * kEntrySize;
constexpr double kLabelHeight = 2.2 * kLabelSize;

}  // namespace

// "贾宝玉  贾政次子  图12 录45", the name and the numbers linked to their pages.
void IndexFlow::drawEntry(std::size_t entry, double left, double top, BookPage& page) const {
  const BookLayout::Plan& p = plan_;
  const int person = p.indexOrder[entry];
  const int members = static_cast<int>(p.clan.size());
  const bool wife = person >= members;
  const int member = wife ? (person - members) / 2 : person;
  const int slot = wife ? (person - members) % 2 : 0;
  const std::size_t m = static_cast<std::size_t>(member);
  const ClanMember& kin = p.clan[m];
  const Person& whom = wife ? *kin.wives[slot] : *kin.person;

  std::vector<Run> runs;
  Run name;
  name.gbk = wife ? p.printedWifeName(member, slot) : p.printedName(member);
  name.size = kEntrySize;
  name.link = member;
  runs.push_back(std::move(name));
  Run relation;
  relation.size = kSmallSize;
  relation.colour = kGrey;
  if (wife) {
    relation.gbk = p.printedName(member) + wifeWord(kin.wives[0], whom, slot == 1);
  } else if (kin.parent < 0) {
    relation.gbk = "始祖";
  } else {
    relation.gbk = p.printedName(kin.parent) + rankWord(p.rank[m], whom.sex == 'f');
  }
  relation.gbk = "　" + relation.gbk;
  runs.push_back(std::move(relation));
  Line line;
  line.spans = {{0, 0, static_cast<std::uint32_t>(runs[0].gbk.size())},
                {1, 0, static_cast<std::uint32_t>(runs[1].gbk.size())}};
  line.size = kEntrySize;
  line.height = kEntryHeight;
  drawLine(p, runs, line, left, top, page.drawing);

  // The pages at the right end.
  std::vector<Run> pages(2);
  pages[0].gbk = "图";
  pages[0].reference = Run::Reference::kChartPage;
  pages[1].gbk = "　录";
  pages[1].reference = Run::Reference::kRecordPage;
  double length = 0;
  for (Run& run : pages) {
    run.size = kSmallSize;
    run.colour = kGrey;
    run.target = member;
    length += platform::textWidth(run.gbk + number(referencePage(p, run)), run.size);
  }
  Line numbers;
  numbers.spans = {{0, 0, static_cast<std::uint32_t>(pages[0].gbk.size())},
                   {1, 0, static_cast<std::uint32_t>(pages[1].gbk.size())}};
  numbers.size = kEntrySize;
  numbers.height = kEntryHeight;
  drawLine(p, pages, numbers, left + p.geometry.indexColumnWidth - length, top, page.drawing);
  page.index.push_back({&whom, member, p.ownPage[m], p.recordPage[m]});
}

bool IndexFlow::fill(int number, BookPage* page) {
  const BookLayout::Plan& p = plan_;
  if (next_ >= p.indexOrder.size()) return false;
  const Geometry& g = p.geometry;
  const double extent = g.bodyBottom - g.bodyTop;
  for (int column = 0; column < g.indexColumns; ++column) {
    const double left = g.left(number) + column * (g.indexColumnWidth + g.columnGap);
    double at = 0;
    while (next_ < p.indexOrder.size()) {
      const int label = p.indexLabel[next_];
      if (label != label_) {
        if (at + kLabelHeight + kEntryHeight > extent) break;
        if (page != nullptr) {
          addText(page->drawing, left, g.bodyTop + at + 0.5 * kLabelHeight + 0.4 * kLabelSize,
                  kLabelSize, p.indexLabels[static_cast<std::size_t>(label)], kBlack, true);
        }
        at += kLabelHeight;
        label_ = label;
      }
      if (at + kEntryHeight > extent) break;
      if (page != nullptr) {
        drawEntry(next_, left, g.bodyTop + at, *page);
        ++plan_.stepsDone;
      }
      at += kEntryHeight;
      ++next_;
    }
    if (page != nullptr && column + 1 < g.indexColumns) {
      const double x = left + g.indexColumnWidth + g.columnGap / 2;
      addLine(page->drawing, x, g.bodyTop, x, g.bodyBottom, 0.3);
    }
  }
  if (page != nullptr) {
    if (number == p.firstIndexPage()) page->drawing.bookmarks.push_back({0, "人名索引", 0});
    p.header(page->drawing, number, "人名索引",
             p.options.indexOrder == platform::NameOrder::pinyin ? "依拼音排序" : "依笔画排序");
  }
  return true;
}

}  // namespace quillet::book

namespace quillet {

// Orders every person shown by the collation of the options, with the heading of each, and
// counts the pages the index fills.
void BookLayout::Plan::planIndex() {
  platform::NameCollator collator(options.indexOrder);
  std::vector<std::pair<std::string, int>> keys;
  keys.reserve(clan.size() + wives);
  const int members = static_cast<int>(clan.size());
  for (int m = 0; m < members; ++m) {
    const std::size_t i = static_cast<std::size_t>(m);
    if (memberShown[i] != book::Shown::kHidden)
      keys.emplace_back(collator.sortKey(printedName(m)), m);
    for (int slot = 0; slot < 2; ++slot) {
      if (clan[i].wives[slot] == nullptr ||
          wifeShown[2 * i + static_cast<std::size_t>(slot)] == book::Shown::kHidden) {
        continue;
      }
      keys.emplace_back(collator.sortKey(printedWifeName(m, slot)), members + 2 * m + slot);
    }
  }
  std::sort(keys.begin(), keys.end());
  indexOrder.clear();
  indexLabel.clear();
  indexLabels.clear();
  for (auto& [key, person] : keys) {
    key = std::string();  // the keys' memory goes as the labels come
    indexOrder.push_back(person);
    const bool wife = person >= members;
    const int member = wife ? (person - members) / 2 : person;
    std::string label = collator.indexLabel(wife ? printedWifeName(member, (person - members) % 2)
                                                 : printedName(member));
    if (indexLabels.empty() || indexLabels.back() != label) indexLabels.push_back(std::move(label));
    indexLabel.push_back(static_cast<std::uint16_t>(indexLabels.size() - 1));
  }
  book::IndexFlow measure(*this);
  int number = firstIndexPage();
  while (measure.fill(number, nullptr)) ++number;
  indexPages = number - firstIndexPage();
  index = std::make_unique<book::IndexFlow>(*this);
}

bool BookLayout::Plan::makeIndex(BookPage& page) { return index->fill(page.number, &page); }

}  // namespace quillet
