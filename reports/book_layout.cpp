// The book's plan, its front matter (the cover, the 凡例, the contents), the running heads and
// the page numbers (book_layout.h, book_plan.h).
#include "reports/book_layout.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <utility>

#include "platform/gbk.h"
#include "reports/book_plan.h"
#include "reports/book_text.h"

namespace quillet {

using book::kMillimetre;
using platform::Page;
using platform::textWidth;

namespace {

constexpr double kContentsLine = 17;
constexpr double kContentsSize[] = {book::kNameSize, book::kBodySize, book::kBodySize};
// From one row of boxes to the next: room for the tallest box and the lines below it, and at
// most so much.
constexpr double kMinPitch = book::kMaxBoxHeight + 14;
constexpr double kMaxPitch = 116;

book::Geometry geometryOf(const BookOptions& options) {
  book::Geometry g;
  const bool a3 = options.paper == BookPaper::kA3;
  g.width = a3 ? 841.89 : 595.28;
  g.height = a3 ? 1190.55 : 841.89;
  g.inner = 22 * kMillimetre;
  g.outer = 15 * kMillimetre;
  g.headBaseline = 17 * kMillimetre;
  g.bodyTop = 24 * kMillimetre;
  g.bodyBottom = g.height - 21 * kMillimetre;
  g.folioBaseline = g.height - 14.5 * kMillimetre;
  g.labelWidth = 26;
  // A leaf takes two units: a box and the room to its neighbour.
  g.units = static_cast<int>((g.textWidth() - g.labelWidth) / ((book::kBoxWidth + 6) / 2));
  // As many pieces of a band's full depth as a page holds with the closest rows, their rows
  // then spread to fill it.
  g.pieceGap = 14;
  const int gaps = std::max(1, options.generationsPerPage - 1);
  const double body = g.bodyBottom - g.bodyTop + g.pieceGap;
  const double piece = book::kMaxBoxHeight + g.pieceGap;
  const int pieces = std::max(1, static_cast<int>(body / (gaps * kMinPitch + piece)));
  g.pitch = std::min(kMaxPitch, (body - pieces * piece) / (pieces * gaps));
  g.columnGap = 14;
  g.columns = a3 ? 3 : 2;
  g.columnWidth = (g.textWidth() - (g.columns - 1) * g.columnGap) / g.columns;
  g.indexColumns = a3 ? 4 : 3;
  g.indexColumnWidth = (g.textWidth() - (g.indexColumns - 1) * g.columnGap) / g.indexColumns;
  return g;
}

book::Shown shownOf(const Person& person, LivingPersons living) {
  if (person.alive == 'n' || living == LivingPersons::kShow) return book::Shown::kAll;
  return living == LivingPersons::kName ? book::Shown::kName : book::Shown::kHidden;
}

// Wraps `paragraph` at `width` for the front matter: plain lines of one size, the second and
// later `indent` in.
std::vector<std::string> wrapped(const std::string& paragraph, double size, double width,
                                 double indent) {
  std::vector<book::Run> runs(1);
  runs[0].gbk = paragraph;
  runs[0].size = size;
  std::vector<book::Line> lines;
  book::breakLines(runs, 0, 1, width, 0, indent, 1, lines);
  std::vector<std::string> texts;
  for (const book::Line& line : lines) {
    std::string text;
    for (const book::Span& span : line.spans)
      text += paragraph.substr(span.begin, span.end - span.begin);
    texts.push_back(std::move(text));
  }
  return texts;
}

}  // namespace

BookLayout::Plan::Plan() = default;
BookLayout::Plan::~Plan() = default;

std::string BookLayout::Plan::printedName(int member) const {
  const std::size_t m = static_cast<std::size_t>(member);
  if (memberShown[m] == book::Shown::kHidden) return "某";
  return book::printable(bookName(*clan[m].person));
}

std::string BookLayout::Plan::printedWifeName(int member, int slot) const {
  const std::size_t m = static_cast<std::size_t>(member);
  if (wifeShown[2 * m + static_cast<std::size_t>(slot)] == book::Shown::kHidden) return "某氏";
  return book::printable(bookName(wife(member, slot)));
}

// --- Running heads and page numbers -------------------------------------------------------------

// The section at the outer side, the book's title at the inner side, a rule below.
void BookLayout::Plan::header(Page& page, int number, std::string_view section,
                              std::string_view subtitle) const {
  const book::Geometry& g = geometry;
  const double left = g.left(number), right = left + g.textWidth();
  const bool odd = number % 2 == 1;
  std::string text(section);
  if (!subtitle.empty()) text += "　";
  const double sectionWidth =
      textWidth(text, book::kNameSize) + textWidth(subtitle, book::kBodySize);
  const double sectionX = odd ? right - sectionWidth : left;
  book::addText(page, sectionX, g.headBaseline, book::kNameSize, text, book::kBlack, true);
  if (!subtitle.empty()) {
    book::addText(page, sectionX + textWidth(text, book::kNameSize), g.headBaseline,
                  book::kBodySize, std::string(subtitle));
  }
  const double titleX = odd ? left : right - textWidth(title, book::kBodySize);
  book::addText(page, titleX, g.headBaseline, book::kBodySize, title, book::kGrey);
  book::addLine(page, left, g.headBaseline + 5, right, g.headBaseline + 5, 0.6);
}

void BookLayout::Plan::footer(Page& page, int number) const {
  const book::Geometry& g = geometry;
  book::addCentred(page, g.left(number) + g.textWidth() / 2, g.folioBaseline, book::kBodySize,
                   book::number(number));
}

// --- The front matter ---------------------------------------------------------------------------

void BookLayout::Plan::makeCover(BookPage& page) const {
  Page& d = page.drawing;
  const book::Geometry& g = geometry;
  const double centre = g.width / 2;
  const double frame = 16 * kMillimetre;
  d.rects.push_back({frame, frame, g.width - 2 * frame, g.height - 2 * frame, 1.6});
  d.rects.push_back(
      {frame + 6, frame + 6, g.width - 2 * frame - 12, g.height - 2 * frame - 12, 0.5});
  d.bookmarks.push_back({0, "封面", 0});
  const double titleSize = g.width / 15;
  book::addCentred(d, centre, g.height * 0.36, titleSize, title, book::kBlack, true);
  book::addCentred(d, centre, g.height * 0.36 + titleSize * 1.4, 14, "始祖　" + printedName(0));
  book::addCentred(d, centre, g.height * 0.36 + titleSize * 1.4 + 30, 12,
                   "本谱收录" + book::number(static_cast<long>(clan.size() + wives)) + "人（族人" +
                       book::number(static_cast<long>(clan.size())) + "人，配偶" +
                       book::number(static_cast<long>(wives)) + "人），凡" +
                       chineseNumber(generations) + "世");
  if (!options.madeOn.empty()) {
    book::addCentred(d, centre, g.height * 0.8, 12, book::printable(options.madeOn) + "　编印");
  }
}

void BookLayout::Plan::makeKey(BookPage& page) const {
  Page& d = page.drawing;
  const book::Geometry& g = geometry;
  const int number = page.number;
  d.bookmarks.push_back({0, "凡例", 0});
  header(d, number, "凡例", "");
  const double left = g.left(number);
  double y = g.bodyTop + 24;
  book::addCentred(d, left + g.textWidth() / 2, y, 18, "凡　　例", book::kBlack, true);
  y += 20;
  const std::string generationsText = chineseNumber(options.generationsPerPage);
  std::vector<std::string> key = {
      "本谱以始祖" + printedName(0) + "为一世，其子为二世，依次下推。日期皆依公历。",
      "世系图每图" + generationsText +
          "世，自上而下，父子以线相连，兄弟姊妹依出生先后自左而右。一图之末世有后者，"
          "于后图为首，重出于灰底框中。图幅过宽者截为数段，或数段同页；续段之首重出其父祖。",
      "实线框为男，虚线框为女；男子框内“配”字后为其妻。灰底框为重出之人：“承第M页”指其前见之页，"
      "“接上”指其见于本页上段；“见第N页”指其世系续见之页，续见数页者并列之。",
      "世系录依世次排列，同世依世系图之次序，每人一条：名后“图”字小注为其世系图页码；次书其父与排行"
      "（子女各自排行）、生母、生卒、配偶及子女，子女名后小字为其条目页码；末附传记。原配书“配”，"
      "前妻卒后所娶者书“继配”，前妻在时所娶或不详者书“又配”。一条跨栏者，后栏首重书其名，注“续”。",
      std::string("人名索引收族人及其配偶，依姓名") +
          (options.indexOrder == platform::NameOrder::pinyin ? "拼音" : "笔画") +
          "排序，名后注其父或夫；“图”后为世系图页码，“录”后为世系录页码。"};
  if (options.living == LivingPersons::kName) {
    key.push_back("在世之人只书姓名，不书生卒及传记。");
  } else if (options.living == LivingPersons::kHide) {
    key.push_back("在世之人不录，其位书“某”，妻书“某氏”。");
  }
  const double size = book::kBodySize;
  for (std::size_t i = 0; i < key.size(); ++i) {
    const std::string lead = chineseNumber(static_cast<long>(i) + 1) + "、";
    bool first = true;
    for (std::string& line : wrapped(lead + key[i], size, g.textWidth(), textWidth(lead, size))) {
      y += size * 1.8;
      book::addText(d, left + (first ? 0 : textWidth(lead, size)), y, size, std::move(line));
      first = false;
    }
    y += 4;
  }
  // The kinds of box, drawn as the charts draw them.
  y += 24;
  struct Sample {
    const char* name;
    const char* meaning;
    bool dashed;
    bool repeated;
  };
  const Sample samples[] = {{"男", "族中男子", false, false},
                            {"女", "族中女子", true, false},
                            {"重出", "前已见之人", false, true}};
  double x = left;
  for (const Sample& sample : samples) {
    platform::PageRect rect{x, y, book::kBoxWidth, 22, 0.8, book::kBlack};
    if (sample.repeated) {
      rect.fill = book::kRepeatFill;
      rect.colour = book::kGrey;
    }
    rect.dashed = sample.dashed;
    d.rects.push_back(rect);
    book::addCentred(d, x + book::kBoxWidth / 2, y + 15, book::kBodySize, sample.name,
                     sample.repeated ? book::kGrey : book::kBlack);
    book::addText(d, x + book::kBoxWidth + 6, y + 15, book::kBodySize, sample.meaning);
    x += book::kBoxWidth + 6 + textWidth(sample.meaning, book::kBodySize) + 24;
  }
}

void BookLayout::Plan::makeContents(BookPage& page, int index) const {
  Page& d = page.drawing;
  const book::Geometry& g = geometry;
  const int number = page.number;
  if (index == 0) d.bookmarks.push_back({0, "目录", 0});
  header(d, number, "目录", "");
  const double left = g.left(number), right = left + g.textWidth();
  double y = g.bodyTop;
  if (index == 0) {
    book::addCentred(d, left + g.textWidth() / 2, y + 24, 18, "目　　录", book::kBlack, true);
    y += 44;
  }
  const int first = index == 0 ? 0 : contentsPerPage - 3 + (index - 1) * contentsPerPage;
  const int last = std::min(static_cast<int>(contents.size()),
                            index == 0 ? contentsPerPage - 3 : first + contentsPerPage);
  for (int e = first; e < last; ++e) {
    const book::ContentsLine& line = contents[static_cast<std::size_t>(e)];
    const double size = kContentsSize[line.level];
    const double baseline = y + kContentsLine * 0.75;
    const double x = left + line.level * 2 * kContentsSize[0];
    const std::string pageText = book::number(line.page);
    book::addText(d, x, baseline, size, line.gbk, book::kBlack, line.level == 0);
    const double numberX = right - textWidth(pageText, size);
    book::addText(d, numberX, baseline, size, pageText);
    book::addLine(d, x + textWidth(line.gbk, size) + 6, baseline, numberX - 6, baseline, 0.9, true);
    d.links.push_back({x, y, right - x, kContentsLine, line.page, 0});
    y += kContentsLine;
  }
}

// --- The plan -----------------------------------------------------------------------------------

BookLayout::BookLayout() = default;
BookLayout::~BookLayout() = default;

namespace {

using Plan = BookLayout::Plan;

// What each person shows; the children in birth order; each child's place among the sons or
// daughters; the number of wives and of generations.
void planMembers(Plan& p) {
  const std::size_t members = p.clan.size();
  p.memberShown.resize(members);
  p.wifeShown.assign(2 * members, book::Shown::kAll);
  p.childStart.assign(members + 1, 0);
  p.rank.assign(members, 1);
  for (std::size_t m = 0; m < members; ++m) {
    const ClanMember& member = p.clan[m];
    p.memberShown[m] = shownOf(*member.person, p.options.living);
    for (int slot = 0; slot < 2; ++slot) {
      if (member.wives[slot] == nullptr) continue;
      ++p.wives;
      p.wifeShown[2 * m + static_cast<std::size_t>(slot)] =
          shownOf(*member.wives[slot], p.options.living);
    }
    p.generations = std::max(p.generations, member.depth + 1);
    p.childStart[m + 1] = p.childStart[m] + static_cast<int>(member.children.size());
    const std::size_t from = p.sortedChildren.size();
    p.sortedChildren.insert(p.sortedChildren.end(), member.children.begin(), member.children.end());
    std::stable_sort(p.sortedChildren.begin() + static_cast<std::ptrdiff_t>(from),
                     p.sortedChildren.end(), [&p](int a, int b) {
                       return std::strcmp(
                                  p.clan[static_cast<std::size_t>(a)].person->birthDate.data(),
                                  p.clan[static_cast<std::size_t>(b)].person->birthDate.data()) < 0;
                     });
    int sons = 0, daughters = 0;
    for (std::size_t c = from; c < p.sortedChildren.size(); ++c) {
      const std::size_t child = static_cast<std::size_t>(p.sortedChildren[c]);
      p.rank[child] = p.clan[child].person->sex == 'f' ? ++daughters : ++sons;
    }
  }
}

// The charts' order, depth first; the entries by generation in that order.
void planOrders(Plan& p) {
  const std::size_t members = p.clan.size();
  p.preorder.assign(members, 0);
  std::vector<std::vector<int>> byDepth(static_cast<std::size_t>(p.generations));
  std::vector<int> stack = {0};
  int next = 0;
  while (!stack.empty()) {
    const int member = stack.back();
    stack.pop_back();
    const std::size_t m = static_cast<std::size_t>(member);
    p.preorder[m] = next++;
    if (p.memberShown[m] != book::Shown::kHidden) {
      byDepth[static_cast<std::size_t>(p.clan[m].depth)].push_back(member);
    }
    for (int c = p.childStart[m + 1]; c-- > p.childStart[m];) {
      stack.push_back(p.sortedChildren[static_cast<std::size_t>(c)]);
    }
  }
  for (std::vector<int>& depth : byDepth) {
    p.recordOrder.insert(p.recordOrder.end(), depth.begin(), depth.end());
    depth = std::vector<int>();
  }
}

// The contents' lines of a band with charts of several heads: one for each page where charts
// begin, naming their heads (等N支 for those that do not fit on the line).
void addHeadsLines(Plan& p, const book::Band& band, double contentsWidth) {
  std::size_t h = 0;
  while (h < band.heads.size()) {
    const int node = p.headNode[static_cast<std::size_t>(band.heads[h])].second;
    const int page =
        p.pieces[static_cast<std::size_t>(band.nodes[static_cast<std::size_t>(node)].piece)].page;
    std::vector<std::string> names;
    for (; h < band.heads.size(); ++h) {
      const int other = p.headNode[static_cast<std::size_t>(band.heads[h])].second;
      if (p.pieces[static_cast<std::size_t>(band.nodes[static_cast<std::size_t>(other)].piece)]
              .page != page)
        break;
      names.push_back(p.printedName(band.heads[h]));
    }
    std::string text;
    for (std::size_t i = 0; i < names.size(); ++i) {
      std::string longer = text + (i > 0 ? "、" : "") + names[i];
      const std::string rest = "等" + book::number(static_cast<long>(names.size())) + "支";
      if (textWidth(longer + rest, kContentsSize[2]) > contentsWidth && i > 0) {
        text += rest;
        break;
      }
      text = std::move(longer);
    }
    p.contents.push_back({2, text, page});
  }
}

// The contents' lines of the key and the charts: each band and the pages where its charts
// begin. Returns the bands' lines.
std::vector<std::size_t> addChartContents(Plan& p) {
  p.contents.push_back({0, "凡例", 2});
  p.contents.push_back({0, "世系图", 0});
  std::vector<std::size_t> bandLines;
  const double contentsWidth = p.geometry.textWidth() - 4 * kContentsSize[0] - 60;
  for (const book::Band& band : p.bands) {
    const int bottom = std::min(band.top + p.options.generationsPerPage - 1, p.generations - 1);
    bandLines.push_back(p.contents.size());
    p.contents.push_back({1, generationName(band.top) + "至" + generationName(bottom),
                          p.pieces[static_cast<std::size_t>(band.firstPiece)].page});
    if (band.heads.size() >= 2) addHeadsLines(p, band, contentsWidth);
  }
  return bandLines;
}

// The contents' lines of the entries (each generation with entries: its line in
// `generationLines`, 0 for none) and of the index. Returns the entries' line.
std::size_t addRecordContents(Plan& p, std::vector<std::size_t>& generationLines) {
  p.contents.push_back({0, "世系录", 0});
  const std::size_t recordsLine = p.contents.size() - 1;
  generationLines.assign(static_cast<std::size_t>(p.generations), 0);
  std::vector<bool> hasEntries(static_cast<std::size_t>(p.generations), false);
  for (const int member : p.recordOrder)
    hasEntries[static_cast<std::size_t>(p.clan[static_cast<std::size_t>(member)].depth)] = true;
  for (int depth = 0; depth < p.generations; ++depth) {
    if (!hasEntries[static_cast<std::size_t>(depth)]) continue;
    generationLines[static_cast<std::size_t>(depth)] = p.contents.size();
    p.contents.push_back({1, generationName(depth), 0});
  }
  p.contents.push_back({0, "人名索引", 0});
  return recordsLine;
}

// The pages of the contents; the charts, planned with one page of contents, and their lines in
// the contents (`bandLines` and the heads' lines) moved after them.
void placeContentsPages(Plan& p, const std::vector<std::size_t>& bandLines) {
  const double lines = (p.geometry.bodyBottom - p.geometry.bodyTop) / kContentsLine;
  p.contentsPerPage = std::max(4, static_cast<int>(lines));
  const int entries = static_cast<int>(p.contents.size());
  const int firstPage = p.contentsPerPage - 3;
  p.contentsPages = entries <= firstPage
                        ? 1
                        : 1 + (entries - firstPage + p.contentsPerPage - 1) / p.contentsPerPage;
  const int shift = p.contentsPages - 1;
  for (book::Piece& piece : p.pieces) piece.page += shift;
  for (int& page : p.ownPage) page += shift;
  for (book::Band& band : p.bands) {
    for (book::ChartNode& node : band.nodes) {
      if (node.seeFirst != 0) {
        node.seeFirst += shift;
        node.seeLast += shift;
      }
      if (node.fromPage != 0) node.fromPage += shift;
    }
  }
  for (std::size_t line : bandLines) p.contents[line].page += shift;
  for (book::ContentsLine& line : p.contents) {
    if (line.level == 2) line.page += shift;
  }
}

}  // namespace

bool BookLayout::plan(const FamilyTree& tree, const BookOptions& options) {
  plan_.reset();
  if (options.generationsPerPage < kMinGenerationsPerPage ||
      options.generationsPerPage > kMaxGenerationsPerPage) {
    return false;
  }
  auto plan = std::make_unique<Plan>();
  Plan& p = *plan;
  p.clan = collectClan(tree);
  if (p.clan.empty()) return false;
  p.options = options;
  p.geometry = geometryOf(options);
  planMembers(p);
  planOrders(p);
  const std::string_view rootName = bookName(*p.clan[0].person);
  const std::size_t surname = std::max<std::size_t>(1, platform::gbkCharLength(rootName));
  p.title = "《" + book::printable(rootName.substr(0, surname)) + "氏家谱》";

  p.planCharts();

  // The contents: the key, each band and the pages where its charts begin, each generation's
  // entries, the index. Their pages are known once the entries are laid out; their number now.
  const std::vector<std::size_t> bandLines = addChartContents(p);
  std::vector<std::size_t> generationLines;
  const std::size_t recordsLine = addRecordContents(p, generationLines);
  placeContentsPages(p, bandLines);

  p.planRecords();
  p.planIndex();
  p.contents[1].page = p.firstChartPage();
  p.contents[recordsLine].page = p.firstRecordPage();
  for (int depth = 0; depth < p.generations; ++depth) {
    const std::size_t line = generationLines[static_cast<std::size_t>(depth)];
    if (line != 0) p.contents[line].page = p.generationPage[static_cast<std::size_t>(depth)];
  }
  p.contents.back().page = p.firstIndexPage();
  plan_ = std::move(plan);
  return true;
}

const std::string& BookLayout::title() const { return plan_->title; }
const std::vector<ClanMember>& BookLayout::clan() const { return plan_->clan; }
std::size_t BookLayout::wives() const { return plan_->wives; }
std::size_t BookLayout::personsShown() const { return plan_->indexOrder.size(); }
int BookLayout::generations() const { return plan_->generations; }
int BookLayout::bands() const { return static_cast<int>(plan_->bands.size()); }
int BookLayout::bandFirstPage(int band) const {
  return plan_
      ->pieces[static_cast<std::size_t>(plan_->bands[static_cast<std::size_t>(band)].firstPiece)]
      .page;
}
int BookLayout::bandTopGeneration(int band) const {
  return plan_->bands[static_cast<std::size_t>(band)].top;
}
int BookLayout::firstChartPage() const { return plan_->firstChartPage(); }
int BookLayout::firstRecordPage() const { return plan_->firstRecordPage(); }
int BookLayout::firstIndexPage() const { return plan_->firstIndexPage(); }
int BookLayout::pages() const { return plan_->totalPages(); }
int BookLayout::chartPageOf(int member) const {
  return plan_->ownPage[static_cast<std::size_t>(member)];
}
int BookLayout::recordPageOf(int member) const {
  return plan_->recordPage[static_cast<std::size_t>(member)];
}
std::size_t BookLayout::steps() const {
  return plan_->clan.size() + plan_->recordOrder.size() + plan_->indexOrder.size();
}

bool BookLayout::nextPage(BookPage& page) {
  if (!plan_) return false;
  Plan& plan = *plan_;
  const int number = plan.nextNumber;
  if (number > plan.totalPages()) return false;
  page.boxes.clear();
  page.links.clear();
  page.records.clear();
  page.carried.clear();
  page.index.clear();
  page.drawing.clear();
  page.drawing.width = plan.geometry.width;
  page.drawing.height = plan.geometry.height;
  page.number = number;
  if (number == 1) {
    page.part = BookPage::Part::kCover;
    plan.makeCover(page);
  } else if (number == 2) {
    page.part = BookPage::Part::kKey;
    plan.makeKey(page);
  } else if (number < plan.firstChartPage()) {
    page.part = BookPage::Part::kContents;
    plan.makeContents(page, number - 3);
  } else if (number < plan.firstRecordPage()) {
    page.part = BookPage::Part::kChart;
    plan.makeChart(page, number - plan.firstChartPage());
  } else if (number < plan.firstIndexPage()) {
    page.part = BookPage::Part::kRecords;
    if (!plan.makeRecords(page)) return false;
  } else {
    page.part = BookPage::Part::kIndex;
    if (!plan.makeIndex(page)) return false;
  }
  if (number > 1) plan.footer(page.drawing, number);
  ++plan.nextNumber;
  page.stepsDone = plan.stepsDone;
  return true;
}

}  // namespace quillet
