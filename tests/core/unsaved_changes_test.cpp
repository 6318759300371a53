// The tree's record of unsaved changes: which edits make one, and what clears it.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string_view>

#include "core/family_tree.h"
#include "tests/support/genealogy_text.h"
#include "tests/support/temp_dir.h"

namespace quillet {
namespace {

using testing::key;

class UnsavedChangesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::writeFile(
        "home.txt",
        testing::records(
            {{.name = "贾始祖", .generation = '0', .married = 'y'},
             {.name = "始祖妻", .generation = '0', .sex = 'f', .married = 'y', .husband = "贾始祖"},
             {.name = "贾政", .father = "贾始祖"}}));
    ASSERT_TRUE(tree.load());
  }
  Person* zheng() {
    Person* person = nullptr;
    tree.findByName(person, key("贾政"));
    return person;
  }

  testing::ScopedTempDir dir;
  FamilyTree tree;
};

TEST_F(UnsavedChangesTest, OnlyAnEditThatChangesAStoredValueCounts) {
  const NameKey own = key("贾政"), taken = key("始祖妻"), fresh = key("贾赦");
  const struct {
    int selector;
    std::string_view value;
    bool changes;
  } cases[] = {
      {1, {own.data(), 6}, false},    // his own name
      {1, {taken.data(), 6}, false},  // refused
      {1, {fresh.data(), 6}, true},  {2, "", true},         {3, "1", false},    {3, "2", true},
      {4, "17000101", false},        {4, "17000102", true}, {4, "1700", false},  // refused
      {5, "17800101", true},         {9, "", false},                             // no such field
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(tree.load());
    tree.modifyField(zheng(), c.selector, c.value);
    EXPECT_EQ(tree.hasUnsavedChanges(), c.changes) << c.selector << ' ' << c.value;
  }
  const DateText date = makeDate("17300101");
  ASSERT_TRUE(tree.load());
  EXPECT_FALSE(tree.addChild(key("贾宝玉"), key("贾政"), 'm', date));  // he is no mother
  EXPECT_FALSE(tree.hasUnsavedChanges());
  EXPECT_TRUE(tree.addChild(key("贾赦"), key("始祖妻"), 'm', date));
  EXPECT_TRUE(tree.hasUnsavedChanges());
  ASSERT_TRUE(tree.load());
  EXPECT_TRUE(tree.addWife(key("王夫人"), key("贾政"), date));
  EXPECT_TRUE(tree.hasUnsavedChanges());
}

TEST_F(UnsavedChangesTest, SuccessfulSaveAndEveryLoadClearButAFailedSaveKeeps) {
  ASSERT_TRUE(tree.modifyField(zheng(), 2, ""));
  ASSERT_EQ(::chmod("home.txt", 0444), 0);
  EXPECT_FALSE(tree.save());
  EXPECT_TRUE(tree.hasUnsavedChanges());
  ASSERT_EQ(::chmod("home.txt", 0644), 0);
  EXPECT_TRUE(tree.save());
  EXPECT_FALSE(tree.hasUnsavedChanges());

  ASSERT_TRUE(tree.modifyField(zheng(), 2, ""));
  std::filesystem::remove("home.txt");
  EXPECT_FALSE(tree.load());  // no file: an empty tree, with nothing to save
  EXPECT_FALSE(tree.hasUnsavedChanges());
}

}  // namespace
}  // namespace quillet
