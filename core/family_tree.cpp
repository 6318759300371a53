#include "core/family_tree.h"

#include <cstring>
#include <new>

#include "core/tree_record.h"

namespace quillet {

namespace {
// The depth-first walk's stack holds 39 entries: persons down to this level and one null.
constexpr int kDeepestWalkedLevel = NodeStack::kCapacity - 1;
}  // namespace

// --- Name index ------------------------------------------------------------------------------

std::uint64_t FamilyTree::NameIndex::pack(const NameKey& key) {
  std::uint64_t packed = 0;
  for (std::size_t i = 0; i < 6 && key[i] != '\0'; ++i) {
    packed |= static_cast<std::uint64_t>(static_cast<unsigned char>(key[i])) << (8 * i);
  }
  return packed;
}

void FamilyTree::NameIndex::insert(Record* record) {
  Record*& head = heads_[pack(record->name)];
  // Keep the chain in reading order: appending keeps it, and chains are short.
  Record** place = &head;
  while (*place != nullptr) place = &(*place)->nextSameKey;
  *place = record;
  record->nextSameKey = nullptr;
}

void FamilyTree::NameIndex::erase(Record* record) {
  auto it = heads_.find(pack(record->name));
  if (it == heads_.end()) return;
  Record** place = &it->second;
  while (*place != nullptr && *place != record) place = &(*place)->nextSameKey;
  if (*place == record) *place = record->nextSameKey;
  record->nextSameKey = nullptr;
  if (it->second == nullptr) heads_.erase(it);
}

FamilyTree::Record* FamilyTree::NameIndex::first(const NameKey& key) const {
  auto it = heads_.find(pack(key));
  return it == heads_.end() ? nullptr : it->second;
}

bool FamilyTree::NameIndex::hasSharedKeys() const {
  for (const auto& [key, head] : heads_) {
    if (head != nullptr && head->nextSameKey != nullptr) return true;
  }
  return false;
}

// --- Records ---------------------------------------------------------------------------------

FamilyTree::FamilyTree(std::string fileName)
    : fileName_(std::move(fileName)), index_(std::make_unique<NameIndex>()) {}

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
  records_.push_back(std::make_unique<Record>());
  Record* record = records_.back().get();
  record->sequence = static_cast<std::uint32_t>(records_.size() - 1);
  initPerson(record);
  return record;
}

void FamilyTree::resetTree() {
  index_->clear();
  records_.clear();
  root_ = nullptr;
  personCount_ = 0;
  femaleCount_ = 0;
  ++epoch_;
  reachDirty_ = false;
  stack_.clear();
  queue_.clear();
}

bool FamilyTree::releasePerson(Person*& place) {
  auto* record = static_cast<Record*>(place);
  if (record == nullptr) return true;
  if (root_ == record) root_ = nullptr;
  index_->erase(record);
  if (record->sequence < records_.size() && records_[record->sequence].get() == record) {
    records_[record->sequence].reset();
  }
  return true;
}

void FamilyTree::releaseAll() { resetTree(); }

// --- Reach marks -------------------------------------------------------------------------------
//
// The index answers findByName only for records the depth-first walk would compare: clan
// members it visits (down to the deepest walked level) and the spouse and secondWife of each of
// them. The marks are kept up to date as links are made; a link that replaces another (which
// only a broken file causes) makes them stale, and they are recomputed before the next search.

void FamilyTree::markFound(Person* person) {
  if (person == nullptr) return;
  auto* record = static_cast<Record*>(person);
  if (record->reachEpoch != epoch_) {
    record->reachEpoch = epoch_;
    record->memberLevel = 0;
  }
  record->foundAsPartner = true;
}

void FamilyTree::markMember(Record* start, int level) {
  std::vector<std::pair<Record*, int>> work{{start, level}};
  while (!work.empty()) {
    auto [record, at] = work.back();
    work.pop_back();
    if (record->reachEpoch != epoch_) {
      record->reachEpoch = epoch_;
      record->memberLevel = 0;
      record->foundAsPartner = false;
    }
    if (record->memberLevel != 0 && record->memberLevel <= at) continue;
    record->memberLevel = static_cast<std::uint8_t>(at);
    markFound(record->spouse);
    markFound(record->secondWife);
    if (record->youngerSibling != nullptr) {
      work.emplace_back(static_cast<Record*>(record->youngerSibling), at);
    }
    if (record->firstChild != nullptr && at < kDeepestWalkedLevel) {
      work.emplace_back(static_cast<Record*>(record->firstChild), at + 1);
    }
  }
}

bool FamilyTree::isFound(const Record* record) const {
  return record->reachEpoch == epoch_ && (record->memberLevel != 0 || record->foundAsPartner);
}

int FamilyTree::visitedLevel(const Person* person) const {
  auto* record = static_cast<const Record*>(person);
  return record->reachEpoch == epoch_ ? record->memberLevel : 0;
}

void FamilyTree::linkFirstChild(Person* father, Person* child) {
  if (father->firstChild != nullptr && father->firstChild != child) reachDirty_ = true;
  father->firstChild = child;
  int level = visitedLevel(father);
  if (!reachDirty_ && level != 0 && level < kDeepestWalkedLevel) {
    markMember(static_cast<Record*>(child), level + 1);
  }
}

void FamilyTree::linkYoungerSibling(Person* older, Person* younger) {
  if (older->youngerSibling != nullptr && older->youngerSibling != younger) reachDirty_ = true;
  older->youngerSibling = younger;
  younger->olderSibling = older;
  int level = visitedLevel(older);
  if (!reachDirty_ && level != 0) markMember(static_cast<Record*>(younger), level);
}

void FamilyTree::linkSpouse(Person* holder, Person*& slot, Person* partner) {
  if (slot != nullptr && slot != partner) reachDirty_ = true;
  slot = partner;
  if (!reachDirty_ && visitedLevel(holder) != 0) markFound(partner);
}

void FamilyTree::recomputeReach() {
  ++epoch_;
  reachDirty_ = false;
  if (root_ != nullptr) markMember(static_cast<Record*>(root_), 1);
}

std::vector<const Person*> FamilyTree::unplacedRecords() const {
  // The records save writes in its breadth-first pass: each member the walk reaches and the
  // partners it holds.
  std::vector<char> walked(records_.size(), 0);
  std::vector<char> written(records_.size(), 0);
  auto sequenceOf = [](const Person* person) { return static_cast<const Record*>(person)->sequence; };
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
  for (const auto& record : records_) {
    if (record && !written[record->sequence]) unplaced.push_back(record.get());
  }
  return unplaced;
}

}  // namespace quillet
