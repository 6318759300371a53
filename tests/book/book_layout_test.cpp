// The printed book's layout over clans of every shape (the shipped one, generated ones of 10^3
// and 10^4 persons, a wide one, a deep one and a man with 5,000 sons, on both papers and at
// several generations a page): every mark inside the print area with the gutter kept, boxes that
// never overlap and hold their texts, lines only between a father and his child, every member's
// own box once, every chart page reachable, references that lead to each other, every entry once
// in the order of the generations and the charts and carried over under its name, and an index
// whose pages hold its persons.
#include "reports/book_layout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "platform/gbk.h"
#include "platform/icu/name_collation.h"
#include "tests/support/clan_tree.h"
#include "tests/support/genealogy_text.h"
#include "tests/support/temp_dir.h"
#include "tools/genealogy_generator/genealogy_generator.h"

namespace quillet {
namespace {

using testing::ClanTree;
using testing::readable;
using testing::RecordSpec;

constexpr double kMillimetre = 72.0 / 25.4;

std::string trimmed(const Person& person) {
  std::string name(keyText(person.name));
  while (!name.empty() && name.back() == ' ') name.pop_back();
  return name;
}

// A box as seen on its page.
struct Seen {
  int page = 0;
  BookBox box;
};

// Every mark of `page` stays 12 mm inside the trim; on any page but the cover, the inner margin
// (left on odd pages, right on even ones) keeps 20 mm free.
void checkPrintArea(const BookPage& page) {
  const platform::Page& d = page.drawing;
  const double trim = 12 * kMillimetre, gutter = 20 * kMillimetre;
  const double left = page.number > 1 && page.number % 2 == 1 ? gutter : trim;
  const double right = d.width - (page.number > 1 && page.number % 2 == 0 ? gutter : trim);
  auto inside = [&](double x1, double y1, double x2, double y2, const std::string& what) {
    EXPECT_TRUE(x1 >= left && x2 <= right && y1 >= trim && y2 <= d.height - trim)
        << what << " at " << x1 << "," << y1 << "-" << x2 << "," << y2 << " on page "
        << page.number;
  };
  for (const platform::PageRect& r : d.rects)
    inside(r.x, r.y, r.x + r.width, r.y + r.height, "box");
  for (const platform::PageLine& l : d.lines) {
    inside(std::min(l.x1, l.x2), std::min(l.y1, l.y2), std::max(l.x1, l.x2), std::max(l.y1, l.y2),
           "line");
  }
  for (const platform::PageText& t : d.texts) {
    const double length = platform::textWidth(t.gbk, t.size);
    if (t.vertical) {
      inside(t.x, t.baseline, t.x + t.size, t.baseline + length, readable(t.gbk));
    } else {
      inside(t.x, t.baseline - t.size, t.x + length, t.baseline + 0.2 * t.size, readable(t.gbk));
    }
  }
}

// The texts of `page` that stand inside `box`, in drawing order; fails when one runs out of it.
std::vector<std::string> textsIn(const BookPage& page, const BookBox& box) {
  std::vector<std::string> texts;
  for (const platform::PageText& text : page.drawing.texts) {
    if (text.baseline < box.y || text.baseline > box.y + box.height || text.x < box.x ||
        text.x > box.x + box.width) {
      continue;
    }
    EXPECT_LE(text.x + platform::textWidth(text.gbk, text.size), box.x + box.width)
        << readable(text.gbk) << " on page " << page.number;
    texts.push_back(text.gbk);
  }
  return texts;
}

bool overlap(const BookBox& a, const BookBox& b) {
  return a.x < b.x + b.width && b.x < a.x + a.width && a.y < b.y + b.height && b.y < a.y + a.height;
}

std::string pagesText(int first, int last) {
  if (last <= first) return "第" + std::to_string(first) + "页";
  return "第" + std::to_string(first) + (last == first + 1 ? "、" : "至") + std::to_string(last) +
         "页";
}

// Checks one chart page by itself and keeps its boxes for the checks across pages.
void checkChartPage(const BookLayout& layout, const BookPage& page, LivingPersons living,
                    std::vector<Seen>& seen) {
  const auto& clan = layout.clan();
  std::vector<int> fathers(page.boxes.size(), 0);
  for (const BookLink& link : page.links) {
    const BookBox& father = page.boxes[static_cast<std::size_t>(link.father)];
    const BookBox& child = page.boxes[static_cast<std::size_t>(link.child)];
    EXPECT_EQ(clan[static_cast<std::size_t>(child.member)].parent, father.member);
    EXPECT_EQ(child.row, father.row + 1);
    EXPECT_GT(child.y, father.y + father.height);
    EXPECT_NE(child.kind, BookBox::Kind::kHead);
    ++fathers[static_cast<std::size_t>(link.child)];
  }
  for (std::size_t i = 0; i < page.boxes.size(); ++i) {
    const BookBox& box = page.boxes[i];
    const ClanMember& member = clan[static_cast<std::size_t>(box.member)];
    SCOPED_TRACE(readable(trimmed(*member.person)) + " on page " + std::to_string(page.number));
    for (std::size_t j = 0; j < i; ++j) EXPECT_FALSE(overlap(box, page.boxes[j]));
    // Every box below the top row of its piece hangs from its father on the same page.
    EXPECT_EQ(fathers[i], box.row > 0 ? 1 : 0);
    // The box names him (某 for one left out), his wives (not on a stub), its references.
    auto hidden = [living](const Person& p) {
      return p.alive != 'n' && living == LivingPersons::kHide;
    };
    std::vector<std::string> expected = {hidden(*member.person) ? "某" : trimmed(*member.person)};
    for (const Person* wife : member.wives) {
      if (wife != nullptr && box.kind != BookBox::Kind::kStub) {
        expected.push_back("配" + (hidden(*wife) ? std::string("某氏") : trimmed(*wife)));
      }
    }
    std::string references;
    if (box.fromPage != 0) {
      references = box.kind == BookBox::Kind::kStub && box.fromPage == page.number
                       ? "接上"
                       : "承" + pagesText(box.fromPage, box.fromPage);
    }
    if (box.seeFirst != 0) references += "见" + pagesText(box.seeFirst, box.seeLast);
    std::vector<std::string> texts = textsIn(page, box);
    std::string drawn;
    for (std::size_t t = expected.size(); t < texts.size(); ++t) drawn += texts[t];
    texts.resize(std::min(texts.size(), expected.size()));
    EXPECT_EQ(texts, expected);
    EXPECT_EQ(drawn, references);
    if (box.seeFirst != 0) {
      EXPECT_GT(box.seeFirst, page.number);
    }
    seen.push_back({page.number, box});
  }
}

// What a whole book gave.
struct Book {
  int pages = 0;
  std::vector<std::string> recordTexts;  // every text of the record pages, in order
};

// Lays out the whole book and checks every promise of it.
Book checkBook(const FamilyTree& tree, const BookOptions& options) {
  Book book;
  BookLayout layout;
  if (!layout.plan(tree, options)) {
    ADD_FAILURE() << "no plan";
    return book;
  }
  const auto& clan = layout.clan();
  const std::size_t members = clan.size();
  auto shown = [&options](const Person& p) {
    return p.alive == 'n' || options.living != LivingPersons::kHide;
  };
  std::vector<Seen> seen;
  std::vector<int> entries;                // members, in the order their entries begin
  std::vector<int> entryPage(members, 0);  // where each begins
  std::set<int> namedPages;                // chart pages named in the contents
  std::vector<std::string> bookmarks;      // level 0
  std::vector<BookIndexEntry> index;
  BookPage page;
  int open = -1;  // the entry that went on past the last page's end
  while (layout.nextPage(page)) {
    EXPECT_EQ(page.number, ++book.pages);
    checkPrintArea(page);
    for (const platform::PageBookmark& mark : page.drawing.bookmarks) {
      if (mark.level == 0) bookmarks.push_back(mark.gbk);
    }
    for (const platform::PageLink& link : page.drawing.links) {
      EXPECT_GE(link.page, 1);
      EXPECT_LE(link.page, layout.pages());
      if (page.part == BookPage::Part::kContents) namedPages.insert(link.page);
    }
    EXPECT_LE(page.stepsDone, layout.steps());
    switch (page.part) {
      case BookPage::Part::kChart:
        checkChartPage(layout, page, options.living, seen);
        break;
      case BookPage::Part::kRecords: {
        // An entry carried over goes on at the top of the page, or of a column, under its name
        // again: the one that went on past the last page, or one begun on this page.
        for (const int carried : page.carried) {
          EXPECT_TRUE(carried == open || std::find(page.records.begin(), page.records.end(),
                                                   carried) != page.records.end())
              << "page " << page.number;
        }
        const bool repeated = std::any_of(page.drawing.texts.begin(), page.drawing.texts.end(),
                                          [&](const platform::PageText& t) {
                                            return !page.carried.empty() && t.gbk == "（续）";
                                          });
        EXPECT_EQ(repeated, !page.carried.empty()) << "page " << page.number;
        for (const int member : page.records) {
          entries.push_back(member);
          entryPage[static_cast<std::size_t>(member)] = page.number;
        }
        if (!page.records.empty()) open = page.records.back();
        for (const platform::PageText& t : page.drawing.texts) book.recordTexts.push_back(t.gbk);
        break;
      }
      case BookPage::Part::kIndex: {
        // Each entry says its pages: 图N for the chart box, 录M for the entry.
        std::set<std::string> texts;
        for (const platform::PageText& t : page.drawing.texts) texts.insert(t.gbk);
        for (const BookIndexEntry& entry : page.index) {
          EXPECT_EQ(texts.count("图" + std::to_string(entry.chartPage) + "　录" +
                                std::to_string(entry.recordPage)),
                    1u)
              << page.number;
        }
        index.insert(index.end(), page.index.begin(), page.index.end());
        break;
      }
      default:
        break;
    }
  }
  EXPECT_EQ(book.pages, layout.pages());
  EXPECT_EQ(page.stepsDone, layout.steps());
  const std::vector<std::string> parts = {"封面", "凡例", "目录", "世系图", "世系录", "人名索引"};
  EXPECT_EQ(bookmarks, parts);

  // Each member's own box once, a head box at most once.
  std::vector<const Seen*> own(members, nullptr);
  std::map<std::pair<int, int>, const Seen*> repeated;  // (member, page) of heads and stubs
  for (const Seen& s : seen) {
    if (s.box.kind == BookBox::Kind::kMember) {
      EXPECT_EQ(own[static_cast<std::size_t>(s.box.member)], nullptr);
      own[static_cast<std::size_t>(s.box.member)] = &s;
    } else {
      repeated.emplace(std::pair{s.box.member, s.page}, &s);
    }
  }
  // Every page a box names holds him again, saying where he comes from; every box that stands
  // again says so truly. Every chart page is named by a box or in the contents.
  std::set<int> chartPages;
  for (const Seen& s : seen) {
    chartPages.insert(s.page);
    for (int p = s.box.seeFirst; p != 0 && p <= s.box.seeLast; ++p) {
      namedPages.insert(p);
      const auto there = repeated.find({s.box.member, p});
      if (there == repeated.end()) {
        ADD_FAILURE() << "见第" << p << "页 on page " << s.page << " finds nobody";
      } else {
        // From this box, or from his box on an earlier page of those named.
        const int from = there->second->box.fromPage;
        EXPECT_TRUE(from == s.page || (from >= s.box.seeFirst && from < p))
            << "page " << p << " says 承第" << from << "页, named on page " << s.page;
      }
    }
    if (s.box.kind == BookBox::Kind::kMember || s.box.fromPage == s.page) continue;
    const Seen* origin = own[static_cast<std::size_t>(s.box.member)];
    if (origin == nullptr || origin->page != s.box.fromPage) {
      const auto head = repeated.find({s.box.member, s.box.fromPage});
      origin = head == repeated.end() ? nullptr : head->second;
    }
    if (origin == nullptr) {
      ADD_FAILURE() << "承第" << s.box.fromPage << "页 on page " << s.page << " leads nowhere";
    } else {
      EXPECT_GE(s.page, origin->box.seeFirst);
      EXPECT_LE(s.page, origin->box.seeLast);
    }
  }
  for (const int p : chartPages) {
    EXPECT_TRUE(p == layout.firstChartPage() || namedPages.count(p) == 1)
        << "chart page " << p << " is named nowhere";
  }
  EXPECT_EQ(static_cast<int>(chartPages.size()),
            layout.firstRecordPage() - layout.firstChartPage());

  // An entry for every member shown, by generation, within one as his box stands in the charts
  // (page by page, piece by piece, left to right).
  std::vector<const Seen*> order;
  for (std::size_t m = 0; m < members; ++m) {
    if (own[m] == nullptr) {
      ADD_FAILURE() << readable(trimmed(*clan[m].person)) << " has no box";
      return book;
    }
    if (shown(*clan[m].person)) order.push_back(own[m]);
  }
  std::sort(order.begin(), order.end(), [&clan](const Seen* a, const Seen* b) {
    auto key = [&clan](const Seen* s) {
      return std::tuple(clan[static_cast<std::size_t>(s->box.member)].depth, s->page, s->box.y,
                        s->box.x);
    };
    return key(a) < key(b);
  });
  std::vector<int> expected;
  for (const Seen* s : order) expected.push_back(s->box.member);
  EXPECT_TRUE(entries == expected) << entries.size() << " entries of " << expected.size();

  // The index: every person shown once, in the collation's order, its pages holding him.
  std::set<const Person*> indexed;
  platform::NameCollator collator(options.indexOrder);
  std::string lastKey;
  for (const BookIndexEntry& entry : index) {
    EXPECT_TRUE(indexed.insert(entry.person).second) << readable(trimmed(*entry.person));
    const std::size_t m = static_cast<std::size_t>(entry.member);
    EXPECT_EQ(entry.chartPage, own[m]->page);
    EXPECT_EQ(entry.recordPage, entryPage[m]);
    const std::string key = collator.sortKey(trimmed(*entry.person));
    EXPECT_LE(lastKey, key) << readable(trimmed(*entry.person));
    lastKey = key;
  }
  std::size_t persons = 0;
  for (const ClanMember& member : clan) {
    persons += shown(*member.person);
    for (const Person* wife : member.wives) persons += wife != nullptr && shown(*wife);
  }
  EXPECT_EQ(indexed.size(), persons);
  return book;
}

// Two GBK characters of the GB2312 first level numbered by `serial`.
std::string givenName(int serial) {
  std::string name;
  for (int index : {serial / 3666, serial % 3666}) {
    name += static_cast<char>(0xB0 + index / 94);
    name += static_cast<char>(0xA1 + index % 94);
  }
  return name;
}

// A root with `sons` sons, each with `grandsons` sons and a daughter: more brothers than a row
// holds.
std::string wideClan(int sons, int grandsons = 3) {
  std::vector<std::string> names;
  std::vector<RecordSpec> specs;
  auto add = [&](RecordSpec spec, int serial) {
    names.push_back("贾" + givenName(serial));
    spec.name = names.back();
    specs.push_back(spec);
  };
  const int family = grandsons + 2;
  names.reserve(static_cast<std::size_t>(sons * family + 2));
  add({.generation = '0', .married = 'y'}, 0);
  specs.push_back(
      {.name = "王氏", .generation = '0', .sex = 'f', .married = 'y', .husband = names[0]});
  for (int s = 0; s < sons; ++s) {
    const std::size_t son = names.size();
    add({.generation = '1',
         .father = names[0],
         .olderSibling =
             s > 0 ? std::string_view(names[son - static_cast<std::size_t>(family)]) : "",
         .motherIndex = '1'},
        1 + s * family);
    for (int g = 0; g <= grandsons; ++g) {
      add({.generation = '2',
           .father = names[son],
           .sex = g == grandsons ? 'f' : 'm',
           .olderSibling = g > 0 ? std::string_view(names[son + static_cast<std::size_t>(g)]) : ""},
          2 + s * family + g);
    }
  }
  return testing::records(specs);
}

// One line of `depth` generations, each man with a brother and each fifth one with a wife.
std::string deepClan(int depth) {
  std::vector<std::string> names;
  names.reserve(static_cast<std::size_t>(depth) * 3);
  std::vector<RecordSpec> specs;
  names.push_back("贾" + givenName(0));
  specs.push_back({.name = names[0], .generation = '0'});
  std::size_t line = 0;
  for (int d = 1; d < depth; ++d) {
    const char generation = static_cast<char>('1' + (d - 1) % 9);
    const std::size_t father = line;
    names.push_back("贾" + givenName(d * 3));
    specs.push_back({.name = names.back(), .generation = generation, .father = names[father]});
    line = names.size() - 1;
    names.push_back("贾" + givenName(d * 3 + 1));
    specs.push_back({.name = names.back(),
                     .generation = generation,
                     .father = names[father],
                     .olderSibling = names[line]});
    if (d % 5 == 0) {
      names.push_back("李" + givenName(d * 3 + 2));
      specs.push_back({.name = names.back(),
                       .generation = generation,
                       .sex = 'f',
                       .married = 'y',
                       .husband = names[line]});
    }
  }
  return testing::records(specs);
}

TEST(BookLayout, EveryShapeOfClanKeepsEveryPromiseOnBothPapers) {
  struct Case {
    const char* what;
    std::string home;
    BookOptions options;
  };
  const std::string shipped = testing::readFile(testing::sourcePath("data/home.txt"));
  const std::string thousand = tools::generateGenealogy(1000).fileBytes;
  const Case cases[] = {
      {"shipped", shipped, {}},
      {"shipped, A3, two a page, strokes",
       shipped,
       {.paper = BookPaper::kA3,
        .generationsPerPage = 2,
        .indexOrder = platform::NameOrder::strokes}},
      {"shipped, the living by name", shipped, {.living = LivingPersons::kName}},
      {"shipped, the living hidden", shipped, {.living = LivingPersons::kHide}},
      {"shipped, vertical", shipped, {.vertical = true}},
      {"10^3", thousand, {}},
      {"10^3, ten a page", thousand, {.generationsPerPage = 10}},
      {"10^3, A3, the living hidden",
       thousand,
       {.paper = BookPaper::kA3, .living = LivingPersons::kHide}},
      {"10^4", tools::generateGenealogy(10000, 7).fileBytes, {}},
      {"wide", wideClan(40), {}},
      {"wide, two a page", wideClan(40), {.generationsPerPage = 2}},
      {"deep", deepClan(60), {}},
      {"deep, A3, two a page", deepClan(60), {.paper = BookPaper::kA3, .generationsPerPage = 2}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ClanTree clan(c.home);
    ASSERT_TRUE(clan.loaded);
    EXPECT_GT(checkBook(clan.tree, c.options).pages, 5);
  }
}

// A man with 5,000 sons: each son's entry names his father, not his brothers, so the book grows
// with the persons (it once listed every older brother in each son's record: 14,492 pages).
TEST(BookLayout, AClanOfOneManWith5000SonsGivesABookLinearInItsPersons) {
  ClanTree clan(wideClan(5000, 0));
  ASSERT_TRUE(clan.loaded);
  BookLayout layout;
  ASSERT_TRUE(layout.plan(clan.tree, {}));
  // 10,001 persons: the charts, an entry of two lines or so each, the index.
  EXPECT_LT(layout.pages(), 1200);
  EXPECT_GT(layout.pages(), 100);
}

// The entries of the shipped clan read as a 谱 writes them, names and page numbers included.
class BookEntries : public ::testing::Test {
 protected:
  void SetUp() override {
    namespace fs = std::filesystem;
    for (const auto& entry : fs::directory_iterator(testing::sourcePath("data"))) {
      if (entry.path().extension() == ".txt") fs::copy_file(entry.path(), entry.path().filename());
    }
    ASSERT_TRUE(tree.load());
  }

  // Each entry's text by its name: its lines joined, carried parts included.
  std::map<std::string, std::string> entries(const BookOptions& options) {
    BookLayout layout;
    std::map<std::string, std::string> texts;
    if (!layout.plan(tree, options)) return texts;
    const auto& clan = layout.clan();
    for (std::size_t m = 0; m < clan.size(); ++m) {
      members[trimmed(*clan[m].person)] = static_cast<int>(m);
      chartPage[trimmed(*clan[m].person)] = layout.chartPageOf(static_cast<int>(m));
      recordPage[trimmed(*clan[m].person)] = layout.recordPageOf(static_cast<int>(m));
    }
    std::string* current = nullptr;
    BookPage page;
    while (layout.nextPage(page)) {
      if (page.part != BookPage::Part::kRecords) continue;
      for (const platform::PageText& text : page.drawing.texts) {
        if (text.baseline < 24 * kMillimetre ||
            text.baseline > page.drawing.height - 21 * kMillimetre)
          continue;  // the running head and the page number
        if (text.bold && text.size == 11) {
          current = &texts[text.gbk];
          if (!current->empty()) continue;  // carried on: its name again
        } else if (text.bold && text.size > 11) {
          current = nullptr;  // a generation's heading
          continue;
        }
        if (current != nullptr && text.gbk != "（续）") *current += text.gbk;
      }
    }
    return texts;
  }
  std::string pageOf(const char* name) { return std::to_string(recordPage[name]); }
  std::string chartOf(const char* name) { return std::to_string(chartPage[name]); }

  testing::ScopedTempDir dir;
  FamilyTree tree;
  std::map<std::string, int> members;
  std::map<std::string, int> chartPage, recordPage;
};

TEST_F(BookEntries, SayWhoseChildAndWhichBirthMotherLifeWivesAndChildrenInProse) {
  auto texts = entries({});
  // 贾政's sons in one clause, then his daughters, each with the page of his entry; his second
  // wife 又配 (the first outlived her), 贾蓉's 继配 (the first was dead before her).
  EXPECT_EQ(readable(texts["贾政"]),
            readable("贾政　图" + chartOf("贾政") +
                     "　贾代善次子，史太君出。生于雍正九年六月十二日（辛亥年，1731年7月15日）。"
                     "配王夫人，生于乾隆三年正月初四日（戊午年，1738年2月22日）；又配赵姨娘，"
                     "生于乾隆十三年五月初十日（戊辰年，1748年6月5日），"
                     "卒于乾隆五十四年十月初四日（己酉年，1789年11月20日）。子　珠" +
                     pageOf("贾珠") + "、宝玉" + pageOf("贾宝玉") + "、环" + pageOf("贾环") +
                     "；女　元春" + pageOf("贾元春") + "、探春" + pageOf("贾探春") + "。"));
  // His own text, then his wife's under her name.
  EXPECT_EQ(
      readable(texts["贾宝玉"]),
      readable("贾宝玉　图" + chartOf("贾宝玉") +
               "　贾政次子，王夫人出。生于乾隆三十七年三月廿四日（壬辰年，1772年4月26日）。"
               "配薛宝钗，生于乾隆三十四年十二月廿五日（己丑年，1770年1月21日）。"
               "荣国府贾政与王夫人之次子，衔玉而生，故名宝玉。自幼为祖母史太君所钟爱，住大观园"
               "怡红院，厌弃仕途经济，与林黛玉情意相投。后奉父母之命娶薛宝钗，中乡魁后出家，"
               "不知所终。配薛宝钗：金陵薛家之女，薛姨妈所生，薛蟠之妹。随母兄进京，住梨香院，"
               "后居蘅芜苑。端庄稳重，博学能诗，佩金锁，与贾宝玉有金玉良缘之说，终嫁宝玉。"));
  EXPECT_NE(texts["贾蓉"].find("；继配许氏"), std::string::npos) << readable(texts["贾蓉"]);
  EXPECT_NE(texts["贾琏"].find("；又配尤二姐"), std::string::npos) << readable(texts["贾琏"]);
  EXPECT_EQ(readable(texts["贾始祖"]).find(readable("贾始祖　图" + chartOf("贾始祖") + "　始祖。")),
            0u);
  // Daughters count among daughters: 贾探春 is 贾政's second daughter, 贾宝玉 his second son.
  EXPECT_NE(texts["贾探春"].find("贾政次女，赵姨娘出。"), std::string::npos);
}

TEST_F(BookEntries, TheLivingAreNamedAloneOrLeftOutAsTheOptionSays) {
  auto named = entries({.living = LivingPersons::kName});
  EXPECT_EQ(readable(named["贾宝玉"]),
            readable("贾宝玉　图" + chartOf("贾宝玉") + "　贾政次子，王夫人出。配薛宝钗。"));
  auto hidden = entries({.living = LivingPersons::kHide});
  EXPECT_EQ(hidden.count("贾宝玉"), 0u);
  // 贾赦 and 贾政 live: their places in their father's entry are kept as 某.
  EXPECT_EQ(
      readable(hidden["贾代善"]),
      readable("贾代善　图" + chartOf("贾代善") +
               "　贾源长子。生于康熙四十年八月廿一日（辛巳年，1701年9月23日），"
               "卒于乾隆三十三年九月廿五日（戊子年，1768年11月4日）。"
               "配史太君，生于康熙四十三年十二月二十日（甲申年，1705年1月15日），"
               "卒于乾隆五十四年八月初二日（己酉年，1789年9月20日）。子　某、某；女　敏" +
               pageOf("贾敏") +
               "。配史太君：金陵史侯家的小姐，贾代善之妻，贾赦、贾政、贾敏之母，府中上下称老太太、"
               "老祖宗。疼爱宝玉与黛玉，抄家之后忧劳成疾，寿终。"));
}

// A person's text file over the pane's 16 MB is cut, and one that cannot be read is left out: the
// entry says so, in the pane's words.
TEST_F(BookEntries, SayWhenAPersonsTextWasCutOrCannotBeRead) {
  // NUL bytes add nothing to a text: 16 MB of them and a tail past the limit.
  testing::writeFile(testing::utf8(u8"贾政  .txt"),
                     std::string(std::size_t{16} << 20, '\0') + "tail");
  std::filesystem::remove(testing::utf8(u8"贾宝玉.txt"));
  std::filesystem::create_directory(testing::utf8(u8"贾宝玉.txt"));
  auto texts = entries({});
  EXPECT_NE(texts["贾政"].find("文件 贾政  .txt 超过16MB，只显示了前16MB"), std::string::npos);
  EXPECT_EQ(texts["贾政"].find("tail"), std::string::npos);
  EXPECT_NE(texts["贾宝玉"].find("无法读取文件 贾宝玉.txt：不是普通文件"), std::string::npos)
      << readable(texts["贾宝玉"]);
}

TEST(BookLayout, NoRootOrGenerationsOutOfRangePlanNothing) {
  ClanTree empty("");
  ClanTree small(testing::smallClan());
  BookLayout layout;
  EXPECT_FALSE(layout.plan(empty.tree, {}));
  EXPECT_FALSE(layout.plan(small.tree, {.generationsPerPage = kMinGenerationsPerPage - 1}));
  EXPECT_FALSE(layout.plan(small.tree, {.generationsPerPage = kMaxGenerationsPerPage + 1}));
  BookPage page;
  EXPECT_FALSE(layout.nextPage(page));
}

}  // namespace
}  // namespace quillet
