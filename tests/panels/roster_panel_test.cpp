// The household roster buttons, the two free-text buttons and the two help-text buttons, and the
// readers behind them: layout nine to a line, the NUL rule, '#' as a line break, text-mode CR LF,
// and that every reader closes the file it was given.
#include <sys/stat.h>

#include <filesystem>
#include <memory>
#include <string>

#include "platform/text_file.h"
#include "reports/help_texts.h"
#include "reports/side_text_readers.h"
#include "tests/panels/panel_fixture.h"

namespace quillet::testing {
namespace {

constexpr char kFooter[] = "\r\n\r\n     人员具体信息可通过查询功能中的个人方式进行查询!";
struct RosterButton {
  int id;
  const char* file;    // GBK
  const char* header;  // GBK, for one name
};

constexpr RosterButton kRosterButtons[] = {
    {1022, "宁.txt", " 宁国府所有人员名单如下(共1人):\r\n\r\n"},
    {1039, "荣.txt", " 荣国府所有人员名单如下(共1人):\r\n\r\n"},
    {1040, "史.txt", " 史府所有人员名单如下(共1人):\r\n\r\n"},
    {1042, "王.txt", " 王府所有人员名单如下(共1人):\r\n\r\n"},
    {1037, "薛.txt", " 薛府所有人员名单如下(共1人):\r\n\r\n"},
    {1043, "其它.txt", " 其它人员名单如下(共1人):\r\n\r\n"},
};

using RosterPanelTest = PanelTest;

TEST_F(RosterPanelTest, EachButtonReadsItsOwnFileUnderItsOwnHeader) {
  for (const RosterButton& button : kRosterButtons) {
    writeFile(diskName(button.file), std::string(button.file, 2) + "某  ");
  }
  for (const RosterButton& button : kRosterButtons) {
    window().click(button.id);
    EXPECT_EQ(shown(pane()), shown(std::string(button.header) + "        " +
                                   std::string(button.file, 2) + "某      " + kFooter))
        << button.id;
  }
}

// An empty roster shows the header of none; a read-only roster or free text shows as any other;
// one that does not open names the file and why; a file past the bound is shown up to it, with a
// line that says so.
TEST_F(RosterPanelTest, EmptyReadOnlyUnreadableAndOversizedFiles) {
  writeFile(diskName("荣.txt"), "");
  writeFile(diskName("王.txt"), "王仁  ");
  writeFile("most.txt", "hidden");
  ::chmod(diskName("王.txt").c_str(), 0444);
  ::chmod("most.txt", 0444);
  std::filesystem::create_directory("number.txt");
  const std::string cut = "\r\n\r\n     文件 薛.txt 超过16MB，只显示了前16MB";
  writeFile(diskName("薛.txt"), "");
  std::filesystem::resize_file(diskName("薛.txt"), (16 << 20) + 1);  // sparse: all NUL
  for (const auto& [button, expected] : {
           std::pair<int, std::string>{1039, " 荣国府所有人员名单如下(共0人):\r\n\r\n"},
           {1042, " 王府所有人员名单如下(共1人):\r\n\r\n        王仁      "},
           {1038, "hidden"},
           {1040, "\r\n\r\n     无法读取文件 史.txt：文件不存在"},
           {1045, "\r\n\r\n     无法读取文件 number.txt：不是普通文件"},
       }) {
    window().click(button);
    EXPECT_EQ(shown(pane()), shown(expected + (expected.starts_with(" ") ? kFooter : "")))
        << button;
  }
  window().click(1037);
  EXPECT_TRUE(pane().starts_with(" 薛府所有人员名单如下(共2796202人):"));
  EXPECT_TRUE(pane().ends_with(cut + kFooter)) << shown(pane().substr(pane().size() - 200));
}

TEST_F(RosterPanelTest, SideTextBreaksLinesAtHashAndIsShownOncePerPress) {
  writeFile("most.txt", "最富#贾府\r\n最后");
  window().click(1038);
  window().click(1038);
  EXPECT_EQ(shown(pane()), shown("最富\r\n贾府\n最后"));
  writeFile("number.txt", "共计100人");
  window().click(1045);
  EXPECT_EQ(shown(pane()), shown("共计100人"));
}

TEST_F(RosterPanelTest, HelpButtonsReplaceThePaneAndKeepTheInputs) {
  window().type(IDC_RELATION_FIRST, "贾政");
  window().type(IDC_RELATION_SECOND, "贾宝玉");
  window().click(IDC_RELATION_QUERY);
  window().type(IDC_MODIFY_NAME, "贾敏");
  window().check(1007);

  window().click(IDC_USAGE);
  EXPECT_EQ(shown(pane()), shown(usageText()));
  window().click(IDC_ABOUT_SOFTWARE);
  EXPECT_EQ(shown(pane()), shown(welcomeText()));

  EXPECT_EQ(window().text(IDC_RELATION_FIRST), "贾政");
  EXPECT_EQ(window().text(IDC_RELATION_SECOND), "贾宝玉");
  EXPECT_EQ(window().text(IDC_MODIFY_NAME), "贾敏");
  EXPECT_TRUE(window().isChecked(1007));
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
