// The side-file readers behind the roster and free-text buttons: layout nine to a line, the NUL
// rule, '#' as a line break, text-mode CR LF, the bound, and that every reader closes the file it
// was given; and a roster past the bound, too large for a transcript.
#include <sys/stat.h>

#include <filesystem>
#include <memory>
#include <string>

#include "platform/text_file.h"
#include "reports/side_text_readers.h"
#include "tests/support/genealogy_text.h"
#include "tests/support/window_harness.h"

namespace quillet::testing {
namespace {

using RosterPanelTest = WindowTest;

TEST_F(RosterPanelTest, RosterPastTheBoundIsShownUpToItWithALineThatSaysSo) {
  writeFile("\xe8\x96\x9b.txt", "");                                 // 薛.txt
  std::filesystem::resize_file("\xe8\x96\x9b.txt", (16 << 20) + 1);  // sparse: all NUL
  window().click(1037);
  const std::string pane = window().text(IDC_DISPLAY);
  EXPECT_TRUE(pane.starts_with(" 薛府所有人员名单如下(共2796202人):"))
      << readable(pane.substr(0, 80));
  EXPECT_TRUE(
      pane.ends_with("\r\n\r\n     文件 薛.txt 超过16MB，只显示了前16MB"
                     "\r\n\r\n     人员具体信息可通过查询功能中的个人方式进行查询!"))
      << readable(pane.substr(pane.size() - 200));
}

using platform::TextFile;

std::unique_ptr<TextFile> openWith(std::string_view bytes) {
  writeFile("side.txt", bytes);
  return TextFile::open("side.txt", "r+");
}

int openDescriptorCount() {
  int count = 0;
  for ([[maybe_unused]] auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
    ++count;
  }
  return count;
}

std::string repeated(std::string_view name, int times) {
  std::string bytes;
  for (int i = 0; i < times; ++i) bytes += name;
  return bytes;
}

// Nine names to a line (the ninth ends it with CR LF, the tenth starts the next); a field shows
// up to its NUL but counts; a trailing part shorter than a field is ignored; text mode's CR LF
// arrives as one byte and shifts the fields.
TEST(NameRosterReader, LaysOutNineNamesALine) {
  const struct {
    std::string bytes;
    int count;
    std::string text;
  } cases[] = {
      {"", 0, ""},
      {repeated("贾珍  ", 8) + "尤氏  ", 9, "        " + repeated("贾珍      ", 8) + "尤氏  \r\n"},
      {repeated("贾宝玉", 10), 10,
       "        " + repeated("贾宝玉    ", 8) + "贾宝玉\r\n        贾宝玉    "},
      {"贾母  李纨  平儿", 2, "        贾母      李纨      "},
      {std::string("晴雯\0\0\0\0", 6) + std::string("\0abcde", 6) + "袭人  ", 3,
       "        晴雯        袭人      "},
      {"ab\r\ncdefghijk\r\n", 2, "        ab\ncde    fghijk    "},
  };
  ScopedTempDir dir;
  for (const auto& c : cases) {
    auto file = openWith(c.bytes);
    ASSERT_NE(file, nullptr);
    std::string text = "kept";
    int count = -1;
    readNameRoster(*file, text, count);
    EXPECT_EQ(count, c.count) << c.text;
    EXPECT_EQ(text, "kept" + c.text);
  }
}

// Each reader stops at its bound, and says whether the file held more: a roster takes the whole
// names that fit, and a part too short for a name within the bound is no more.
TEST(SideFileReaders, StopAtTheBoundAndSayWhetherAnythingWasLeft) {
  ScopedTempDir dir;
  const struct {
    std::string bytes;
    std::size_t limit;
    int count;  // names the roster shows
    bool whole;
  } cases[] = {
      {"贾珍  贾琏  贾蓉  ", 18, 3, true},  {"贾珍  贾琏  贾蓉  ", 17, 2, false},
      {"贾珍  贾琏  贾蓉  ", 12, 2, false}, {"贾珍  贾琏  贾蓉", 16, 2, true},
      {"贾珍  贾琏  贾蓉", 15, 2, false},   {"", 0, 0, true},
  };
  for (const auto& c : cases) {
    std::string text;
    int count = -1;
    EXPECT_EQ(readNameRoster(*openWith(c.bytes), text, count, c.limit), c.whole) << c.limit;
    EXPECT_EQ(count, c.count) << c.limit;
    text.clear();
    EXPECT_EQ(readMarkedText(*openWith(c.bytes), text, c.limit), c.bytes.size() <= c.limit);
    EXPECT_EQ(text, c.bytes.substr(0, c.limit));
  }
}

TEST(PlainTextReader, AppendsEveryByteButNulAndTurnsCrLfIntoLf) {
  ScopedTempDir dir;
  auto file = openWith(std::string("A#B\r\nC\0D\rE\xff", 11));
  std::string text = "head:";
  readPlainText(*file, text);
  EXPECT_EQ(text, "head:A#B\nCD\rE\xff");
}

TEST(MarkedTextReader, HashBecomesCrLfAndNothingFollowsTheLastByte) {
  ScopedTempDir dir;
  auto file = openWith(std::string("A#B\0#\r\n林黛玉#", 14));
  std::string text;
  readMarkedText(*file, text);
  EXPECT_EQ(text, "A\r\nB\r\n\n林黛玉\r\n");
}

TEST(SideFileReaders, EveryReaderClosesItsFile) {
  ScopedTempDir dir;
  std::string text;
  int count;
  auto roster = openWith("贾琏  ");
  auto plain = TextFile::open("side.txt", "r+");
  auto marked = TextFile::open("side.txt", "r+");
  const int before = openDescriptorCount();
  readNameRoster(*roster, text, count);
  readPlainText(*plain, text);
  readMarkedText(*marked, text);
  EXPECT_EQ(openDescriptorCount(), before - 3);
}

}  // namespace
}  // namespace quillet::testing
