// The shipped data under data/, read by the program itself: home.txt loads whole and saves back
// to the same bytes, and number.txt's figures are those of the rosters and the genealogy. (The
// clan's rules and the side files' formats are checked by tools/clan_data/make_data.py, which
// writes data/; ShippedData.MatchesItsGenerator keeps data/ equal to its output.)
#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/family_tree.h"
#include "platform/gbk.h"
#include "tests/support/genealogy_text.h"
#include "tests/support/temp_dir.h"

namespace quillet {
namespace {

// The bytes of data/<gbkName> (the GBK name is converted to the UTF-8 name on disk).
std::string readShipped(std::string_view gbkName) {
  return testing::readFile(testing::sourcePath("data/" + platform::gbkToUtf8(gbkName).value()));
}

// The clan members and wives reachable from the root, in save order (each man, then his wives).
std::vector<const Person*> everyoneInSaveOrder(const FamilyTree& tree) {
  std::vector<const Person*> order;
  std::deque<const Person*> queue{tree.root()};
  for (; !queue.empty() && queue.front() != nullptr; queue.pop_front()) {
    const Person* person = queue.front();
    order.push_back(person);
    if (person->spouse != nullptr) order.push_back(person->spouse);
    if (person->secondWife != nullptr) order.push_back(person->secondWife);
    for (const Person* child = person->firstChild; child; child = child->youngerSibling) {
      queue.push_back(child);
    }
  }
  return order;
}

// "    label：N人" followed by a line break mark, as number.txt writes each figure.
std::string figure(std::string_view label, long count) {
  return "    " + std::string(label) + "：" + std::to_string(count) + "人#";
}

class ShippedHome : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::writeFile("home.txt", shipped);
    ASSERT_TRUE(tree.load());
    ASSERT_NE(tree.root(), nullptr);
  }
  testing::ScopedTempDir dir;
  const std::string shipped = readShipped("home.txt");
  FamilyTree tree;
};

TEST_F(ShippedHome, EveryRecordIsLoadedReachableAndSavedBackTheSame) {
  const auto records = static_cast<std::int32_t>(std::count(shipped.begin(), shipped.end(), '!'));
  EXPECT_EQ(tree.personCount(), records);
  EXPECT_TRUE(tree.unplacedRecords().empty());
  const auto everyone = everyoneInSaveOrder(tree);
  EXPECT_EQ(static_cast<std::int32_t>(everyone.size()), records);
  EXPECT_GT(everyone.size(), 60u);
  EXPECT_EQ(tree.femaleCount(), std::count_if(everyone.begin(), everyone.end(),
                                              [](const Person* p) { return p->sex == 'f'; }));
  char deepest = '0';
  for (const Person* p : everyone) deepest = std::max(deepest, p->generation);
  EXPECT_EQ(tree.generationCount(), deepest - '0');
  EXPECT_EQ(everyone.back()->generation, deepest);
  ASSERT_TRUE(tree.save());
  EXPECT_TRUE(testing::sameBytes(testing::readFile("home.txt"), shipped));
}

TEST_F(ShippedHome, NumbersAgreeWithTheRostersAndTheGenealogy) {
  std::string expected = "#人物统计##一、各府人员(据各府人员名单)#";
  long rosterTotal = 0;
  for (const auto& [file, caption] :
       std::vector<std::pair<std::string, std::string>>{{"宁.txt", "宁国府"},
                                                        {"荣.txt", "荣国府"},
                                                        {"史.txt", "史府"},
                                                        {"王.txt", "王府"},
                                                        {"薛.txt", "薛府"},
                                                        {"其它.txt", "其它"}}) {
    const long count = static_cast<long>(readShipped(file).size() / 6);  // 6-byte names
    rosterTotal += count;
    expected += figure(caption, count);
  }
  expected += figure("合计", rosterTotal) + "#二、贾氏家谱(据家谱文件)#";

  auto everyone = everyoneInSaveOrder(tree);
  std::map<char, long> byGeneration;
  long men = 0, women = 0, daughters = 0, wives = 0, living = 0, dead = 0;
  for (const Person* p : everyone) {
    ++byGeneration[p->generation];
    (p->sex == 'm' ? men : women) += 1;
    const bool isWife = p->father == nullptr && p != tree.root();
    wives += isWife;
    daughters += !isWife && p->sex == 'f';
    (p->alive == 'y' ? living : dead) += 1;
  }
  const long persons = static_cast<long>(everyone.size());
  expected += figure("家谱人数", persons) + figure("本族成员", persons - wives) +
              figure("娶入之妻", wives) + "    代数：" + std::to_string(byGeneration.size()) +
              "代#";
  for (const auto& [generation, count] : byGeneration) {
    expected += figure("第" + std::string(1, generation) + "代", count);
  }
  expected += figure("男", men) + figure("女", women) + figure("本族女儿", daughters) +
              figure("健在", living) + "    已故：" + std::to_string(dead) + "人";
  EXPECT_EQ(readShipped("number.txt"), expected);
}

}  // namespace
}  // namespace quillet
