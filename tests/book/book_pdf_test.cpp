// The PDF of the printed book as poppler reads it back: `quillet-export book` on the shipped clan
// gives the pages the layout promised, every person's name in the text, the cover's date, the
// face embedded, and a first chart page that renders; the painter sets texts exactly as wide as
// the layout measures them.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include "platform/gbk.h"
#include "platform/page.h"
#include "platform/pdf/pdf_document.h"
#include "reports/book_layout.h"
#include "tests/support/genealogy_text.h"
#include "tests/support/temp_dir.h"

namespace quillet {
namespace {

using testing::readFile;

int run(const std::string& command) {
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string utf8Name(const Person& person) {
  std::string name(keyText(person.name));
  while (!name.empty() && name.back() == ' ') name.pop_back();
  return platform::gbkToUtf8(name).value_or("?");
}

TEST(BookPdf, QuilletExportWritesThePagesTheLayoutPromisedWithEveryNameAndTheFaceEmbedded) {
  testing::ScopedTempDir dir;
  namespace fs = std::filesystem;
  for (const auto& entry : fs::directory_iterator(testing::sourcePath("data"))) {
    if (entry.path().extension() == ".txt") fs::copy_file(entry.path(), entry.path().filename());
  }
  ASSERT_EQ(
      run(std::string("SOURCE_DATE_EPOCH=86400 '") + QUILLET_EXPORT_BINARY + "' book clan.pdf"), 0);
  FamilyTree tree;
  ASSERT_TRUE(tree.load());
  BookLayout layout;
  ASSERT_TRUE(layout.plan(tree, {}));
  BookPage page;
  int pages = 0;
  while (layout.nextPage(page)) ++pages;

  ASSERT_EQ(run("pdfinfo clan.pdf > info.txt"), 0);
  EXPECT_NE(readFile("info.txt").find("Pages:           " + std::to_string(pages) + "\n"),
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
  EXPECT_NE(fonts.find("WenQuanYiZenHeiMono"), std::string::npos) << fonts;
  EXPECT_EQ(fonts.find(" no "), std::string::npos) << fonts;  // every face embedded
  const std::string first = std::to_string(layout.firstChartPage());
  ASSERT_EQ(run("pdftoppm -png -singlefile -r 40 -f " + first + " -l " + first + " clan.pdf chart"),
            0);
  EXPECT_GT(testing::readFile("chart.png").size(), 1000u);
}

TEST(BookPdf, ThePainterSetsTextsAsWideAsTheLayoutMeasuresThem) {
  for (std::string_view text : {"贾宝玉", "见第12345页", "出生日期  17830216", "　　母亲 赵姨娘 ",
                                "     兄姐:  贾珠 贾元春"}) {
    EXPECT_NEAR(platform::paintedTextWidth(text, 10), platform::textWidth(text, 10), 0.01)
        << testing::readable(text);
  }
}

}  // namespace
}  // namespace quillet
