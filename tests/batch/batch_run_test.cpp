// Whole runs of quillet-batch that a transcript cannot state: every bad command's error line and
// exit status, running out of memory, each way out with each answer to the exit question; and
// the escapes at its edges.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
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

BatchRun runBatch(std::string_view script) {
  writeFile("script.txt", script);
  const std::string command =
      std::string("'") + QUILLET_BATCH_PATH + "' < script.txt > out.txt 2> err.txt";
  const int raw = std::system(command.c_str());
  return {readFile("out.txt"), readFile("err.txt"), WIFEXITED(raw) ? WEXITSTATUS(raw) : -1};
}

BatchRun runBatch(std::u8string_view script) { return runBatch(utf8(script)); }

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

}  // namespace
}  // namespace quillet::testing
