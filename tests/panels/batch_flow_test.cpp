// Whole flows through quillet-batch's session: a person's acts in, what the window shows out.
// Scripts and expected outputs are written here in GBK and converted to the session's UTF-8.
#include <sstream>
#include <string>

#include "platform/dialog/backend.h"
#include "tests/panels/panel_fixture.h"
#include "tools/batch/batch_session.h"

namespace quillet::testing {
namespace {

std::string utf8(std::string_view gbk) { return platform::gbkToUtf8(gbk).value(); }

class BatchFlowTest : public ::testing::Test {
 protected:
  BatchFlowTest() { writeFile("home.txt", panelClanFile()); }

  // Runs one session on `script` (GBK); returns what it printed (UTF-8).
  std::string run(std::string_view script) {
    std::istringstream in(utf8(script));
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(batch::runBatch(in, out, err), 0) << err.str();
    return out.str();
  }

  ScopedTempDir dir_;
};

// The lines of `output` that begin with `prefix`.
std::string linesStartingWith(const std::string& output, std::string_view prefix) {
  std::istringstream lines(output);
  std::string line;
  std::string kept;
  while (std::getline(lines, line)) {
    if (line.rfind(prefix, 0) == 0) kept += line + '\n';
  }
  return kept;
}

TEST_F(BatchFlowTest, SavedBirthAndMarriageAreInPlaceAtTheNextStart) {
  const std::string first =
      run("type 1026 贾珠\ntype 1027 m\ntype 1028 17580101\ntype 1029 王夫人\nclick 1031\n"
          "type 1032 李纨\ntype 1033 贾珠\ntype 1034 17590101\nclick 1036\n"
          "answer ok\nclick 1020\nprint 1001\ntree\n");
  EXPECT_EQ(first.substr(first.find("messagebox")),
            utf8("messagebox caption: 警告\n"
                 "messagebox text: 保存后可能会导至文件不可调用或与原著不符\\r\\n 保存吗？\n"
                 "messagebox buttons: okcancel default: cancel answer: ok\n"
                 "1001: \\r\\n\\r\\n\\r\\n        保存成功！\n") +
                first.substr(first.find("tree ")));
  const std::string tree = linesStartingWith(first, "tree ");
  // The child last under his father, his bride named in his label.
  EXPECT_NE(tree.find(utf8("tree 3 - 3 贾宝玉\ntree 3 - 3 贾珠   李纨  \n")), std::string::npos)
      << tree;

  const std::string second = run("tree\ntype 1017 贾珠\nclick 1019\nprint 1001\nkey esc\n");
  EXPECT_EQ(linesStartingWith(second, "tree "), tree);
  EXPECT_NE(second.find(utf8("父亲 贾政  ")), std::string::npos) << second;
  EXPECT_EQ(second.substr(second.size() - 12), "end: cancel\n");
}

TEST_F(BatchFlowTest, CancelledSaveWritesNothingAndRefusedChangesSayWhy) {
  const std::string home = readFile("home.txt");
  const std::string output = run(
      "type 1032 赵姨娘\ntype 1033 贾代善\ntype 1034 17300101\nclick 1036\nprint 1001\n"
      "type 1026 贾兰\ntype 1027 m\ntype 1028 17800101\ntype 1029 贾敏\nclick 1031\nprint 1001\n"
      "type 1002 贾宝玉\ntype 1009 史太君\nclick 1010\nclick 1020\nprint 1001\n");
  EXPECT_EQ(output,
            utf8("1001: \\r\\n\\r\\n\\r\\n添加失败!\\r\\n "
                 "失败原因：\\r\\n　1　其丈夫姓名不在贾氏家族家谱中。"
                 "\\r\\n　2　您输入的丈夫不是男性\n"
                 "1001: \\r\\n\\r\\n\\r\\n 添加失败!\\r\\n 失败原因：\\r\\n   1 "
                 "其母姓名不在贾氏家族家谱中。"
                 "\\r\\n   2 错输其父姓名为其母姓名\n"
                 "messagebox caption: ") +
                platform::applicationName() +
                utf8("\n"
                     "messagebox text: 人名重复，不能修改!\n"
                     "messagebox buttons: ok default: ok answer: ok\n"
                     "messagebox caption: 警告\n"
                     "messagebox text: 保存后可能会导至文件不可调用或与原著不符\\r\\n 保存吗？\n"
                     "messagebox buttons: okcancel default: cancel answer: cancel\n"
                     "1001: \\r\\n\\r\\n\\r\\n 添加失败!\\r\\n 失败原因：\\r\\n   1 "
                     "其母姓名不在贾氏家族家谱中。"
                     "\\r\\n   2 错输其父姓名为其母姓名\n"
                     "end: input\n"));
  EXPECT_EQ(readFile("home.txt"), home);
}

}  // namespace
}  // namespace quillet::testing
