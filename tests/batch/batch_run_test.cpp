// Whole runs of quillet-batch on a script in a fresh working directory holding the small clan's
// home.txt: the exact standard output, the error line and the exit status.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "tests/support/genealogy_text.h"
#include "tests/support/temp_dir.h"
#include "tools/batch/batch_text.h"

namespace quillet::testing {
namespace {

struct BatchRun {
  std::string out;  // UTF-8
  std::string err;
  int status;
};

// Runs in `directory` (the working directory by default); the script and outputs stay here.
inline BatchRun runBatch(std::string_view script, const std::string& directory = ".") {
  writeFile("script.txt", script);
  const std::string here = std::filesystem::current_path().string();
  const std::string command = "cd '" + directory + "' && '" + QUILLET_BATCH_PATH + "' < '" + here +
                              "/script.txt' > '" + here + "/out.txt' 2> '" + here + "/err.txt'";
  const int raw = std::system(command.c_str());
  return {readFile("out.txt"), readFile("err.txt"), WIFEXITED(raw) ? WEXITSTATUS(raw) : -1};
}

inline BatchRun runBatch(std::u8string_view script) { return runBatch(utf8(script)); }

class BatchRunTest : public ::testing::Test {
 protected:
  BatchRunTest() { writeFile("home.txt", smallClan()); }
  ScopedTempDir dir_;
};

// Toggles 贾政's sex through the modify panel: a change not yet saved.
const std::string kChange = utf8(u8"type 1002 贾政\ncheck 1005\nclick 1010\n");
const std::string kQuestion = utf8(
    u8"messagebox caption: Morvane提示\n"
    u8"messagebox text: 　家谱有尚未保存的修改，退出前要保存吗?\n"
    u8"messagebox buttons: yesnocancel default: cancel answer: ");

// The protocol's example, the About box, comments, the exit question's default and a queued
// answer, and the end of reading once the window has ended.
TEST_F(BatchRunTest, TranscriptOfTheExampleTheAboutBoxAndTheExitQuestion) {
  const BatchRun run = runBatch(
      u8"type 1021 贾宝玉\ntype 1023 贾宝玉\nclick 1025\nprint 1001\nsyscommand 16\n"
      u8"# comment\n\nkey enter\nanswer ok\nclick 1\nthis line is never read\n");
  const std::string question = utf8(
      u8"messagebox caption: Morvane提示\n"
      u8"messagebox text: 　您真正想退出程序吗?\n"
      u8"messagebox buttons: okcancel default: cancel answer: ");
  EXPECT_EQ(run.out,
            utf8(u8"1001: 这是同一个人\ndialog 100 open: 关于 Quillet\ndialog 100 closed\n") +
                question + "cancel\n" + question + "ok\nend: ok\n");
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.status, 0);
}

TEST_F(BatchRunTest, TypingKeepsWhatFitsTheLimitAndPrintsWithEscapes) {
  const BatchRun run = runBatch(
      u8"type 1026 贾宝玉玉\nprint 1026\n"
      u8"type 1017  a\\sb\\\\c\\x01\\t\\xff😀 \nprint 1017\n"
      u8"type 1021\nprint 1021\n"
      u8"check 1006\nprint 1004\nprint 1006\n");
  EXPECT_EQ(run.out, utf8(u8"1026: 贾宝玉\n"
                          u8"1017:  a b\\\\c\\x01\\t\\xff? \n"
                          u8"1021: \n"
                          u8"1004: unchecked\n1006: checked\n"
                          u8"end: input\n"));
  EXPECT_EQ(run.status, 0);
}

TEST_F(BatchRunTest, TreeListsItemsInPreOrderWithDepthStateAndImage) {
  const BatchRun run = runBatch(u8"tree\n");
  EXPECT_EQ(run.out, utf8(u8"tree 0 e 0 贾演  \n"
                          u8"tree 1 e 1 贾代善 史太君 李氏  \n"
                          u8"tree 2 e 2 贾政   王夫人\n"
                          u8"tree 3 - 3 贾宝玉\n"
                          u8"tree 2 - 2 贾敏  \n"
                          u8"tree 1 - 1 贾代化\n"
                          u8"tree end\nend: input\n"));
}

TEST_F(BatchRunTest, BadCommandsStopTheRunWithStatusTwo) {
  const std::pair<const char8_t*, int> cases[] = {
      // the script and the line it fails on
      {u8"print 1027\njump 1\nprint 1027\n", 2},
      {u8"click 4242\n", 1},
      {u8"click 4294968316\n", 1},  // 2^32 + 1020: the save button's id wrapped round
      {u8"click 0x1000003FC\n", 1},
      {u8"click 99999999999999999999999\n", 1},
      {u8"\n# x\nclick 1017\n", 3},
      {u8"type 1019 x\n", 1},
      {u8"check 1001\n", 1},
      {u8"print 1000\n", 1},
      {u8"type 1021 \\q\n", 1},
      {u8"click\n", 1},
      {u8"click 10x\n", 1},
      {u8"key space\n", 1},
      {u8"key ctrl+x\n", 1},
      {u8"marked 1\n", 1},
      {u8"answer maybe\n", 1},
      {u8"select 6\n", 1},  // the tree has lines 0 to 5
      {u8"select -1\n", 1},
      {u8"selected 0\n", 1},
      {u8"close now\n", 1},
  };
  for (const auto& [script, line] : cases) {
    const BatchRun run = runBatch(script);
    EXPECT_EQ(run.status, 2) << reinterpret_cast<const char*>(script);
    EXPECT_TRUE(run.err.starts_with("error: line " + std::to_string(line) + ": ")) << run.err;
    EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;  // one line
    EXPECT_EQ(run.out.find("end:"), std::string::npos) << run.out;
  }
  EXPECT_EQ(runBatch(u8"print 1027\njump 1\n").out, "1027: \n");
  // A line number too large for any tree is named as typed, not as the largest number kept.
  EXPECT_EQ(runBatch(u8"select 18446744073709551616\n").err,
            "error: line 1: select: no tree line 18446744073709551616\n");
}

#if !defined(__SANITIZE_ADDRESS__)
TEST_F(BatchRunTest, RunningOutOfMemoryEndsWithAMessage) {
  writeFile("\xe5\xae\x81.txt", std::string(16'000'000, 'a'));  // 宁.txt
  const std::string command = std::string("ulimit -v 40000; '") + QUILLET_BATCH_PATH +
                              "' < script.txt > out.txt 2> err.txt";
  writeFile("script.txt", "click 1022\nkey esc\n");
  const int raw = std::system(("bash -c \"" + command + "\"").c_str());
  ASSERT_TRUE(WIFEXITED(raw));
  EXPECT_EQ(WEXITSTATUS(raw), 3);
  EXPECT_EQ(readFile("err.txt"), "quillet-batch: out of memory\n");
}
#endif

TEST_F(BatchRunTest, EachWayOutWithUnsavedChangesAsksOnceAndEachAnswerDoesWhatItSays) {
  const std::string clan = readFile("home.txt");
  const std::pair<std::string, std::string> ways[] = {
      {"key enter", "ok"}, {"click 1", "ok"}, {"key esc", "cancel"}, {"close", "cancel"}};
  for (const auto& [way, end] : ways) {
    for (const std::string answer : {"yes", "no", "cancel", ""}) {  // "": the default answers
      SCOPED_TRACE(way + " answered " + answer);
      writeFile("home.txt", clan);
      const std::string queued = answer.empty() ? "" : "answer " + answer + "\n";
      const BatchRun run = runBatch(kChange + queued + way + "\n");
      const bool ends = answer == "yes" || answer == "no";
      EXPECT_EQ(run.out, kQuestion + (answer.empty() ? "cancel" : answer) +
                             "\nend: " + (ends ? end : "input") + "\n");
      EXPECT_EQ(readFile("home.txt") != clan, answer == "yes");
    }
  }
}

TEST_F(BatchRunTest, FailedSaveOnYesShowsNotSavedAndStaysOpen) {
  // home.txt cannot be replaced in a read-only directory.
  std::filesystem::create_directory("clan");
  std::filesystem::copy("home.txt", "clan/home.txt");
  ASSERT_EQ(::chmod("clan", 0555), 0);
  EXPECT_EQ(runBatch(kChange + "answer yes\nkey esc\nprint 1001\n", "clan").out,
            kQuestion + utf8(u8"yes\n1001: \\r\\n\\r\\n\\r\\n            保存失败"
                             u8"\\r\\n　家谱文件所在的文件夹不允许写入\nend: input\n"));
}

TEST_F(BatchRunTest, SelectedItemShowsItsReportAndLookupsAndEditsSelectWhomTheyFound) {
  // Tree lines: 0 贾演, 1 贾代善, 2 贾政 王夫人, 3 贾宝玉, 4 贾敏, 5 贾代化.
  const BatchRun run = runBatch(
      u8"selected\nselect 3\nselected\nprint 1001\n"
      u8"type 1002 王夫人\nclick 1003\nselected\nprint 1001\n"  // a wife: her husband's item
      u8"type 1017 贾敏\nclick 1019\nselected\n"
      u8"type 1026 贾兰\ntype 1027 m\ntype 1028 17800101\ntype 1029 王夫人\nclick 1031\nselected\n"
      u8"type 1032 袭人\ntype 1033 贾宝玉\ntype 1034 17620101\nclick 1036\nselected\n"
      u8"type 1002 贾敏\ntype 1009 贾惜春\nclick 1010\nselected\n"  // 贾兰 is line 4 now
      u8"type 1002 无此人\nclick 1003\nselected\n");
  std::string selections;
  std::string panes;
  for (std::size_t at = 0, end; (end = run.out.find('\n', at)) != std::string::npos; at = end + 1) {
    const std::string line = run.out.substr(at, end - at);
    (line.starts_with("selected") ? selections : panes) += line.substr(0, 22) + '\n';
  }
  EXPECT_EQ(selections,
            "selected none\nselected 3\nselected 2\nselected 4\nselected 4\n"
            "selected 3\nselected 5\nselected 5\n");
  EXPECT_EQ(panes, utf8(u8"1001: 姓名:贾宝玉\n1001: 姓名:王夫人\nend: input\n"));
}

// Undo and redo with nothing to take back, after a birth, and with nothing to do again; the
// kinship path from the first name (a wife at her husband's line) until the next redo. The birth
// taken back last leaves nothing to save: Esc ends at once.
TEST_F(BatchRunTest, UndoRedoAndTheMarkedPathPrintAsTheProtocolSays) {
  const BatchRun run = runBatch(
      u8"key ctrl+z\nprint 1001\n"
      u8"type 1026 贾兰\ntype 1027 m\ntype 1028 17800101\ntype 1029 王夫人\nclick 1031\n"
      u8"key ctrl+z\nprint 1001\nselected\nkey ctrl+y\nprint 1001\n"
      u8"type 1021 王夫人\ntype 1023 贾敏\nclick 1025\nmarked\n"
      u8"key ctrl+y\nprint 1001\nmarked\nkey ctrl+z\nkey esc\n");
  EXPECT_EQ(run.out, utf8(u8"1001: 没有可撤销的修改\n1001: 已撤销：出生 贾兰\nselected 2\n"
                          u8"1001: 已恢复：出生 贾兰\nmarked 2 1 5\n"
                          u8"1001: 没有可恢复的修改\nmarked none\nend: cancel\n"));
  EXPECT_EQ(run.status, 0);
}

// --- The escapes and conversions at the edges

using batch::decodeInputText;
using batch::encodeOutputText;

TEST(BatchText, InputEscapesBecomeTheirBytesAndTheRestIsConvertedToGbk) {
  EXPECT_EQ(decodeInputText(utf8(u8"a\\sb\\\\c\\r\\n\\t")),
            std::optional<std::string>("a b\\c\r\n\t"));
  EXPECT_EQ(decodeInputText(utf8(u8"\u8d3e\\xB1\\xa6\u7389")),
            std::optional<std::string>("贾宝玉"));
  EXPECT_EQ(decodeInputText(utf8(u8"\\xff\\x00")),
            std::optional<std::string>(std::string("\xff\0", 2)));
  EXPECT_EQ(decodeInputText(utf8(u8"x\U0001F600y")),
            std::optional<std::string>("x?y"));  // not in GBK
  EXPECT_EQ(decodeInputText(""), std::optional<std::string>(""));
}

TEST(BatchText, MalformedInputEscapesAreRefused) {
  for (const char* bad : {"\\", "a\\q", "\\x", "\\x4", "\\xg1", "\\x1", "\\S"}) {
    EXPECT_FALSE(decodeInputText(bad).has_value()) << bad;
  }
}

TEST(BatchText, OutputEscapesControlBytesBackslashesAndInvalidGbk) {
  EXPECT_EQ(encodeOutputText("\r\n\t\\ x "), "\\r\\n\\t\\\\ x ");
  EXPECT_EQ(encodeOutputText(std::string("\x01\x1f\0\x7f", 4)), "\\x01\\x1f\\x00\x7f");
  EXPECT_EQ(encodeOutputText("贾宝玉  "), utf8(u8"\u8d3e\u5b9d\u7389  "));
  // A lead byte without its trail byte, a lone 0x80 and a byte 0xFF are no characters.
  EXPECT_EQ(encodeOutputText("\xB1"), "\\xb1");
  EXPECT_EQ(encodeOutputText("\xB1\x0d\x0a"), "\\xb1\\r\\n");
  EXPECT_EQ(encodeOutputText("a\x80\xff"
                             "b"),
            "a\\x80\\xffb");
  EXPECT_EQ(encodeOutputText("贾\xB1 宝"), utf8(u8"\u8d3e\\xb1 \u5b9d"));
}

TEST(BatchText, DecodeThenEncodeKeepsEveryEscapableText) {
  const std::string typed = utf8(u8"\u738b\u7199\u51e4\\r\\n\\t\\\\ \\x01");
  const std::optional<std::string> gbk = decodeInputText(typed);
  ASSERT_TRUE(gbk.has_value());
  EXPECT_EQ(encodeOutputText(*gbk), utf8(u8"\u738b\u7199\u51e4\\r\\n\\t\\\\ \\x01"));
}

}  // namespace
}  // namespace quillet::testing
