// The book's words and lines: numerals as a count is read, the place among sons and daughters,
// dates as far as they are known, the word for each wife, a child's name without his father's
// surname; and lines that never begin with closing punctuation, never end with opening
// punctuation, never part a number from its unit nor a kept name, and never run past their
// width.
#include "reports/book_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/gbk.h"
#include "reports/book_plan.h"
#include "tests/support/genealogy_text.h"
#include "tests/support/temp_dir.h"

namespace quillet {
namespace {

using testing::readable;

TEST(BookText, NumbersRanksAndDatesAreWrittenAsABookWritesThem) {
  const std::pair<long, const char*> numbers[] = {{1, "一"},
                                                  {10, "十"},
                                                  {11, "十一"},
                                                  {20, "二十"},
                                                  {105, "一百零五"},
                                                  {110, "一百一十"},
                                                  {1010, "一千零一十"},
                                                  {5000, "五千"},
                                                  {10001, "一万零一"},
                                                  {30400, "三万零四百"},
                                                  {123456, "十二万三千四百五十六"}};
  for (const auto& [value, words] : numbers) EXPECT_EQ(chineseNumber(value), words) << value;
  EXPECT_EQ(generationName(0), "一世");
  EXPECT_EQ(generationName(10), "十一世");
  EXPECT_EQ(rankWord(1, false), "长子");
  EXPECT_EQ(rankWord(2, true), "次女");
  EXPECT_EQ(rankWord(13, false), "十三子");
  const std::pair<const char*, const char*> dates[] = {{"17720426", "1772年4月26日"},
                                                       {"17720400", "1772年4月"},
                                                       {"17720000", "1772年"},
                                                       {"17720230", "1772年2月"},
                                                       {"17721326", "1772年"},
                                                       {"00000426", ""},
                                                       {"1772042", ""},
                                                       {"1772a426", ""}};
  for (const auto& [stored, written] : dates) EXPECT_EQ(writtenDate(stored), written) << stored;
  EXPECT_EQ(writtenDate("17000301", true), "一七〇〇年三月一日");
  // The entries' dates: the Chinese calendar's reading first, the Western date beside it.
  EXPECT_EQ(recordDate("17720426"), "乾隆三十七年三月廿四日（壬辰年，1772年4月26日）");
  EXPECT_EQ(recordDate("17720000"), "乾隆三十七年（壬辰年，1772年）");
  EXPECT_EQ(recordDate("00000426"), "");
}

// A person of `name`, living or dead on `died`.
Person person(std::string_view name, std::string_view died = {}) {
  Person made;
  makeNameKey(name, made.name);
  if (!died.empty()) {
    made.alive = 'n';
    made.deathDate = makeDate(died);
  }
  return made;
}

TEST(BookText, ASecondWifeFollowsTheFirstOnlyWhenTheFirstDiedBeforeHer) {
  const Person first = person("王氏", "17800101");
  EXPECT_EQ(wifeWord(&first, first, false), "配");
  EXPECT_EQ(wifeWord(&first, person("李氏"), true), "继配");              // living on
  EXPECT_EQ(wifeWord(&first, person("钱氏", "17900101"), true), "继配");  // died after her
  EXPECT_EQ(wifeWord(&first, person("赵氏", "17700101"), true), "又配");  // died before her
  const Person living = person("孙氏");
  EXPECT_EQ(wifeWord(&living, person("李氏"), true), "又配");  // the first lives
  EXPECT_EQ(wifeWord(nullptr, person("李氏"), true), "配");
  EXPECT_EQ(givenName(person("贾甲"), person("贾乙")), "甲");
  EXPECT_EQ(givenName(person("王氏"), person("贾乙")), "王氏");
}

// Lines of the shipped biographies at several widths, with kept names and references among them.
TEST(BookLines, NoLineBeginsWithClosingOrEndsWithOpeningPunctuationOrRunsPastItsWidth) {
  const std::string text =
      testing::readFile(testing::sourcePath(testing::utf8(u8"data/贾宝玉.txt"))) +
      "（生于1772年4月26日）" +
      testing::readFile(testing::sourcePath(testing::utf8(u8"data/王熙凤.txt"))) +
      "“好了歌”，《红楼梦》。";
  for (const double width : {60.0, 95.0, 150.0, 233.0}) {
    SCOPED_TRACE(width);
    std::vector<book::Run> runs(3);
    runs[0].gbk = "子　";
    runs[0].joinNext = true;
    runs[1].gbk = "宝玉";
    runs[1].keep = true;
    runs[2].reference = book::Run::Reference::kPage;
    runs[2].size = 7;
    runs[2].target = 12345;
    book::Run body;
    body.gbk = text;
    runs.push_back(body);
    std::vector<book::Line> lines;
    book::breakLines(runs, 0, runs.size(), width, 9.5, 0, 1.6, lines);
    ASSERT_GT(lines.size(), 2u);
    std::string joined;
    for (std::size_t l = 0; l < lines.size(); ++l) {
      double length = lines[l].indent;
      std::string line;
      for (const book::Span& span : lines[l].spans) {
        const book::Run& run = runs[static_cast<std::size_t>(span.run)];
        const std::string piece = run.gbk.substr(span.begin, span.end - span.begin);
        line += piece;
        length += platform::textWidth(piece, run.size) +
                  (run.reference != book::Run::Reference::kNone ? run.digits * 0.5 * run.size : 0);
      }
      joined += line;
      EXPECT_LE(length, width + 0.01) << readable(line);
      const std::size_t first = platform::gbkCharLength(line);
      for (const char* closing : {"，", "。", "、", "）", "”", "》"}) {
        EXPECT_FALSE(l > 0 && line.substr(0, first) == closing) << readable(line);
      }
      for (const char* opening : {"（", "“", "《"}) {
        EXPECT_FALSE(line.size() >= 2 && line.ends_with(opening)) << readable(line);
      }
      EXPECT_FALSE(l > 0 && (line.starts_with("年") || line.starts_with("月"))) << readable(line);
      EXPECT_FALSE(line == "子　") << "子 parted from the first son";
    }
    EXPECT_EQ(readable(joined), readable("子　宝玉" + text));  // the reference has no words
  }
}

}  // namespace
}  // namespace quillet
