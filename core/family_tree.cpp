#include "core/family_tree.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "core/tree_record.h"

namespace quillet {

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
  if (lastSlot_ < slots_.size() && slots_[lastSlot_].key == key &&
      slots_[lastSlot_].head != nullptr) {
    return lastSlot_;
  }
  const std::size_t mask = slots_.size() - 1;
  std::size_t at = slotHash(key) & mask;
  std::size_t firstErased = slots_.size();
  for (;;) {
    const Slot& slot = slots_[at];
    if (slot.head == nullptr) {
      if (slot.key != kErased) return firstErased != slots_.size() ? firstErased : at;
      if (firstErased == slots_.size()) firstErased = at;
    } else if (slot.key == key) {
      lastSlot_ = at;
      return at;
    }
    at = (at + 1) & mask;
  }
}

void FamilyTree::NameIndex::prefetch(const char* name) const {
  if (slots_.empty()) return;
  NameKey key{};
  std::copy_n(name, 6, key.begin());
  __builtin_prefetch(&slots_[slotHash(pack(key)) & (slots_.size() - 1)]);
}

void FamilyTree::NameIndex::reserve(std::size_t records) {
  std::size_t slots = 64;
  while (slots * 3 < records * 4) slots *= 2;
  if (slots > slots_.size()) rehash(slots);
}

void FamilyTree::NameIndex::rehash(std::size_t slots) {
  std::vector<Slot> old = std::move(slots_);
  slots_.assign(slots, Slot{});
  lastSlot_ = slots;
  used_ = 0;
  for (const Slot& slot : old) {
    if (slot.head == nullptr) continue;
    slots_[find(slot.key)] = slot;
    ++used_;
  }
}

void FamilyTree::NameIndex::insert(Record* record) {
  if ((used_ + 1) * 4 > slots_.size() * 3) rehash(slots_.empty() ? 64 : slots_.size() * 2);
  const std::uint64_t key = pack(record->name);
  const std::size_t at = find(key);
  Slot& slot = slots_[at];
  lastSlot_ = at;
  if (slot.head != nullptr) {
    // The chain's order means nothing: the newest goes first, in constant time.
    record->nextSameKey = slot.head;
    slot.head = record;
    ++shared_;
    return;
  }
  if (slot.key != kErased) ++used_;
  slot.key = key;
  slot.head = record;
  slot.found = Found{};
  record->nextSameKey = nullptr;
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
    slot.key = kErased;
  } else {
    --shared_;  // the chain had two records or more
  }
}

FamilyTree::Record* FamilyTree::NameIndex::first(const NameKey& key) const {
  if (slots_.empty()) return nullptr;
  const Slot& slot = slots_[find(pack(key))];
  return slot.head;
}

FamilyTree::NameIndex::Found* FamilyTree::NameIndex::found(const NameKey& key) {
  if (slots_.empty()) return nullptr;
  Slot& slot = slots_[find(pack(key))];
  return slot.head != nullptr ? &slot.found : nullptr;
}

const FamilyTree::NameIndex::Found* FamilyTree::NameIndex::found(const NameKey& key) const {
  return const_cast<NameIndex*>(this)->found(key);
}

void FamilyTree::NameIndex::clear() {
  slots_.clear();
  lastSlot_ = 0;
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
  // An empty tree, or one about to be read, holds nothing unsaved and no edits.
  history_.clear();
  applied_ = 0;
  savedAt_ = 0;
  keptAsRead_ = false;
  unreadRest_.reset();
  releasedCount_ = 0;
  sharedFound_.clear();
  holders_.clear();
  queue_.clear();
}

bool FamilyTree::releasePerson(Person*& place) {
  auto* record = static_cast<Record*>(place);
  if (record == nullptr) return true;
  keptAsRead_ = false;
  if (root_ == record) root_ = nullptr;
  if (isFound(record)) uncountFound(record);
  index_->erase(record);
  if (!record->released) ++releasedCount_;
  record->released = true;
  record->deathDate.reset();
  return true;
}

void FamilyTree::releaseAll() { resetTree(); }

// --- Reach marks -------------------------------------------------------------------------------
//
// The index answers findByName only for records the depth-first walk would compare: clan
// members it visits and the spouse and secondWife of each of them. Each key counts such records;
// when one has the key, it is the answer.
//
// Reading only ever links a new record to records already compared, sets a first child only
// where there was none, and links no record into the walk a second way (see readRecord), so the
// walk stays a tree and reach changes in few ways: a new record joins it as the last of its
// chain, or a younger sibling or second wife that is replaced leaves it with all it carried, or
// a new root starts it afresh. The marks say where the walk compares each record: a member's
// place in its first-child chain under its walk parent, and the members holding a partner. The
// post-order of two places follows from those in logarithmic time (skew-binary jumps up the
// walk parents), so a key that several compared records share keeps them ordered, first
// compared first, and answers at once.

void FamilyTree::touch(Record* record) const {
  if (record->reachEpoch == epoch_) return;
  record->reachEpoch = epoch_;
  record->visited = false;
  record->holderCount = 0;
  record->holder = nullptr;
}

bool FamilyTree::isFound(const Record* record) const {
  return record->reachEpoch == epoch_ && (record->visited || record->holderCount != 0);
}

bool FamilyTree::isVisited(const Person* person) const {
  auto* record = static_cast<const Record*>(person);
  return record->reachEpoch == epoch_ && record->visited;
}

// Post-order of two visited members: a member after all his descendants, the lines of one chain
// in chain order. Each step up is a jump when that stays below the place sought.
bool FamilyTree::memberPrecedes(const Record* a, const Record* b) const {
  auto ancestorAt = [](const Record* x, std::uint32_t depth) {
    while (x->walkDepth > depth) x = x->jump->walkDepth >= depth ? x->jump : x->walkParent;
    return x;
  };
  const Record* x = ancestorAt(a, b->walkDepth);
  if (x == b) return true;  // a descends from b
  const Record* y = ancestorAt(b, a->walkDepth);
  if (y == a) return false;  // b descends from a
  x = ancestorAt(x, y->walkDepth);
  // At one depth, two members' jumps reach one depth too: they differ exactly while both stay
  // below the nearest member the two lines share.
  while (x->walkParent != y->walkParent) {
    if (x->jump != y->jump) {
      x = x->jump;
      y = y->jump;
    } else {
      x = x->walkParent;
      y = y->walkParent;
    }
  }
  return x->chainIndex < y->chainIndex;
}

bool FamilyTree::OccurrenceLess::operator()(const Occurrence& a, const Occurrence& b) const {
  if (a.member == b.member) return a.slot < b.slot;
  return tree->memberPrecedes(a.member, b.member);
}

std::optional<FamilyTree::Occurrence> FamilyTree::firstOccurrence(const Record* record) const {
  std::optional<Occurrence> first;
  if (record->reachEpoch != epoch_) return first;
  if (record->visited) first = Occurrence{record, 0};
  std::optional<Occurrence> held;
  if (record->holderCount == 1) {
    held = Occurrence{record->holder, record->holderSlot};
  } else if (record->holderCount > 1) {
    held = *holders_.at(record).begin();
  }
  if (held && (!first || OccurrenceLess{this}(*held, *first))) first = held;
  return first;
}

bool FamilyTree::FirstOccurrenceLess::operator()(const Record* a, const Record* b) const {
  return OccurrenceLess{tree}(*tree->firstOccurrence(a), *tree->firstOccurrence(b));
}

// Counts a record that has just become compared (or whose place is about to be settled again)
// under its key; uncountFound undoes it. Both must bracket every change of the record's places,
// so that the ordered set of its key finds it where it was put.
void FamilyTree::countFound(Record* record) {
  NameIndex::Found* found = index_->found(record->name);
  if (found == nullptr) return;
  if (found->epoch != epoch_) *found = NameIndex::Found{nullptr, 0, epoch_};
  ++found->count;
  if (found->count == 1) {
    found->one = record;
    return;
  }
  auto& shared = sharedFound_.try_emplace(NameIndex::pack(record->name), FirstOccurrenceLess{this})
                     .first->second;
  if (found->count == 2) shared.insert(found->one);
  shared.insert(record);
  found->one = nullptr;
}

void FamilyTree::uncountFound(Record* record) {
  NameIndex::Found* found = index_->found(record->name);
  if (found == nullptr || found->epoch != epoch_ || found->count == 0) return;
  --found->count;
  if (found->count == 0) {
    found->one = nullptr;
    return;
  }
  auto shared = sharedFound_.find(NameIndex::pack(record->name));
  shared->second.erase(record);
  if (found->count == 1) {
    found->one = *shared->second.begin();
    sharedFound_.erase(shared);
  }
}

// The compared record with `key`, the first compared of several; null when none has it.
FamilyTree::Record* FamilyTree::foundWithKey(const NameKey& key) const {
  const NameIndex::Found* found = index_->found(key);
  if (found == nullptr || found->epoch != epoch_ || found->count == 0) return nullptr;
  if (found->count == 1) return const_cast<Record*>(found->one);
  return const_cast<Record*>(*sharedFound_.at(NameIndex::pack(key)).begin());
}

void FamilyTree::addHolder(Record* partner, const Record* member, std::uint8_t slot) {
  touch(partner);
  bool wasFound = isFound(partner);
  if (wasFound) uncountFound(partner);
  const Occurrence place{member, slot};
  if (partner->holderCount == 0) {
    partner->holder = member;
    partner->holderSlot = slot;
  } else {
    auto& set = holders_.try_emplace(partner, OccurrenceLess{this}).first->second;
    if (partner->holderCount == 1) set.insert(Occurrence{partner->holder, partner->holderSlot});
    set.insert(place);
  }
  ++partner->holderCount;
  countFound(partner);
}

void FamilyTree::removeHolder(Record* partner, const Record* member, std::uint8_t slot) {
  touch(partner);
  if (partner->holderCount == 0) return;
  uncountFound(partner);
  --partner->holderCount;
  if (partner->holderCount == 0) {
    partner->holder = nullptr;
  } else {
    auto set = holders_.find(partner);
    set->second.erase(Occurrence{member, slot});
    if (partner->holderCount == 1) {
      partner->holder = set->second.begin()->member;
      partner->holderSlot = set->second.begin()->slot;
      holders_.erase(set);
    }
  }
  if (isFound(partner)) countFound(partner);
}

// `record` (a record that carries nobody yet and that the walk does not visit) is visited as the
// last of the chain under `walkParent` (null: the root's chain), at `depth`, at `chainIndex`.
void FamilyTree::visitMember(Record* record, const Record* walkParent, std::uint32_t depth,
                             std::uint32_t chainIndex) {
  touch(record);
  bool wasFound = isFound(record);
  if (wasFound) uncountFound(record);
  record->visited = true;
  record->walkDepth = depth;
  record->walkParent = walkParent;
  record->chainIndex = chainIndex;
  if (walkParent == nullptr) {
    record->jump = record;
  } else {
    const Record* up = walkParent->jump;
    const bool even = walkParent->walkDepth - up->walkDepth == up->walkDepth - up->jump->walkDepth;
    record->jump = even ? up->jump : walkParent;
  }
  countFound(record);
  if (record->spouse != nullptr) addHolder(static_cast<Record*>(record->spouse), record, 1);
  if (record->secondWife != nullptr) {
    addHolder(static_cast<Record*>(record->secondWife), record, 2);
  }
}

// The chain from `first` on, with all it carries, is no longer visited. Members go after their
// descendants, so that every place still counted stays where it was.
void FamilyTree::detachChain(Record* first) {
  std::vector<Record*> region;
  std::vector<Record*> pending{first};
  const std::uint32_t stamp = ++walkStamp_;
  while (!pending.empty()) {
    Record* member = pending.back();
    pending.pop_back();
    if (member == nullptr || !isVisited(member) || member->walkStamp == stamp) continue;
    member->walkStamp = stamp;
    region.push_back(member);
    pending.push_back(static_cast<Record*>(member->youngerSibling));
    pending.push_back(static_cast<Record*>(member->firstChild));
  }
  for (auto it = region.rbegin(); it != region.rend(); ++it) {
    Record* member = *it;
    if (member->spouse != nullptr) removeHolder(static_cast<Record*>(member->spouse), member, 1);
    if (member->secondWife != nullptr) {
      removeHolder(static_cast<Record*>(member->secondWife), member, 2);
    }
    uncountFound(member);
    member->visited = false;
    if (isFound(member)) countFound(member);
  }
}

void FamilyTree::startReach() {
  ++epoch_;
  sharedFound_.clear();
  holders_.clear();
  if (root_ != nullptr) visitMember(static_cast<Record*>(root_), nullptr, 1, 0);
}

void FamilyTree::linkFirstChild(Person* father, Person* child) {
  Person* replaced = father->firstChild != child ? father->firstChild : nullptr;
  father->firstChild = child;
  if (!isVisited(father) || isVisited(child)) return;
  if (replaced != nullptr) detachChain(static_cast<Record*>(replaced));
  auto* fatherRecord = static_cast<Record*>(father);
  visitMember(static_cast<Record*>(child), fatherRecord, fatherRecord->walkDepth + 1, 0);
}

void FamilyTree::linkYoungerSibling(Person* older, Person* younger) {
  Person* replaced = older->youngerSibling != younger ? older->youngerSibling : nullptr;
  older->youngerSibling = younger;
  younger->olderSibling = older;
  if (!isVisited(older) || isVisited(younger)) return;
  if (replaced != nullptr) detachChain(static_cast<Record*>(replaced));
  auto* olderRecord = static_cast<Record*>(older);
  visitMember(static_cast<Record*>(younger), olderRecord->walkParent, olderRecord->walkDepth,
              olderRecord->chainIndex + 1);
}

void FamilyTree::linkSpouse(Person* holder, Person*& slot, Person* partner) {
  Person* replaced = slot;
  slot = partner;
  if (replaced == partner || !isVisited(holder)) return;
  auto* member = static_cast<Record*>(holder);
  const std::uint8_t slotNumber = &slot == &holder->spouse ? 1 : 2;
  if (replaced != nullptr) removeHolder(static_cast<Record*>(replaced), member, slotNumber);
  if (partner != nullptr) addHolder(static_cast<Record*>(partner), member, slotNumber);
}

bool FamilyTree::holdsName(const NameKey& key) const { return index_->first(key) != nullptr; }

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
