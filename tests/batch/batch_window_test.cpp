// Whole runs of quillet-batch through the exit question for unsaved changes and through the
// tree's selection.
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "tests/batch/batch_run.h"

namespace quillet {
namespace {

using testing::BatchRunTest;
using testing::runBatch;
using testing::utf8;

// Toggles 贾政's sex through the modify panel: a change not yet saved.
const std::string kChange = utf8(u8"type 1002 贾政\ncheck 1005\nclick 1010\n");
const std::string kQuestion = utf8(
    u8"messagebox caption: Morvane提示\n"
    u8"messagebox text: 　家谱有尚未保存的修改，退出前要保存吗?\n"
    u8"messagebox buttons: yesnocancel default: cancel answer: ");

TEST_F(BatchRunTest, EachWayOutWithUnsavedChangesAsksOnceAndEachAnswerDoesWhatItSays) {
  const std::string clan = testing::readFile("home.txt");
  const std::pair<std::string, std::string> ways[] = {
      {"key enter", "ok"}, {"click 1", "ok"}, {"key esc", "cancel"}, {"close", "cancel"}};
  for (const auto& [way, end] : ways) {
    for (const std::string answer : {"yes", "no", "cancel", ""}) {  // "": the default answers
      SCOPED_TRACE(way + " answered " + answer);
      testing::writeFile("home.txt", clan);
      const std::string queued = answer.empty() ? "" : "answer " + answer + "\n";
      const testing::BatchRun run = runBatch(kChange + queued + way + "\n");
      const bool ends = answer == "yes" || answer == "no";
      EXPECT_EQ(run.out, kQuestion + (answer.empty() ? "cancel" : answer) +
                             "\nend: " + (ends ? end : "input") + "\n");
      EXPECT_EQ(testing::readFile("home.txt") != clan, answer == "yes");
    }
  }
}

TEST_F(BatchRunTest, FailedSaveOnYesShowsNotSavedAndStaysOpen) {
  // home.txt cannot be replaced in a read-only directory.
  std::filesystem::create_directory("clan");
  std::filesystem::copy("home.txt", "clan/home.txt");
  ASSERT_EQ(::chmod("clan", 0555), 0);
  EXPECT_EQ(runBatch(kChange + "answer yes\nkey esc\nprint 1001\n", "clan").out,
            kQuestion + utf8(u8"yes\n1001: \\r\\n\\r\\n\\r\\n            保存失败\nend: input\n"));
}

TEST_F(BatchRunTest, SelectedItemShowsItsReportAndLookupsAndEditsSelectWhomTheyFound) {
  // Tree lines: 0 贾演, 1 贾代善, 2 贾政 王夫人, 3 贾宝玉, 4 贾敏, 5 贾代化.
  const testing::BatchRun run = runBatch(
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

}  // namespace
}  // namespace quillet
