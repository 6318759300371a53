// The side files shipped beside home.txt: the six rosters, most.txt, number.txt and the person
// text files are in their formats and agree with the genealogy.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <string_view>

#include "core/family_tree.h"
#include "platform/gbk.h"
#include "tests/data/shipped_data.h"
#include "tests/support/genealogy_text.h"
#include "tests/support/temp_dir.h"

namespace quillet {
namespace {

using testing::everyoneInSaveOrder;
using testing::isGbkText;
using testing::isNameField;
using testing::loadShippedHome;
using testing::readShipped;
using testing::rosterFileNames;
using testing::ScopedTempDir;

std::vector<std::string> rosterNames(const std::string& fileName) {
  std::string bytes = readShipped(fileName);
  std::vector<std::string> names;
  for (std::size_t at = 0; at + 6 <= bytes.size(); at += 6) names.push_back(bytes.substr(at, 6));
  return names;
}

// "    label：N人" followed by a line break mark, as number.txt writes each figure.
std::string figure(std::string_view label, long count) {
  return "    " + std::string(label) + "：" + std::to_string(count) + "人#";
}

TEST(ShippedRosters, AreWholeNameFieldsWithEveryPersonOnce) {
  std::map<std::string, std::string> seenIn;
  for (const std::string& file : rosterFileNames()) {
    SCOPED_TRACE(file);
    std::string bytes = readShipped(file);
    ASSERT_FALSE(bytes.empty());
    // A line break or a stray byte would shift every later field.
    EXPECT_EQ(bytes.size() % 6, 0u);
    for (const std::string& name : rosterNames(file)) {
      EXPECT_TRUE(isNameField(name)) << *platform::gbkToUtf8(name);
      auto [at, added] = seenIn.emplace(name, file);
      EXPECT_TRUE(added) << "also in " << at->second;
    }
  }
}

// number.txt, whole: each figure counted from the rosters and the genealogy, '#' for a line break
// and none after the last figure.
TEST(ShippedNumbers, AgreeWithTheRostersAndTheGenealogy) {
  std::string expected = "#人物统计##一、各府人员(据各府人员名单)#";
  long rosterTotal = 0;
  for (const auto& [file, caption] :
       std::vector<std::pair<std::string, std::string>>{{"宁.txt", "宁国府"},
                                                        {"荣.txt", "荣国府"},
                                                        {"史.txt", "史府"},
                                                        {"王.txt", "王府"},
                                                        {"薛.txt", "薛府"},
                                                        {"其它.txt", "其它"}}) {
    const long count = static_cast<long>(rosterNames(file).size());
    rosterTotal += count;
    expected += figure(caption, count);
  }
  expected += figure("合计", rosterTotal) + "#二、贾氏家谱(据家谱文件)#";

  ScopedTempDir dir;
  FamilyTree tree;
  ASSERT_TRUE(loadShippedHome(tree));
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

// Person text files are every shipped .txt that is not the genealogy, a roster or a free text.
TEST(ShippedPersonTexts, AreOneLineEachAndNamedByAKnownPerson) {
  std::set<std::string> sideFiles(rosterFileNames().begin(), rosterFileNames().end());
  sideFiles.insert({"home.txt", "most.txt", "number.txt"});
  std::set<std::string> rostered;
  for (const std::string& file : rosterFileNames()) {
    for (const std::string& name : rosterNames(file)) rostered.insert(name);
  }

  ScopedTempDir dir;
  FamilyTree tree;
  ASSERT_TRUE(loadShippedHome(tree));
  int files = 0, twoCharacterNames = 0, inTree = 0, outsideTree = 0;
  for (const auto& entry : std::filesystem::directory_iterator(testing::sourcePath("data"))) {
    std::string name = platform::utf8ToGbk(entry.path().filename().string());
    if (name.size() < 4 || name.substr(name.size() - 4) != ".txt" || sideFiles.count(name)) {
      continue;
    }
    ++files;
    SCOPED_TRACE(entry.path().filename().string());
    ASSERT_EQ(name.size(), 10u) << "a person text file is a 6-byte name key and .txt";
    std::string key = name.substr(0, 6);
    EXPECT_TRUE(isNameField(key));
    if (key.substr(4) == "  ") ++twoCharacterNames;

    Person* person = nullptr;
    if (tree.findByName(person, testing::key(key))) {
      ++inTree;
    } else {
      ++outsideTree;
      EXPECT_TRUE(rostered.count(key)) << "names nobody of the tree or the rosters";
    }

    std::string text = testing::readFile(entry.path().string());
    EXPECT_FALSE(text.empty());
    EXPECT_TRUE(isGbkText(text));
    // The query shows the file as it is: a line break in it would not show as one.
    EXPECT_EQ(text.find_first_of("\r\n"), std::string::npos);
  }
  EXPECT_GE(files, 12);
  EXPECT_GT(twoCharacterNames, 0);
  EXPECT_GT(inTree, 0);
  EXPECT_GT(outsideTree, 0);
}

}  // namespace
}  // namespace quillet
