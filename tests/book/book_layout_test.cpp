// The printed book's layout over clans of every shape (the shipped one, generated ones of 10^3
// and 10^4 persons, a wide one and a deep one, on both papers and at several generations a
// page): boxes that never overlap or leave the page and hold their texts, lines only between a
// father and his child on one page, every member's own box once, references that lead to each
// other, and every person's record once, in the order of the charts.
#include "reports/book_layout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "reports/person_report.h"
#include "tests/support/clan_tree.h"
#include "tests/support/genealogy_text.h"
#include "tests/support/temp_dir.h"
#include "tools/genealogy_generator/genealogy_generator.h"

namespace quillet {
namespace {

using testing::ClanTree;
using testing::readable;
using testing::RecordSpec;

// A box as seen on its page.
struct Seen {
  int page = 0;
  BookBox box;
};

std::string trimmed(const Person& person) {
  std::string name(keyText(person.name));
  while (!name.empty() && name.back() == ' ') name.pop_back();
  return name;
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

// Checks one chart page by itself and keeps its boxes for the checks across pages.
void checkChartPage(const BookLayout& layout, const BookPage& page, std::vector<Seen>& seen) {
  const auto& clan = layout.clan();
  const double width = page.drawing.width, height = page.drawing.height;
  std::vector<int> fathers(page.boxes.size(), 0);
  for (const BookLink& link : page.links) {
    const BookBox& father = page.boxes[static_cast<std::size_t>(link.father)];
    const BookBox& child = page.boxes[static_cast<std::size_t>(link.child)];
    EXPECT_EQ(clan[static_cast<std::size_t>(child.member)].parent, father.member);
    EXPECT_EQ(child.row, father.row + 1);
    EXPECT_NE(child.kind, BookBox::Kind::kHead);
    ++fathers[static_cast<std::size_t>(link.child)];
  }
  for (std::size_t i = 0; i < page.boxes.size(); ++i) {
    const BookBox& box = page.boxes[i];
    const ClanMember& member = clan[static_cast<std::size_t>(box.member)];
    SCOPED_TRACE(readable(trimmed(*member.person)) + " on page " + std::to_string(page.number));
    EXPECT_GE(box.x, 40);
    EXPECT_LE(box.x + box.width, width - 25);
    EXPECT_LE(box.y + box.height, height - 40);
    for (std::size_t j = 0; j < i; ++j) EXPECT_FALSE(overlap(box, page.boxes[j]));
    // Every box below the top row hangs from its father on the same page.
    EXPECT_EQ(fathers[i], box.row > 0 ? 1 : 0);
    // The box names him, his wives (his own box and a head) and its references.
    std::vector<std::string> expected = {trimmed(*member.person)};
    for (const Person* wife : member.wives) {
      if (wife != nullptr && box.kind != BookBox::Kind::kStub)
        expected.push_back("配" + trimmed(*wife));
    }
    if (box.fromPage != 0) expected.push_back("承第" + std::to_string(box.fromPage) + "页");
    if (box.seePage != 0) expected.push_back("见第" + std::to_string(box.seePage) + "页");
    EXPECT_EQ(textsIn(page, box), expected);
    seen.push_back({page.number, box});
  }
}

// Lays out the whole book and checks every promise of it; the number of pages.
int checkBook(const FamilyTree& tree, const BookOptions& options) {
  BookLayout layout;
  if (!layout.plan(tree, options)) {
    ADD_FAILURE() << "no plan";
    return 0;
  }
  const auto& clan = layout.clan();
  std::vector<Seen> seen;
  std::vector<const Person*> recorded;
  BookPage page;
  int pages = 0;
  while (layout.nextPage(page)) {
    EXPECT_EQ(page.number, ++pages);
    if (page.part == BookPage::Part::kChart) checkChartPage(layout, page, seen);
    recorded.insert(recorded.end(), page.records.begin(), page.records.end());
    EXPECT_LE(page.stepsDone, layout.steps());
  }
  EXPECT_EQ(page.stepsDone, layout.steps());
  EXPECT_EQ(layout.firstRecordPage(), seen.empty() ? 0 : seen.back().page + 1);

  // Each member's own box once, a head box at most once; references lead to each other.
  std::vector<const Seen*> own(clan.size(), nullptr);
  std::map<std::pair<int, int>, const Seen*> repeated;  // (member, page) of heads and stubs
  for (const Seen& s : seen) {
    if (s.box.kind == BookBox::Kind::kMember) {
      EXPECT_EQ(own[static_cast<std::size_t>(s.box.member)], nullptr);
      own[static_cast<std::size_t>(s.box.member)] = &s;
    } else {
      EXPECT_TRUE(repeated.emplace(std::pair{s.box.member, s.page}, &s).second);
    }
  }
  std::vector<int> heads(clan.size(), 0);
  for (const Seen& s : seen) {
    if (s.box.kind == BookBox::Kind::kHead) ++heads[static_cast<std::size_t>(s.box.member)];
    if (s.box.seePage != 0) {
      const auto there = repeated.find({s.box.member, s.box.seePage});
      if (there == repeated.end()) {
        ADD_FAILURE() << "见第" << s.box.seePage << "页 on page " << s.page << " leads nowhere";
      } else {
        EXPECT_EQ(there->second->box.fromPage, s.page);
      }
    }
    if (s.box.fromPage != 0) {
      // Back to the box that says 见: his own box, or his head box for a stub below a head.
      const Seen* origin = own[static_cast<std::size_t>(s.box.member)];
      if (origin == nullptr || origin->page != s.box.fromPage) {
        const auto head = repeated.find({s.box.member, s.box.fromPage});
        origin = head == repeated.end() ? nullptr : head->second;
      }
      if (origin == nullptr) {
        ADD_FAILURE() << "承第" << s.box.fromPage << "页 on page " << s.page << " leads nowhere";
      } else {
        EXPECT_GT(origin->box.seePage, 0);
        EXPECT_LE(origin->box.seePage, s.page);
      }
    }
  }
  for (std::size_t m = 0; m < clan.size(); ++m) {
    EXPECT_NE(own[m], nullptr) << readable(trimmed(*clan[m].person));
    EXPECT_LE(heads[m], 1);
  }

  // Every person's record once, each member's as his own box stands in the charts (page by page,
  // row by row, left to right), his wives' after his.
  std::vector<const Seen*> order;
  for (const Seen* s : own) order.push_back(s);
  std::sort(order.begin(), order.end(), [](const Seen* a, const Seen* b) {
    return std::tuple(a->page, a->box.row, a->box.x) < std::tuple(b->page, b->box.row, b->box.x);
  });
  std::vector<const Person*> expected;
  for (const Seen* s : order) {
    const ClanMember& member = clan[static_cast<std::size_t>(s->box.member)];
    expected.push_back(member.person);
    for (const Person* wife : member.wives) {
      if (wife != nullptr) expected.push_back(wife);
    }
  }
  EXPECT_TRUE(recorded == expected) << recorded.size() << " records of " << expected.size();
  return pages;
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

// A root with `sons` sons, each with three sons and a daughter: more brothers than a row holds.
std::string wideClan(int sons) {
  std::vector<std::string> names;
  std::vector<RecordSpec> specs;
  auto add = [&](RecordSpec spec, int serial) {
    names.push_back("贾" + givenName(serial));
    spec.name = names.back();
    specs.push_back(spec);
  };
  names.reserve(static_cast<std::size_t>(sons) * 6 + 2);
  add({.generation = '0', .married = 'y'}, 0);
  specs.push_back(
      {.name = "王氏", .generation = '0', .sex = 'f', .married = 'y', .husband = names[0]});
  for (int s = 0; s < sons; ++s) {
    const std::size_t son = names.size();
    add({.generation = '1',
         .father = names[0],
         .olderSibling = s > 0 ? std::string_view(names[son - 5]) : "",
         .motherIndex = '1'},
        1 + s * 5);
    for (int g = 0; g < 4; ++g) {
      add({.generation = '2',
           .father = names[son],
           .sex = g == 3 ? 'f' : 'm',
           .olderSibling = g > 0 ? std::string_view(names[son + static_cast<std::size_t>(g)]) : ""},
          2 + s * 5 + g);
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

TEST(BookLayout, ChartsAndRecordsKeepTheirPromisesOnEveryShapeOfClan) {
  struct Case {
    const char* what;
    std::string home;
    BookPaper paper;
    int generations;
  };
  const std::string shipped = testing::readFile(testing::sourcePath("data/home.txt"));
  const std::string thousand = tools::generateGenealogy(1000).fileBytes;
  const Case cases[] = {
      {"shipped", shipped, BookPaper::kA4, 5},
      {"shipped, A3, two a page", shipped, BookPaper::kA3, 2},
      {"10^3", thousand, BookPaper::kA4, 5},
      {"10^3, ten a page", thousand, BookPaper::kA4, 10},
      {"10^3, A3", thousand, BookPaper::kA3, 5},
      {"10^4", tools::generateGenealogy(10000, 7).fileBytes, BookPaper::kA4, 5},
      {"wide", wideClan(40), BookPaper::kA4, 5},
      {"wide, two a page", wideClan(40), BookPaper::kA4, 2},
      {"deep", deepClan(60), BookPaper::kA4, 5},
      {"deep, two a page", deepClan(60), BookPaper::kA3, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ClanTree clan(c.home);
    ASSERT_TRUE(clan.loaded);
    const int pages = checkBook(clan.tree, {c.paper, c.generations, "2026年1月1日"});
    EXPECT_GT(pages, 3);
  }
}

// A record is the detailed report as the window shows it, then the person's own text file as
// the name query adds it (its name the 6-byte key, spaces and all; a line break of the file
// starting a line); a wife's follows her husband's.
TEST(BookLayout, ARecordIsTheWindowsReportAndThePersonsOwnFile) {
  testing::ScopedTempDir dir;
  testing::writeFile("home.txt", testing::smallClan());
  testing::writeFile(testing::utf8(u8"贾政  .txt"), "工部员外郎。\r\n好读书。");
  FamilyTree tree;
  ASSERT_TRUE(tree.load());
  BookLayout layout;
  ASSERT_TRUE(layout.plan(tree, {}));
  std::map<std::string, std::string> records;  // heading -> its lines joined by CR LF
  std::string* current = nullptr;
  BookPage page;
  while (layout.nextPage(page)) {
    if (page.part != BookPage::Part::kRecords) continue;
    for (const platform::PageText& text : page.drawing.texts) {
      if (text.baseline > page.drawing.height - 40) continue;  // the page number
      if (text.size > 9.5) {
        current = &records[text.gbk];
      } else if (text.size == 9 && current != nullptr) {
        if (!current->empty()) *current += "\r\n";
        *current += text.gbk;
      }
    }
  }
  ClanTree clan(testing::smallClan());
  std::string report;
  showPersonDetails(clan("贾政"), report);
  EXPECT_EQ(records["贾政"], report + "\r\n贾政  具体信息如下：\r\n    工部员外郎。\r\n好读书。");
  showPersonDetails(clan("王夫人"), report);
  EXPECT_EQ(records["配　王夫人"], report);
}

TEST(BookLayout, NoRootOrGenerationsOutOfRangePlanNothing) {
  ClanTree empty("");
  ClanTree small(testing::smallClan());
  BookLayout layout;
  EXPECT_FALSE(layout.plan(empty.tree, {}));
  EXPECT_FALSE(layout.plan(small.tree, {BookPaper::kA4, kMinGenerationsPerPage - 1, ""}));
  EXPECT_FALSE(layout.plan(small.tree, {BookPaper::kA4, kMaxGenerationsPerPage + 1, ""}));
  BookPage page;
  EXPECT_FALSE(layout.nextPage(page));
}

}  // namespace
}  // namespace quillet
