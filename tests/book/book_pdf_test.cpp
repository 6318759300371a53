// The PDF of the printed book as poppler and qpdf read it back: `quillet-export book` gives the
// pages the layout promised, every person's name in the text, the cover's date, the faces
// embedded, a clean file whose outline names the book's parts and whose links lead to its pages;
// rendered, no page has ink within 12 mm of the trim or in the gutter; under a memory limit it
// ends with "out of memory" or writes the book, and never leaves a temporary file; the painter
// sets texts exactly as wide as the layout measures them.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "platform/gbk.h"
#include "platform/page.h"
#include "platform/pdf/pdf_document.h"
#include "reports/book_layout.h"
#include "tests/support/genealogy_text.h"
#include "tests/support/temp_dir.h"
#include "tools/genealogy_generator/genealogy_generator.h"

namespace quillet {
namespace {

using testing::readFile;

int run(const std::string& command) {
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

std::string exportBook(const std::string& arguments) {
  return std::string("SOURCE_DATE_EPOCH=86400 '") + QUILLET_EXPORT_BINARY + "' book " + arguments;
}

void copyShippedClan() {
  namespace fs = std::filesystem;
  for (const auto& entry : fs::directory_iterator(testing::sourcePath("data"))) {
    if (entry.path().extension() == ".txt") fs::copy_file(entry.path(), entry.path().filename());
  }
}

std::string utf8Name(const Person& person) {
  std::string name(keyText(person.name));
  while (!name.empty() && name.back() == ' ') name.pop_back();
  return platform::gbkToUtf8(name).value_or("?");
}

int plannedPages(const BookOptions& options = {}) {
  FamilyTree tree;
  if (!tree.load()) return 0;
  BookLayout layout;
  return layout.plan(tree, options) ? layout.pages() : 0;
}

// `pdf` has no fault (qpdf --check), its update of links included; its outline names the parts
// in order with `inner` (titles of bands and generations, in qpdf's order, which writes a
// bookmark's kids before its title) among them; every link leads to one of its pages, and there
// are more links than persons (each index entry has three).
void expectCleanWithOutlineAndLinks(const std::string& pdf, const BookLayout& layout,
                                    std::initializer_list<const char8_t*> inner) {
  EXPECT_EQ(run("qpdf --check '" + pdf + "' > check.txt 2>&1"), 0) << readFile("check.txt");
  ASSERT_EQ(run("qpdf --json --json-key=outlines '" + pdf + "' > outline.json"), 0);
  const std::string outline = readFile("outline.json");
  std::vector<const char8_t*> titles = {u8"封面", u8"凡例", u8"目录"};
  titles.insert(titles.end(), inner.begin(), inner.end());
  titles.insert(titles.end(), {u8"世系录", u8"人名索引"});
  std::size_t at = 0;
  for (const char8_t* title : titles) {
    const std::size_t found = outline.find("\"title\": \"" + testing::utf8(title) + "\"", at);
    ASSERT_NE(found, std::string::npos) << testing::utf8(title);
    at = found;
  }
  ASSERT_EQ(run("qpdf --qdf --object-streams=disable '" + pdf + "' plain.pdf"), 0);
  // QDF: "%% Page N" comments before each page's object, "/Dest [" alone on its line.
  std::ifstream plain("plain.pdf", std::ios::binary);
  std::set<std::string> pages, targets;
  std::size_t links = 0;
  bool page = false, destination = false;
  for (std::string line; std::getline(plain, line);) {
    if (line.starts_with("%% Page ")) page = true;
    if (page && line.ends_with(" 0 obj")) {
      pages.insert(line.substr(0, line.size() - 4));
      page = false;
    }
    if (line.find("/Subtype /Link") != std::string::npos) ++links;
    if (destination) {
      std::istringstream words(line);
      std::string object, generation;
      words >> object >> generation;
      targets.insert(object + " " + generation);
    }
    destination = line.find("/Dest [") != std::string::npos;
  }
  EXPECT_EQ(pages.size(), static_cast<std::size_t>(layout.pages()));
  EXPECT_GT(links, layout.personsShown());
  for (const std::string& target : targets) EXPECT_EQ(pages.count(target), 1u) << target;
}

TEST(BookPdf, QuilletExportWritesACleanBookWithEveryNameAnOutlineAndLinksToItsPages) {
  testing::ScopedTempDir dir;
  copyShippedClan();
  ASSERT_EQ(run(exportBook("clan.pdf")), 0);
  FamilyTree tree;
  ASSERT_TRUE(tree.load());
  BookLayout layout;
  ASSERT_TRUE(layout.plan(tree, {}));

  ASSERT_EQ(run("pdfinfo clan.pdf > info.txt"), 0);
  EXPECT_NE(readFile("info.txt").find("Pages:           " + std::to_string(layout.pages()) + "\n"),
            std::string::npos)
      << readFile("info.txt");
  ASSERT_EQ(run("pdftotext -enc UTF-8 clan.pdf text.txt"), 0);
  const std::string text = readFile("text.txt");
  EXPECT_NE(text.find(testing::utf8(u8"《贾氏家谱》")), std::string::npos);
  EXPECT_NE(text.find(testing::utf8(u8"1970年1月2日")), std::string::npos);
  for (const ClanMember& member : layout.clan()) {
    EXPECT_NE(text.find(utf8Name(*member.person)), std::string::npos) << utf8Name(*member.person);
    for (const Person* wife : member.wives) {
      if (wife != nullptr) {
        EXPECT_NE(text.find(utf8Name(*wife)), std::string::npos) << utf8Name(*wife);
      }
    }
  }
  ASSERT_EQ(run("pdffonts clan.pdf > fonts.txt"), 0);
  const std::string fonts = readFile("fonts.txt");
  EXPECT_NE(fonts.find("NotoSerifCJK"), std::string::npos) << fonts;
  EXPECT_EQ(fonts.find(" no "), std::string::npos) << fonts;  // every face embedded, as a subset

  expectCleanWithOutlineAndLinks("clan.pdf", layout,
                                 {u8"一世至五世", u8"五世至六世", u8"世系图", u8"一世", u8"六世"});
}

// The pages rendered at 30 dots an inch, grey: no dark pixel within 12 mm of the trim, nor in
// the 20 mm of the gutter (the left of odd pages, the right of even ones), the cover's trim alone
// excepted. A pixel is 0.85 mm: the margins are checked one pixel short of their width.
void expectMarginsClear(const std::string& pdf, int pages) {
  ASSERT_EQ(run("pdftoppm -gray -r 30 '" + pdf + "' page"), 0);
  const int digits = static_cast<int>(std::to_string(pages).size());
  for (int p = 1; p <= pages; ++p) {
    std::string number = std::to_string(p);
    number.insert(0, static_cast<std::size_t>(digits) - number.size(), '0');
    std::istringstream image(readFile("page-" + number + ".pgm"));
    std::string magic;
    int width = 0, height = 0, maximum = 0;
    image >> magic >> width >> height >> maximum;
    image.get();
    ASSERT_EQ(magic, "P5");
    std::string pixels(static_cast<std::size_t>(width * height), '\0');
    image.read(pixels.data(), static_cast<std::streamsize>(pixels.size()));
    const int trim = static_cast<int>(12 / 25.4 * 30) - 1;
    const int gutter = static_cast<int>(20 / 25.4 * 30) - 1;
    const int left = p > 1 && p % 2 == 1 ? gutter : trim;
    const int right = p > 1 && p % 2 == 0 ? gutter : trim;
    int dark = 0;
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        const bool margin = y < trim || y >= height - trim || x < left || x >= width - right;
        if (margin &&
            static_cast<unsigned char>(pixels[static_cast<std::size_t>(y * width + x)]) < 200)
          ++dark;
      }
    }
    EXPECT_EQ(dark, 0) << pdf << " page " << p;
    std::filesystem::remove("page-" + number + ".pgm");
  }
}

// The shipped clan's book, on A3 in vertical columns too, and a generated clan's of 10^4
// persons, whose outline and links are checked as well.
TEST(BookPdf, NoInkWithin12MillimetresOfTheTrimAndTheGutterKept) {
  testing::ScopedTempDir dir;
  copyShippedClan();
  ASSERT_EQ(run(exportBook("shipped.pdf")), 0);
  expectMarginsClear("shipped.pdf", plannedPages());
  ASSERT_EQ(run(exportBook("a3.pdf --paper a3 --vertical")), 0);
  expectMarginsClear("a3.pdf", plannedPages({.paper = BookPaper::kA3, .vertical = true}));
  testing::writeFile("home.txt", tools::generateGenealogy(10000, 7).fileBytes);
  ASSERT_EQ(run(exportBook("generated.pdf")), 0);
  expectMarginsClear("generated.pdf", plannedPages());
  FamilyTree tree;
  ASSERT_TRUE(tree.load());
  BookLayout layout;
  ASSERT_TRUE(layout.plan(tree, {}));
  expectCleanWithOutlineAndLinks(
      "generated.pdf", layout,
      {u8"一世至五世", u8"五世至九世", u8"九世至十世", u8"世系图", u8"一世", u8"十世"});
}

// Under a memory limit the book is written, or the program ends with "out of memory" (status 3)
// where an allocation fails, or, where the font library cannot fail cleanly, by its signal before
// the output exists; a temporary file never stays.
TEST(BookPdf, UnderAMemoryLimitTheBookEndsCleanlyAndLeavesNoTemporaryFile) {
#if defined(QUILLET_SANITIZED)
  GTEST_SKIP() << "a sanitizer's shadow memory does not fit under the limits";
#endif
  testing::ScopedTempDir dir;
  copyShippedClan();
  std::set<int> statuses;
  for (const int megabytes : {60, 120, 160, 200, 260, 400}) {
    SCOPED_TRACE(std::to_string(megabytes) + " MB");
    const int status = run("ulimit -v " + std::to_string(megabytes * 1024) + "; " +
                           exportBook("clan.pdf") + " 2> err.txt");
    statuses.insert(status);
    if (status == 0) {
      EXPECT_TRUE(std::filesystem::exists("clan.pdf"));
      std::filesystem::remove("clan.pdf");
    } else {
      EXPECT_FALSE(std::filesystem::exists("clan.pdf"));
    }
    // (after what pango says of the faces it could not make)
    if (status == 3) {
      EXPECT_TRUE(readFile("err.txt").ends_with("quillet-export: out of memory\n"));
    }
    for (const auto& entry : std::filesystem::directory_iterator(".")) {
      EXPECT_EQ(entry.path().filename().string().find(".quillet-"), std::string::npos)
          << entry.path() << " left behind, status " << status;
    }
  }
  EXPECT_EQ(statuses.count(0), 1u);  // enough memory: the book
  EXPECT_EQ(statuses.count(3), 1u);  // too little: out of memory
}

TEST(BookPdf, ThePainterSetsTextsAsWideAsTheLayoutMeasuresThem) {
  for (const bool bold : {false, true}) {
    for (std::string_view text : {"贾宝玉", "见第12345页", "生于1772年4月26日，卒于1790年。",
                                  "（配王夫人）", "abc XYZ 0-9"}) {
      EXPECT_NEAR(platform::paintedTextWidth(text, 10, bold), platform::textWidth(text, 10), 0.01)
          << testing::readable(text) << (bold ? " bold" : "");
    }
  }
}

}  // namespace
}  // namespace quillet
