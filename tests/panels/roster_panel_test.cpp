// The side-file readers behind the roster and free-text buttons where the transcripts (rosters_*,
// person_query_text_files) cannot go: the bound, and that every reader closes the file it was
// given; and a roster past the bound, too large for a transcript.
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

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
  std::string names;
  while (names.size() <= (16u << 20)) names += "贾珍  ";
  writeFile("\xe8\x96\x9b.txt", names);  // 薛.txt
  window().click(1037);
  const std::string pane = window().text(IDC_DISPLAY);
  EXPECT_TRUE(pane.starts_with(" 薛府所有人员名单如下(共2796202人):"))
      << readable(pane.substr(0, 80));
  EXPECT_TRUE(
      pane.ends_with("\r\n\r\n     文件 薛.txt 超过16MB，只显示了前16MB"
                     "\r\n\r\n     人员具体信息可通过查询功能中的个人方式进行查询!"))
      << readable(pane.substr(pane.size() - 200));
}

// A roster that is not text (a sparse file: all NUL) names nobody, and the pane says so.
TEST_F(RosterPanelTest, RosterThatIsNotTextCountsNobodyAndSaysSo) {
  writeFile("\xe8\x96\x9b.txt", "贾珍  ");
  std::filesystem::resize_file("\xe8\x96\x9b.txt", std::uintmax_t{2} << 30);  // sparse: 2 GB
  window().click(1037);
  EXPECT_EQ(
      window().text(IDC_DISPLAY),
      " 薛府所有人员名单如下(共0人):\r\n\r\n\r\n\r\n     文件 薛.txt 不是文本文件，其中没有人名"
      "\r\n\r\n     人员具体信息可通过查询功能中的个人方式进行查询!");
}

// A person's text file past the bound ends the report with the line that says so.
TEST_F(RosterPanelTest, PersonsTextFilePastTheBoundIsCutWithALineThatSaysSo) {
  writeFile("\xe8\xb4\xbe\xe6\x94\xbf  .txt", std::string((16u << 20) + 1, 'x'));  // 贾政
  window().type(IDC_QUERY_KEYWORD, "贾政");
  window().click(IDC_PERSON_QUERY);
  const std::string pane = window().text(IDC_DISPLAY);
  EXPECT_TRUE(pane.starts_with("姓名:贾政")) << readable(pane.substr(0, 80));
  EXPECT_TRUE(pane.ends_with("x\r\n\r\n     文件 贾政  .txt 超过16MB，只显示了前16MB"))
      << readable(pane.substr(pane.size() - 100));
}

// Where the permissions keep this user out, the reason says so: a side file, and home.txt at the
// start. (Root reads every file: the reading is done as another user.)
TEST(UnreadableFiles, PermissionsThatKeepTheUserOutAreNamedAsSuch) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root (as CI runs) to become another user";
  ScopedTempDir dir;
  ASSERT_EQ(::chmod(".", 0755), 0);
  writeFile("secret.txt", "x");
  writeFile("home.txt", smallClanFile());
  ASSERT_EQ(::chmod("secret.txt", 0), 0);
  ASSERT_EQ(::chmod("home.txt", 0), 0);
  const pid_t child = ::fork();
  if (child == 0) {
    const gid_t group = 23456;
    if (::setgroups(1, &group) != 0 || ::setgid(23456) != 0 || ::setuid(23456) != 0) ::_exit(2);
    FamilyTree tree;
    const bool refused =
        !tree.load() && tree.loadFailure() && loadFailureWords(*tree.loadFailure()) == "权限不够";
    ::_exit(refused && unreadableFileLine("secret.txt") ==
                           "\r\n\r\n     无法读取文件 secret.txt：权限不够"
                ? 0
                : 1);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
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
