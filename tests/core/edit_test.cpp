#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "core/family_tree.h"
#include "tests/support/find_person.h"
#include "tests/support/genealogy_text.h"
#include "tests/support/temp_dir.h"

namespace quillet {
namespace {

using testing::key;
using testing::record;

class EditTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // clang-format off
    testing::writeFile("home.txt", testing::records({
        {.name = "贾始祖", .generation = '0', .married = 'y'},
        {.name = "始祖妻", .generation = '0', .sex = 'f', .married = 'y', .husband = "贾始祖"},
        {.name = "贾政", .generation = '2', .father = "贾始祖", .motherIndex = '1', .married = 'y'},
        {.name = "王夫人", .generation = '2', .sex = 'f', .married = 'y', .husband = "贾政"},
        {.name = "贾敏", .generation = '2', .father = "贾始祖", .birthDate = "17200101", .sex = 'f', .olderSibling = "贾政", .motherIndex = '1'},
        {.name = "贾珠", .generation = '3', .father = "贾政", .birthDate = "17500101", .motherIndex = '1'},
        {.name = "九世孙", .generation = '9', .father = "贾珠", .married = 'y'},
        {.name = "九世妻", .generation = '9', .sex = 'f', .married = 'y', .husband = "九世孙"},
    }));
    // clang-format on
    ASSERT_TRUE(tree.load());
  }
  Person* find(std::string_view name) { return testing::findPerson(tree, name); }

  testing::ScopedTempDir dir;
  FamilyTree tree;
};

// A child goes last in his father's chain whatever his birth date (the window's transcripts show
// the chain); here the counts, which no window shows.
TEST_F(EditTest, BirthCountsThePersonAndTheWomen) {
  ASSERT_TRUE(tree.addChild(key("贾元春"), key("王夫人"), 'f', makeDate("17400101")));
  ASSERT_NE(find("贾元春"), nullptr);
  EXPECT_EQ(find("贾珠")->youngerSibling, find("贾元春"));
  EXPECT_EQ(tree.personCount(), 9);
  EXPECT_EQ(tree.femaleCount(), 5);
  EXPECT_EQ(tree.generationCount(), 3);
}

TEST_F(EditTest, ChildOfSecondWifeAndGenerationCounts) {
  ASSERT_TRUE(tree.addWife(key("赵姨娘"), key("贾政"), makeDate("17300101")));
  ASSERT_TRUE(tree.addChild(key("贾环"), key("赵姨娘"), 'm', makeDate("17600101")));
  ASSERT_NE(find("贾环"), nullptr);
  EXPECT_EQ(find("贾环")->motherIndex, '2');
  ASSERT_TRUE(tree.addChild(key("新生儿"), key("始祖妻"), 'm', makeDate("17600101")));
  EXPECT_EQ(tree.generationCount(), 0);  // a child of the generation-'0' root
  ASSERT_NE(find("新生儿"), nullptr);
  EXPECT_EQ(find("新生儿")->generation, '1');
  ASSERT_TRUE(tree.addChild(key("十世孙"), key("九世妻"), 'm', makeDate("17600101")));
  ASSERT_NE(find("十世孙"), nullptr);
  EXPECT_EQ(find("十世孙")->generation, ':');
  std::vector<Person*> list;
  EXPECT_FALSE(tree.listByGeneration(':', list));
}

// The window's tests change each field through the modify panel; here what they cannot see.
TEST_F(EditTest, FieldEditsKeepCountsAndChildrenAndRefuseWhatIsNotAValue) {
  Person* zheng = find("贾政");
  const int women = tree.femaleCount();
  ASSERT_TRUE(tree.modifyField(zheng, 2, "") && tree.modifyField(zheng, 2, ""));
  EXPECT_EQ(tree.femaleCount(), women);
  ASSERT_TRUE(tree.modifyField(zheng, 3, "12"));
  EXPECT_EQ(zheng->firstChild->generation, '3');  // children keep theirs
  EXPECT_FALSE(tree.modifyField(zheng, 3, ""));
  EXPECT_FALSE(tree.modifyField(zheng, 4, "1710"));
  EXPECT_TRUE(tree.modifyField(zheng, 9, ""));
  EXPECT_FALSE(tree.modifyField(nullptr, 2, ""));
}

// Undo takes back, latest first, a marriage (the husband's flag as it was), a daughter's birth
// deep down (the counts as they were) and a rename whose key holds bytes past its text; redo
// brings the very same records back. (Links and files: the window's agreement tests.)
TEST_F(EditTest, UndoRestoresLinksCountsAndNameBytesAndRedoBringsTheSameRecordsBack) {
  Person* zhu = find("贾珠");
  const auto counts = [&] {
    return std::vector<int>{tree.personCount(), tree.femaleCount(), tree.generationCount()};
  };
  const std::vector<int> loaded = counts();
  Person *wife = nullptr, *daughter = nullptr;
  ASSERT_TRUE(tree.addWife(key("李纨"), key("贾珠"), makeDate("17510101"), &wife));
  ASSERT_TRUE(tree.addChild(key("十世女"), key("九世妻"), 'f', makeDate("17900101"), &daughter));
  NameKey odd = key("贾兰");
  odd[3] = '\0';  // a key a program (not the panel) may give: bytes after its NUL
  ASSERT_TRUE(tree.modifyField(zhu, 1, std::string_view(odd.data(), 6)));
  const std::vector<int> edited = counts();

  ASSERT_TRUE(tree.undo());
  EXPECT_EQ(zhu->name, key("贾珠"));
  ASSERT_TRUE(tree.undo() && tree.undo());
  EXPECT_EQ(zhu->married, 'n');
  EXPECT_EQ(counts(), loaded);

  ASSERT_TRUE(tree.redo() && tree.redo() && tree.redo());
  EXPECT_EQ(counts(), edited);
  EXPECT_EQ(zhu->spouse, wife);
  EXPECT_EQ(find("九世孙")->firstChild, daughter);
  EXPECT_EQ(zhu->name, odd);
}

// --- The tree's record of unsaved changes: what clears it. (Which edits make one, and undo and
// redo around a save: the batch transcripts unsaved_changes_*.)

TEST_F(EditTest, SuccessfulSaveAndEveryLoadClearUnsavedChangesButAFailedSaveKeepsThem) {
  ASSERT_TRUE(tree.modifyField(find("贾政"), 2, ""));
  ASSERT_EQ(::chmod("home.txt", 0444), 0);
  EXPECT_FALSE(tree.save());
  EXPECT_TRUE(tree.hasUnsavedChanges());
  ASSERT_EQ(::chmod("home.txt", 0644), 0);
  EXPECT_TRUE(tree.save());
  EXPECT_FALSE(tree.hasUnsavedChanges());

  ASSERT_TRUE(tree.modifyField(find("贾政"), 2, ""));
  std::filesystem::remove("home.txt");
  EXPECT_FALSE(tree.load());  // no file: an empty tree, with nothing to save
  EXPECT_FALSE(tree.hasUnsavedChanges());
}

}  // namespace
}  // namespace quillet
