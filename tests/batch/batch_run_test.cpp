// Whole runs of quillet-batch: a script on standard input, the exact standard output, the error
// line and the exit status.
#include "tests/batch/batch_run.h"

#include <string>

namespace quillet {
namespace {

using testing::BatchRun;
using testing::BatchRunTest;
using testing::runBatch;
using testing::utf8;

TEST_F(BatchRunTest, ProtocolExampleAnswersThatBothNamesAreOnePerson) {
  const BatchRun run =
      runBatch(u8"type 1021 贾宝玉\ntype 1023 贾宝玉\nclick 1025\nprint 1001\nkey esc\n");
  EXPECT_EQ(run.out, utf8(u8"1001: 这是同一个人\nend: cancel\n"));
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.status, 0);
}

TEST_F(BatchRunTest, ExitQuestionDefaultsToCancelThenOkEndsAndTheRestIsNotRead) {
  const BatchRun run =
      runBatch(u8"# comment\n\nkey enter\nanswer ok\nclick 1\nthis line is never read\n");
  const std::string question = utf8(
      u8"messagebox caption: Morvane提示\n"
      u8"messagebox text: 　您真正想退出程序吗?\n");
  EXPECT_EQ(run.out, question + "messagebox buttons: okcancel default: cancel answer: cancel\n" +
                         question + "messagebox buttons: okcancel default: cancel answer: ok\n" +
                         "end: ok\n");
  EXPECT_EQ(run.status, 0);
}

TEST_F(BatchRunTest, AboutBoxOpensAndClosesAndInputEndsWithTheWindowOpen) {
  const BatchRun run = runBatch(u8"syscommand 16\nclose\n");
  EXPECT_EQ(run.out, utf8(u8"dialog 100 open: 关于 Quillet\ndialog 100 closed\nend: cancel\n"));
  const BatchRun open = runBatch(u8"syscommand 16\n");
  EXPECT_EQ(open.out, utf8(u8"dialog 100 open: 关于 Quillet\ndialog 100 closed\nend: input\n"));
}

TEST_F(BatchRunTest, TypingKeepsWhatFitsTheLimitAndPrintsWithEscapes) {
  const BatchRun run = runBatch(
      u8"type 1026 贾宝玉玉\nprint 1026\n"
      u8"type 1027 mf\nprint 1027\n"
      u8"type 1017  a\\sb\\\\c\\x01\\t\\xff😀 \nprint 1017\n"
      u8"type 1021\nprint 1021\n"
      u8"check 1006\nprint 1004\nprint 1006\n");
  EXPECT_EQ(run.out, utf8(u8"1026: 贾宝玉\n"
                          u8"1027: m\n"
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
      {u8"\n# x\nclick 1017\n", 3},
      {u8"type 1019 x\n", 1},
      {u8"check 1001\n", 1},
      {u8"print 1000\n", 1},
      {u8"type 1021 \\q\n", 1},
      {u8"click\n", 1},
      {u8"click 10x\n", 1},
      {u8"key space\n", 1},
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
}

TEST_F(BatchRunTest, IdsBeyondAnIntAreUnknownNeverAnotherControlWrappedRound) {
  const std::string file = testing::readFile("home.txt");
  // 4294968316 is 2^32 + 1020, the save button's id wrapped round.
  for (const char8_t* id : {u8"4294968316", u8"0x1000003FC", u8"99999999999999999999999"}) {
    const BatchRun run =
        runBatch(std::u8string(u8"type 1002 贾宝玉\ncheck 1005\nclick 1010\nanswer ok\nclick ") +
                 id + u8"\n");
    EXPECT_EQ(run.status, 2) << run.err;
    EXPECT_EQ(run.err, "error: line 5: unknown control id " +
                           std::string(reinterpret_cast<const char*>(id)) + "\n");
  }
  EXPECT_EQ(testing::readFile("home.txt"), file);
}

#if !defined(__SANITIZE_ADDRESS__)
TEST_F(BatchRunTest, RunningOutOfMemoryEndsWithAMessage) {
  testing::writeFile("\xe5\xae\x81.txt", std::string(16'000'000, 'a'));  // 宁.txt
  const std::string command = std::string("ulimit -v 40000; '") + QUILLET_BATCH_PATH +
                              "' < script.txt > out.txt 2> err.txt";
  testing::writeFile("script.txt", "click 1022\nkey esc\n");
  const int raw = std::system(("bash -c \"" + command + "\"").c_str());
  ASSERT_TRUE(WIFEXITED(raw));
  EXPECT_EQ(WEXITSTATUS(raw), 3);
  EXPECT_EQ(testing::readFile("err.txt"), "quillet-batch: out of memory\n");
}
#endif

}  // namespace
}  // namespace quillet
