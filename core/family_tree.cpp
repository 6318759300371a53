#include "core/family_tree.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "core/tree_reach.h"
#include "core/tree_record.h"

namespace quillet {

// --- Records ---------------------------------------------------------------------------------

FamilyTree::FamilyTree(std::string fileName)
    : fileName_(std::move(fileName)),
      records_(std::make_unique<RecordStore>()),
      index_(std::make_unique<NameIndex>()),
      reach_(std::make_unique<Reach>(*records_, *index_)) {}

FamilyTree::~FamilyTree() { releaseAll(); }

bool FamilyTree::initPerson(Person* person) {
  if (person == nullptr) return false;
  person->name.fill('\0');
  person->birthDate.fill('\0');
  person->deathDate.reset();
  person->firstChild = nullptr;
  person->spouse = nullptr;
  person->secondWife = nullptr;
  person->father = nullptr;
  person->olderSibling = nullptr;
  person->youngerSibling = nullptr;
  person->alive = 'y';
  person->married = 'n';
  person->motherIndex = '0';
  return true;
}

FamilyTree::Record* FamilyTree::newRecord() {
  Record* record = &records_->emplace_back();
  initPerson(record);
  return record;
}

void FamilyTree::resetTree() {
  index_->clear();
  records_->clear();
  root_ = nullptr;
  personCount_ = 0;
  femaleCount_ = 0;
  // An empty tree, or one about to be read, holds nothing unsaved and no edits.
  history_.clear();
  keptAsRead_ = false;
  unreadRest_.reset();
  releasedCount_ = 0;
  reach_->clear();
  fileNames_.clear();
  lastChildren_.clear();
  stack_.clear();
  queue_.clear();
}

void FamilyTree::releasePerson(Person*& place) {
  auto* record = static_cast<Record*>(place);
  if (record == nullptr) return;
  keptAsRead_ = false;
  if (root_ == record) root_ = nullptr;
  if (reach_->isFound(record)) reach_->uncountFound(record);
  index_->erase(record->name, record->sequence);
  if (!record->has(Record::kReleased)) ++releasedCount_;
  record->set(Record::kReleased, true);
  record->deathDate.reset();
}

void FamilyTree::releaseAll() { resetTree(); }

bool FamilyTree::holdsName(const NameKey& key) const { return index_->first(key).has_value(); }

std::vector<const Person*> FamilyTree::unplacedRecords() const {
  // The records save writes in its breadth-first pass: each member the walk reaches and the
  // partners it holds.
  std::vector<char> walked(records_->size(), 0);
  std::vector<char> written(records_->size(), 0);
  auto sequenceOf = [](const Person* person) {
    return static_cast<const Record*>(person)->sequence;
  };
  std::vector<const Person*> pending;
  if (root_ != nullptr) {
    walked[sequenceOf(root_)] = 1;
    pending.push_back(root_);
  }
  while (!pending.empty()) {
    const Person* person = pending.back();
    pending.pop_back();
    for (const Person* partner : {person, static_cast<const Person*>(person->spouse),
                                  static_cast<const Person*>(person->secondWife)}) {
      if (partner != nullptr) written[sequenceOf(partner)] = 1;
    }
    for (const Person* child = person->firstChild; child; child = child->youngerSibling) {
      if (!walked[sequenceOf(child)]) {
        walked[sequenceOf(child)] = 1;
        pending.push_back(child);
      }
    }
  }
  std::vector<const Person*> unplaced;
  for (std::size_t i = 0; i < records_->size(); ++i) {
    const Record& record = (*records_)[i];
    if (!record.has(Record::kReleased) && !written[record.sequence]) unplaced.push_back(&record);
  }
  return unplaced;
}

}  // namespace quillet
