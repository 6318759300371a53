#include "core/edit_history.h"

namespace quillet {

std::optional<PersonField> fieldOfSelector(int selector) {
  if (selector < static_cast<int>(PersonField::kName) ||
      selector > static_cast<int>(PersonField::kDeath)) {
    return std::nullopt;
  }
  return static_cast<PersonField>(selector);
}

FieldValues fieldsOf(const Person& person) {
  return {person.name,  person.birthDate, person.deathDate,
          person.alive, person.sex,       person.generation};
}

void EditHistory::keep(Edit edit) {
  if (savedAt_ != kNeverSaved && savedAt_ > applied_) savedAt_ = kNeverSaved;
  edits_.erase(edits_.begin() + static_cast<std::ptrdiff_t>(applied_), edits_.end());
  edits_.push_back(edit);
  ++applied_;
}

const Edit* EditHistory::takeBack() {
  if (applied_ == 0) return nullptr;
  return &edits_[--applied_];
}

const Edit* EditHistory::doAgain() {
  if (applied_ == edits_.size()) return nullptr;
  return &edits_[applied_++];
}

void EditHistory::clear() {
  edits_.clear();
  applied_ = 0;
  savedAt_ = 0;
}

}  // namespace quillet
