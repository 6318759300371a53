// The person query (确定 1019): a name with the person's own text file, listings by sex,
// generation and life status, and the complaints; and its reset (重填 1018).
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/panels/panel_fixture.h"

namespace quillet::testing {
namespace {

constexpr char kEmptyKeyword[] = "\r\n\r\n\r\n                       请输入关健字,勿使输入框为空";
constexpr char kIncompleteName[] = "\r\n\r\n\r\n      输入姓名不完整，请进行完整输入!";
constexpr char kNotAMember[] = "\r\n\r\n     此人非本家族人员";
constexpr char kNotSexLetter[] = "\r\n\r\n\r\n      非法输入，只能为f/m!";
constexpr char kNobodyListed[] = "没有此项目所对应的人员";

class PersonQueryTest : public PanelTest {
 protected:
  std::string query(int radioId, std::string_view keyword) {
    window().check(radioId);
    window().type(IDC_QUERY_KEYWORD, keyword);
    window().click(IDC_PERSON_QUERY);
    return pane();
  }
  std::string byName(std::string_view keyword) { return query(IDC_QUERY_CHOICE, keyword); }

  // The listing the pane should show for `persons`, each line made by the brief formatter.
  std::string listing(const std::vector<std::string_view>& names) {
    std::string text =
        "按要求共找到" + std::to_string(names.size()) + "人,人员名单及简略信息如下:\r\n";
    int k = 0;
    for (std::string_view name : names) {
      ++k;
      std::string line;
      formatPersonLine(person(name), line);
      text += (k <= 9 ? " " : "") + std::to_string(k) + line;
    }
    return text;
  }
};

// Complaints and listings: the keyword's first byte alone counts, and the sex letter is
// case-sensitive; a wife is found by name too.
TEST_F(PersonQueryTest, EachChoiceAnswersItsKeyword) {
  const struct {
    int radio;
    const char* keyword;
    std::string expected;
  } cases[] = {
      {1013, "", kEmptyKeyword},
      {1014, "", kEmptyKeyword},
      {1015, "", kEmptyKeyword},
      {1016, "", kEmptyKeyword},
      {1013, "f", kIncompleteName},
      {1013, "贾", kIncompleteName},
      {1013, "贾政", reportOf("贾政")},
      {1013, "史太君", reportOf("史太君")},
      {1013, "林黛玉", kNotAMember},
      {1014, "female", listing({"王氏", "史太君", "李氏", "王夫人", "贾敏"})},
      {1014, "F", kNotSexLetter},
      {1014, "M", kNotSexLetter},
      {1014, "男", kNotSexLetter},
      {1015, "12", listing({"贾代善", "史太君", "李氏", "贾代化"})},
      {1015, "x", kNobodyListed},
      {1016, "n", listing({"贾代化"})},
      {1016, "Y", kNobodyListed},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(shown(query(c.radio, c.keyword)), shown(c.expected)) << c.radio << shown(c.keyword);
  }
}

// A person's text file follows the report (a two-character name keeps both spaces before the
// dot); a name outside the tree shows its text file alone; a read-only file shows as any other; a
// key with a slash ("ab/cd" gives "ab/c  ") never reaches the file "c  .txt" of the directory ab.
TEST_F(PersonQueryTest, TextFilesOfPersonsInAndOutsideTheTreeReadOnlyOrElsewhere) {
  writeFile(diskName("贾政  .txt"), "工部员外郎。\r\n好读书。");
  EXPECT_EQ(shown(byName("贾政")),
            shown(reportOf("贾政") + "\r\n贾政  具体信息如下：\r\n    工部员外郎。\n好读书。"));
  writeFile(diskName("林黛玉.txt"), std::string("姑苏人\0氏", 9));
  EXPECT_EQ(shown(byName("林黛玉")), shown("\r\n林黛玉具体信息如下：\r\n    姑苏人氏"));
  writeFile(diskName("贾政  .txt"), "read-only");  // read, as a file that is only read
  ::chmod(diskName("贾政  .txt").c_str(), 0444);
  EXPECT_EQ(shown(byName("贾政")),
            shown(reportOf("贾政") + "\r\n贾政  具体信息如下：\r\n    read-only"));
  std::filesystem::create_directory("ab");
  writeFile("ab/c  .txt", "outside");
  EXPECT_EQ(shown(byName("ab/cd")), shown(kNotAMember));
}

TEST_F(PersonQueryTest, TenthEntryAndBeyondStandWithoutLeadingSpace) {
  std::string clan = record({.name = "贾演", .generation = '0'});
  std::vector<std::string> names;
  for (int i = 1; i <= 11; ++i) {
    names.push_back("son" + std::string(i < 10 ? "0" : "") + std::to_string(i) + " ");
    const std::string older = i == 1 ? "" : names[names.size() - 2];
    clan += record({.name = names.back(),
                    .father = "贾演",
                    .birthDate = "17200101",
                    .olderSibling = older,
                    .motherIndex = '1'});
  }
  writeFile("home.txt", clan);
  const std::string text = query(1015, "1");
  std::vector<std::string_view> listed(names.begin(), names.end());
  EXPECT_EQ(shown(text), shown(listing(listed)));
  EXPECT_NE(text.find("\r\n 9    son09"), std::string::npos);
  EXPECT_NE(text.find("\r\n10    son10"), std::string::npos);
  EXPECT_EQ(text.rfind("按要求共找到11人", 0), 0u);
}

}  // namespace
}  // namespace quillet::testing
