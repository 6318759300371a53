// The edits (births, marriages, changes of a field), and their taking back and doing again: each
// edit is kept in the history (core/edit_history.h) so that it can be taken back and done again,
// the record it added staying in the store (released while taken back) so that later kept edits
// still name it.
#include <algorithm>

#include "core/family_tree.h"
#include "core/tree_reach.h"
#include "core/tree_record.h"

namespace quillet {

Edit FamilyTree::newEdit(EditKind kind, Record* person, Person* holder) {
  Edit edit;
  edit.kind = kind;
  edit.person = person;
  edit.holder = holder;
  return edit;
}

void FamilyTree::keepEdit(Edit edit) {
  history_.keep(edit);
  keptAsRead_ = false;
}

// A record that was taken back is part of the tree again.
void FamilyTree::leaveRelease(Record* record) {
  if (!record->has(Record::kReleased)) return;
  record->set(Record::kReleased, false);
  --releasedCount_;
}

bool FamilyTree::addChild(const NameKey& childName, const NameKey& motherName, char sex,
                          const DateText& birthDate, Person** added) {
  Person* mother = nullptr;
  if (!findByName(mother, motherName) || mother->sex != 'f') return false;
  // A woman without a husband (a daughter of the clan) has nobody to be the child's father.
  Person* father = mother->spouse;
  if (father == nullptr) return false;

  Record* child = newRecord();
  child->name = childName;
  child->name[6] = '\0';
  child->birthDate = birthDate;
  child->birthDate[8] = '\0';
  child->sex = sex;
  child->motherIndex = father->spouse == mother ? '1' : '2';
  child->father = father;
  child->generation = static_cast<char>(father->generation + 1);
  Edit edit = newEdit(EditKind::kBirth, child, father);
  edit.generationCountBefore = generationCount_;
  attachChild(child, father);
  keepEdit(edit);
  if (added != nullptr) *added = child;
  return true;
}

// Links `child` last in the chain of `father` and counts it: a birth, or its redo.
void FamilyTree::attachChild(Record* child, Person* father) {
  leaveRelease(child);
  index_->insert(child->name, child->sequence);
  int fatherGeneration = father->generation - '0';
  generationCount_ = fatherGeneration == 0 ? 0 : fatherGeneration + 1;
  if (father->firstChild == nullptr) {
    reach_->linkFirstChild(father, child);
  } else {
    // The chain's last is kept for each father who had a birth, so that births to one mother go
    // on taking constant time however long her husband's chain grows.
    auto kept = lastChildren_.find(father);
    Person* last = kept != lastChildren_.end() ? kept->second : father->firstChild;
    while (last->youngerSibling != nullptr) last = last->youngerSibling;
    reach_->linkYoungerSibling(last, child);
  }
  lastChildren_[father] = child;
  ++personCount_;
  if (child->sex == 'f') ++femaleCount_;
}

// Takes back a birth. REQUIRES: `child` is the last of its father's chain and carries nobody
// (no children, no wives): later edits are taken back first.
void FamilyTree::detachChild(Record* child, std::int32_t generationCountBefore) {
  if (reach_->isVisited(child)) reach_->detachChain(child);
  if (child->olderSibling != nullptr) {
    child->olderSibling->youngerSibling = nullptr;
  } else if (child->father != nullptr && child->father->firstChild == child) {
    child->father->firstChild = nullptr;
  }
  auto kept = lastChildren_.find(child->father);
  if (kept != lastChildren_.end() && kept->second == child) {
    if (child->olderSibling != nullptr) {
      kept->second = child->olderSibling;
    } else {
      lastChildren_.erase(kept);
    }
  }
  child->olderSibling = nullptr;
  index_->erase(child->name, child->sequence);
  generationCount_ = generationCountBefore;
  --personCount_;
  if (child->sex == 'f') --femaleCount_;
  child->set(Record::kReleased, true);
  ++releasedCount_;
}

bool FamilyTree::addWife(const NameKey& wifeName, const NameKey& husbandName,
                         const DateText& birthDate, Person** added) {
  Person* husband = nullptr;
  if (!findByName(husband, husbandName)) return false;
  // A man holds two wives at most.
  if (husband->spouse != nullptr && husband->secondWife != nullptr) return false;

  Record* wife = newRecord();
  wife->name = wifeName;
  wife->name[6] = '\0';
  wife->birthDate = birthDate;
  wife->birthDate[8] = '\0';
  wife->sex = 'f';
  wife->married = 'y';
  wife->generation = husband->generation;
  Edit edit = newEdit(EditKind::kMarriage, wife, husband);
  edit.marriedBefore = husband->married;
  attachWife(wife, husband);
  keepEdit(edit);
  if (added != nullptr) *added = wife;
  return true;
}

// Puts `wife` in the first free wife slot of `husband` and counts her: a marriage, or its redo.
void FamilyTree::attachWife(Record* wife, Person* husband) {
  leaveRelease(wife);
  index_->insert(wife->name, wife->sequence);
  reach_->linkSpouse(husband, husband->spouse != nullptr ? husband->secondWife : husband->spouse,
                     wife);
  reach_->linkSpouse(wife, wife->spouse, husband);
  husband->married = 'y';
  ++personCount_;
  ++femaleCount_;
}

// Takes back a marriage. REQUIRES: `wife` is in the last wife slot of `husband` that holds one,
// and no other member holds her (she was added by the marriage).
void FamilyTree::detachWife(Record* wife, Person* husband, char marriedBefore) {
  Person*& slot = husband->secondWife == wife ? husband->secondWife : husband->spouse;
  reach_->linkSpouse(husband, slot, nullptr);
  wife->spouse = nullptr;
  husband->married = marriedBefore;
  index_->erase(wife->name, wife->sequence);
  --personCount_;
  --femaleCount_;
  wife->set(Record::kReleased, true);
  ++releasedCount_;
}

bool FamilyTree::modifyField(Person* person, int selector, std::string_view value) {
  if (person == nullptr) return false;
  const std::optional<PersonField> field = fieldOfSelector(selector);
  if (!field) return true;  // no field: nothing to do
  auto* record = static_cast<Record*>(person);
  Edit edit = newEdit(EditKind::kChange, record, person);
  edit.field = *field;
  edit.before = fieldsOf(*person);
  switch (*field) {
    case PersonField::kName: {
      if (value.size() < 6) return false;
      NameKey key{};
      std::copy_n(value.begin(), 6, key.begin());
      Person* holder = nullptr;
      if (findByName(holder, key)) return holder == person;
      if (record->name == key) return true;  // a record no search reaches, renamed to itself
      // A record no walk reaches keeps its name in the file: nobody else can take it.
      if (index_->heldByOther(key, record->sequence)) return false;
      rename(record, key);
      break;
    }
    case PersonField::kSex:
      person->sex = person->sex == 'm' ? 'f' : 'm';
      break;
    case PersonField::kGeneration:
      if (value.empty()) return false;
      if (person->generation == value[0]) return true;
      person->generation = value[0];
      break;
    case PersonField::kBirthDate: {
      if (value.size() < 8) return false;
      const DateText date = makeDate(value);
      if (person->birthDate == date) return true;
      person->birthDate = date;
      break;
    }
    case PersonField::kDeath:
      if (person->alive == 'y') {
        if (value.size() < 8) return false;
        person->alive = 'n';
        person->deathDate = makeDate(value);
      } else {
        person->alive = 'y';
        person->deathDate.reset();
      }
      break;
  }
  edit.after = fieldsOf(*person);
  keepEdit(edit);
  return true;
}

// Gives `record` the name `key` (all 7 bytes), keeping the index and its counts.
void FamilyTree::rename(Record* record, const NameKey& key) {
  const bool found = reach_->isFound(record);
  if (found) reach_->uncountFound(record);
  index_->erase(record->name, record->sequence);
  record->name = key;
  index_->insert(record->name, record->sequence);
  if (found) reach_->countFound(record);
}

// Sets the field `field` of `record` to its value in `values`.
void FamilyTree::setFields(Record* record, PersonField field, const FieldValues& values) {
  switch (field) {
    case PersonField::kName:
      if (record->name != values.name) rename(record, values.name);
      break;
    case PersonField::kSex:
      record->sex = values.sex;
      break;
    case PersonField::kGeneration:
      record->generation = values.generation;
      break;
    case PersonField::kBirthDate:
      record->birthDate = values.birthDate;
      break;
    case PersonField::kDeath:
      record->alive = values.alive;
      record->deathDate = values.deathDate;
      break;
  }
}

std::optional<EditSummary> FamilyTree::nextUndo() const {
  const Edit* edit = history_.nextUndo();
  if (edit == nullptr) return std::nullopt;
  return edit->summary();
}

std::optional<EditSummary> FamilyTree::nextRedo() const {
  const Edit* edit = history_.nextRedo();
  if (edit == nullptr) return std::nullopt;
  return edit->summary();
}

bool FamilyTree::undo(EditSummary* summary) {
  const Edit* edit = history_.takeBack();
  if (edit == nullptr) return false;
  auto* record = static_cast<Record*>(edit->person);
  switch (edit->kind) {
    case EditKind::kBirth:
      detachChild(record, edit->generationCountBefore);
      break;
    case EditKind::kMarriage:
      detachWife(record, edit->holder, edit->marriedBefore);
      break;
    case EditKind::kChange:
      setFields(record, edit->field, edit->before);
      break;
  }
  keptAsRead_ = false;
  if (summary != nullptr) *summary = edit->summary();
  return true;
}

bool FamilyTree::redo(EditSummary* summary) {
  const Edit* edit = history_.doAgain();
  if (edit == nullptr) return false;
  auto* record = static_cast<Record*>(edit->person);
  switch (edit->kind) {
    case EditKind::kBirth:
      attachChild(record, edit->holder);
      break;
    case EditKind::kMarriage:
      attachWife(record, edit->holder);
      break;
    case EditKind::kChange:
      setFields(record, edit->field, edit->after);
      break;
  }
  keptAsRead_ = false;
  if (summary != nullptr) *summary = edit->summary();
  return true;
}

}  // namespace quillet
