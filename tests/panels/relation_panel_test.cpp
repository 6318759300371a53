// The relationship query (查询 1025) and its reset (重填 1024).
#include <string>

#include "tests/panels/panel_fixture.h"

namespace quillet::testing {
namespace {

constexpr char kNotInClan[] =
    "\r\n\r\n\r\n               您输入的人员中有一个或全部非贾氏家族成员，本软件现只支持单家族版本";
constexpr char kIncomplete[] = "\r\n\r\n\r\n     您的输入不完整，请补充完整!";
constexpr char kBothEmpty[] = "\r\n\r\n\r\n     您没有在输入框中输入关健字，请补充完整!";

class RelationPanelTest : public PanelTest {
 protected:
  std::string ask(std::string_view first, std::string_view second) {
    window().type(IDC_RELATION_FIRST, first);
    window().type(IDC_RELATION_SECOND, second);
    window().click(IDC_RELATION_QUERY);
    return pane();
  }
  std::string kinship(std::string_view p, std::string_view q) {
    std::string text;
    FamilyTree::describeKinship(*person(p), *person(q), text);
    return text;
  }
};

TEST_F(RelationPanelTest, ComplaintsFollowTheirPrecedence) {
  EXPECT_EQ(shown(ask("", "")), shown(kBothEmpty));
  EXPECT_EQ(shown(ask("", "贾宝玉")), shown(kIncomplete));  // not the not-found text
  EXPECT_EQ(shown(ask("贾宝玉", "")), shown(kIncomplete));
  EXPECT_EQ(shown(ask("贾", "贾宝玉")), shown(kIncomplete));
  EXPECT_EQ(shown(ask("贾宝玉", "薛宝钗")), shown(kNotInClan));
  EXPECT_EQ(shown(ask("薛蟠", "林黛玉")), shown(kNotInClan));
}

TEST_F(RelationPanelTest, SameNameTwiceIsOnePersonWithoutLineBreak) {
  EXPECT_EQ(shown(ask("贾宝玉", "贾宝玉")), shown("这是同一个人"));
  // A two-character name is found without its padding, and only the first 6 bytes count.
  EXPECT_EQ(shown(ask("贾政", "贾政  ")), shown("这是同一个人"));
  EXPECT_EQ(shown(ask("贾宝玉xyz", "贾宝玉")), shown("这是同一个人"));
}

TEST_F(RelationPanelTest, FirstNameTypedTakesTheSeniorRoleAmongOneGeneration) {
  const std::string answer = ask("贾代善", "贾代化");
  EXPECT_EQ(shown(answer), shown(kinship("贾代化", "贾代善")));
  const std::string swapped = ask("贾代化", "贾代善");
  EXPECT_EQ(shown(swapped), shown(kinship("贾代善", "贾代化")));
  EXPECT_NE(answer, swapped);
}

TEST_F(RelationPanelTest, WifeIsFoundAndTheInputsKeepTheirText) {
  const std::string answer = ask("王夫人", "贾宝玉");
  EXPECT_EQ(shown(answer), shown(kinship("贾宝玉", "王夫人")));
  EXPECT_NE(answer, kNotInClan);
  EXPECT_EQ(window().text(IDC_RELATION_FIRST), "王夫人");
  EXPECT_EQ(window().text(IDC_RELATION_SECOND), "贾宝玉");
}

TEST_F(RelationPanelTest, ResetEmptiesOnlyTheTwoNames) {
  ask("贾政", "贾宝玉");
  const std::string answer = pane();
  window().type(IDC_QUERY_KEYWORD, "贾敏");
  window().type(IDC_BIRTH_NAME, "贾环");
  window().click(IDC_RESET_RELATION);
  EXPECT_EQ(window().text(IDC_RELATION_FIRST), "");
  EXPECT_EQ(window().text(IDC_RELATION_SECOND), "");
  EXPECT_EQ(pane(), answer);
  EXPECT_EQ(window().text(IDC_QUERY_KEYWORD), "贾敏");
  EXPECT_EQ(window().text(IDC_BIRTH_NAME), "贾环");
}

}  // namespace
}  // namespace quillet::testing
