// The edit history on its own: undo and redo move through the kept edits in order, a new edit
// drops those that could have been done again, and the saved mark goes with them when it was
// among them (so that undoing back to the saved count does not pass for saved).
#include "core/edit_history.h"

#include <gtest/gtest.h>

namespace quillet {
namespace {

Edit change(PersonField field) {
  Edit edit;
  edit.field = field;
  return edit;
}

TEST(EditHistory, TakesBackAndDoesAgainInOrder) {
  EditHistory history;
  EXPECT_EQ(history.takeBack(), nullptr);
  EXPECT_EQ(history.doAgain(), nullptr);
  history.keep(change(PersonField::kSex));
  history.keep(change(PersonField::kDeath));
  EXPECT_EQ(history.nextUndo()->field, PersonField::kDeath);
  EXPECT_EQ(history.takeBack()->field, PersonField::kDeath);
  EXPECT_EQ(history.nextRedo()->field, PersonField::kDeath);
  EXPECT_EQ(history.takeBack()->field, PersonField::kSex);
  EXPECT_EQ(history.takeBack(), nullptr);
  EXPECT_EQ(history.inEffect(), 0u);
  EXPECT_EQ(history.doAgain()->field, PersonField::kSex);
  EXPECT_EQ(history.inEffect(), 1u);
}

TEST(EditHistory, NewEditDropsTheSavedStateItCouldNoLongerReach) {
  EditHistory history;
  history.keep(change(PersonField::kSex));
  history.keep(change(PersonField::kName));
  history.markSaved();  // two in effect
  EXPECT_FALSE(history.hasUnsavedChanges());
  history.takeBack();
  EXPECT_TRUE(history.hasUnsavedChanges());
  history.doAgain();
  EXPECT_FALSE(history.hasUnsavedChanges());
  // Back to one, then a new edit: two in effect again, but not the two saved.
  history.takeBack();
  history.keep(change(PersonField::kBirthDate));
  EXPECT_EQ(history.inEffect(), 2u);
  EXPECT_EQ(history.nextRedo(), nullptr);
  EXPECT_TRUE(history.hasUnsavedChanges());
  history.takeBack();
  history.takeBack();
  EXPECT_TRUE(history.hasUnsavedChanges());
  history.clear();
  EXPECT_FALSE(history.hasUnsavedChanges());
}

TEST(EditHistory, OnlySelectorsOneToFiveNameAField) {
  EXPECT_EQ(fieldOfSelector(1), PersonField::kName);
  EXPECT_EQ(fieldOfSelector(5), PersonField::kDeath);
  EXPECT_FALSE(fieldOfSelector(0).has_value());
  EXPECT_FALSE(fieldOfSelector(6).has_value());
  EXPECT_FALSE(fieldOfSelector(-1).has_value());
}

}  // namespace
}  // namespace quillet
