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

namespace {
std::size_t slotHash(std::uint64_t key) {
  key ^= key >> 33;
  key *= 0xff51afd7ed558ccdULL;
  key ^= key >> 33;
  return static_cast<std::size_t>(key);
}
}  // namespace

std::size_t FamilyTree::NameIndex::find(std::uint64_t key) const {
  const std::size_t mask = slots_.size() - 1;
  std::size_t at = slotHash(key) & mask;
  std::size_t firstErased = slots_.size();
  for (;;) {
    const Slot& slot = slots_[at];
    if (slot.head == nullptr && !slot.erased) {
      return firstErased != slots_.size() ? firstErased : at;
    }
    if (slot.erased) {
      if (firstErased == slots_.size()) firstErased = at;
    } else if (slot.key == key) {
      return at;
    }
    at = (at + 1) & mask;
  }
}

void FamilyTree::NameIndex::grow() {
  std::vector<Slot> old = std::move(slots_);
  slots_.assign(old.empty() ? 64 : old.size() * 2, Slot{});
  used_ = 0;
  for (const Slot& slot : old) {
    if (slot.head == nullptr) continue;
    slots_[find(slot.key)] = slot;
    ++used_;
  }
}

void FamilyTree::NameIndex::insert(Record* record) {
  if ((used_ + 1) * 4 > slots_.size() * 3) grow();
  const std::uint64_t key = pack(record->name);
  Slot& slot = slots_[find(key)];
  record->nextSameKey = nullptr;
  if (slot.head != nullptr && slot.key == key) {
    // Keep the chain in reading order: appending keeps it, and chains are short.
    Record* last = slot.head;
    while (last->nextSameKey != nullptr) last = last->nextSameKey;
    last->nextSameKey = record;
    ++shared_;
    return;
  }
  if (!slot.erased) ++used_;
  slot.key = key;
  slot.head = record;
  slot.erased = false;
}

void FamilyTree::NameIndex::erase(Record* record) {
  if (slots_.empty()) return;
  Slot& slot = slots_[find(pack(record->name))];
  if (slot.head == nullptr) return;
  Record** place = &slot.head;
  while (*place != nullptr && *place != record) place = &(*place)->nextSameKey;
  if (*place != record) return;
  *place = record->nextSameKey;
  record->nextSameKey = nullptr;
  if (slot.head == nullptr) {
    slot.erased = true;
  } else {
    --shared_;  // the chain had two records or more
  }
}

FamilyTree::Record* FamilyTree::NameIndex::first(const NameKey& key) const {
  if (slots_.empty()) return nullptr;
  const Slot& slot = slots_[find(pack(key))];
  return slot.head;
}

void FamilyTree::NameIndex::clear() {
  slots_.clear();
  used_ = 0;
  shared_ = 0;
}

bool FamilyTree::NameIndex::hasSharedKeys() const { return shared_ != 0; }

// --- Records ---------------------------------------------------------------------------------

FamilyTree::FamilyTree(std::string fileName)
    : fileName_(std::move(fileName)),
      records_(std::make_unique<RecordStore>()),
      index_(std::make_unique<NameIndex>()) {}

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
  record->sequence = static_cast<std::uint32_t>(records_->size() - 1);
  initPerson(record);
  return record;
}

void FamilyTree::resetTree() {
  index_->clear();
  records_->clear();
  root_ = nullptr;
  personCount_ = 0;
  femaleCount_ = 0;
  ++epoch_;
  reachDirty_ = false;
  unsavedChanges_ = false;  // an empty tree, or one about to be read, holds nothing unsaved
  stack_.clear();
  queue_.clear();
}

bool FamilyTree::releasePerson(Person*& place) {
  auto* record = static_cast<Record*>(place);
  if (record == nullptr) return true;
  if (root_ == record) root_ = nullptr;
  index_->erase(record);
  record->released = true;
  record->deathDate.reset();
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
  std::vector<std::pair<Record*, int>>& work = reachWork_;
  work.assign(1, {start, level});
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
    if (!record.released && !written[record.sequence]) unplaced.push_back(&record);
  }
  return unplaced;
}

}  // namespace quillet
