// The family tree's edit history: every edit made since the last load, in order, the number of
// them in effect, and the number that was in effect at the last load or successful save. It keeps
// what an edit needs to be taken back and done again; the tree (FamilyTree::undo and redo) does
// the taking back and the doing again.
//
// An edit taken back stays kept until a new edit is kept: then the edits that could have been
// done again go, and with them the saved mark if it was among them (the tree then holds unsaved
// changes until the next save, whatever is undone). Standard library only; no I/O.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "core/person.h"

namespace quillet {

// The field FamilyTree::modifyField changes, by its selector (1 name ... 5 death).
enum class PersonField { kName = 1, kSex, kGeneration, kBirthDate, kDeath };
// The field of a selector; nothing for any other number (modifyField then changes nothing).
std::optional<PersonField> fieldOfSelector(int selector);

enum class EditKind { kBirth, kMarriage, kChange };

// What an edit did, as an undo or redo reports it.
struct EditSummary {
  EditKind kind = EditKind::kChange;
  Person* person = nullptr;                // the child, the wife, or the changed person
  Person* holder = nullptr;                // the father, the husband, or the changed person
  PersonField field = PersonField::kName;  // kChange: the field changed
};

// The values modifyField changes, as one snapshot of a record.
struct FieldValues {
  NameKey name{};
  DateText birthDate{};
  std::optional<DateText> deathDate;
  char alive = 'y';
  char sex = 0;
  char generation = 0;
};
FieldValues fieldsOf(const Person& person);

// One kept edit: enough to take it back and to do it again. `person` is a record of the tree
// that kept it, which stays in its store while the edit is kept.
struct Edit {
  EditKind kind = EditKind::kChange;
  Person* person = nullptr;
  Person* holder = nullptr;
  PersonField field = PersonField::kName;  // kChange
  FieldValues before, after;               // kChange
  std::int32_t generationCountBefore = 0;  // kBirth
  char marriedBefore = 'n';                // kMarriage: the husband's flag

  EditSummary summary() const { return {kind, person, holder, field}; }
};

class EditHistory {
 public:
  // Keeps `edit` as the latest in effect, dropping those that could have been done again.
  void keep(Edit edit);
  // The latest edit in effect, or null; the latest taken back, or null.
  const Edit* nextUndo() const { return applied_ == 0 ? nullptr : &edits_[applied_ - 1]; }
  const Edit* nextRedo() const { return applied_ == edits_.size() ? nullptr : &edits_[applied_]; }
  // The latest edit in effect, now taken back; null, changing nothing, when there is none.
  const Edit* takeBack();
  // The latest edit taken back, now in effect again; null, changing nothing, when there is none.
  const Edit* doAgain();
  std::size_t inEffect() const { return applied_; }
  // The edits in effect now are those the file holds (after a load or a successful save).
  void markSaved() { savedAt_ = applied_; }
  // True when the edits in effect differ from those at the last mark.
  bool hasUnsavedChanges() const { return applied_ != savedAt_; }
  // No edit kept; nothing unsaved.
  void clear();

 private:
  static constexpr std::size_t kNeverSaved = static_cast<std::size_t>(-1);
  std::vector<Edit> edits_;
  std::size_t applied_ = 0;  // the first `applied_` edits are in effect
  std::size_t savedAt_ = 0;  // edits in effect at the last mark, or kNeverSaved once dropped
};

}  // namespace quillet
