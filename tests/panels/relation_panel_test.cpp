// The relationship query (查询 1025) and its reset (重填 1024).
#include <functional>
#include <iterator>
#include <string>
#include <vector>

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
    EXPECT_TRUE(person(p) && person(q)) << shown(p) << shown(q);
    if (person(p) && person(q)) FamilyTree::describeKinship(*person(p), *person(q), text);
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

// The first name typed takes the senior role among one generation; a wife is found; a
// two-character name is found without its padding, and only the first 6 bytes count; the
// inputs keep their text.
TEST_F(RelationPanelTest, AnswerIsTheKinshipOfTheSecondToTheFirst) {
  const std::pair<const char*, const char*> pairs[] = {
      {"贾代善", "贾代化"}, {"贾代化", "贾代善"}, {"王夫人", "贾宝玉"}, {"贾宝玉", "贾宝玉"}};
  for (const auto& [first, second] : pairs) {
    EXPECT_EQ(shown(ask(first, second)), shown(kinship(second, first))) << shown(first);
  }
  EXPECT_NE(ask("贾代善", "贾代化"), ask("贾代化", "贾代善"));
  EXPECT_EQ(shown(ask("贾政", "贾政  ")), shown("这是同一个人"));
  EXPECT_EQ(shown(ask("贾宝玉xyz", "贾宝玉")), shown("这是同一个人"));
  EXPECT_EQ(window().text(IDC_RELATION_FIRST), "贾宝玉xyz");
  EXPECT_EQ(window().text(IDC_RELATION_SECOND), "贾宝玉");
}

// Tree lines: 0 贾演, 1 贾代善, 2 贾政 (王夫人), 3 贾宝玉, 4 贾敏, 5 贾代化.
TEST_F(RelationPanelTest, KinshipPathIsMarkedFromTheFirstNameAndEachLaterEventClearsIt) {
  const auto marked = [this] { return window().window().markedTreeLines(IDC_TREE); };
  using Lines = std::vector<std::size_t>;
  ask("王夫人", "贾敏");  // a wife at her husband's place
  EXPECT_EQ(marked(), (Lines{2, 1, 4}));
  ask("贾宝玉", "贾代化");
  EXPECT_EQ(marked(), (Lines{3, 2, 1, 0, 5}));
  ask("贾宝玉", "贾宝玉");
  EXPECT_EQ(marked(), Lines{3});
  ask("贾宝玉", "薛蟠");  // no kinship worded
  EXPECT_EQ(marked(), Lines{});

  // What clears the marks, and a change of nothing, which keeps them.
  const int choice = IDC_MODIFY_CHOICE;
  const struct {
    std::function<void()> event;
    bool clears;
  } rows[] = {
      {[&] { window().click(IDC_RESET_RELATION); }, true},
      {[&] { ask("贾", "贾敏"); }, true},
      {[&] { marriage("薛宝钗", "贾宝玉", "17620101"); }, true},
      {[&] { modify("贾政", choice + 2, "2"); }, false},  // his generation already
      {[&] { modify("贾政", choice + 1, ""); }, true},
      {[&] { window().window().keyCtrl('Z'); }, true},
      {[&] { window().window().keyCtrl('Y'); }, true},
      {[&] { window().window().keyCtrl('Y'); }, true},  // nothing to do again
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    window().window().expandTreeItem(IDC_TREE, 2, platform::TVE_COLLAPSE);
    ask("王夫人", "贾宝玉");
    ASSERT_EQ(marked(), (Lines{2, 3})) << i;
    EXPECT_EQ(window().treeLines()[1][2], 'e') << "the marked items are in view";
    rows[i].event();
    EXPECT_EQ(marked().empty(), rows[i].clears) << i;
  }
}

}  // namespace
}  // namespace quillet::testing
