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

std::size_t FamilyTree::NameIndex::home(std::uint64_t key) const {
  // The hash's top 32 bits scaled to the table: any size of table, no power of two needed.
  return static_cast<std::size_t>(((slotHash(key) >> 32) * slotCount_) >> 32);
}

std::size_t FamilyTree::NameIndex::find(std::uint64_t key) const {
  if (lastSlot_ < slotCount_ && slots_[lastSlot_].head != 0 &&
      (slots_[lastSlot_].word & kKeyMask) == key) {
    return lastSlot_;
  }
  std::size_t at = home(key);
  std::size_t firstErased = slotCount_;
  for (;;) {
    const Slot& slot = slots_[at];
    if (slot.head == 0) {
      if (slot.word != kErased) return firstErased != slotCount_ ? firstErased : at;
      if (firstErased == slotCount_) firstErased = at;
    } else if ((slot.word & kKeyMask) == key) {
      lastSlot_ = at;
      return at;
    }
    if (++at == slotCount_) at = 0;
  }
}

void FamilyTree::NameIndex::prefetch(const char* name) const {
  if (slotCount_ == 0) return;
  NameKey key{};
  std::copy_n(name, 6, key.begin());
  __builtin_prefetch(&slots_[home(pack(key))]);
}

void FamilyTree::NameIndex::reserve(std::size_t records) {
  // At most three slots in four hold a key.
  const std::size_t slots = std::max<std::size_t>(64, records + records / 3 + 1);
  if (slots > slotCount_) rehash(slots);
}

void FamilyTree::NameIndex::rehash(std::size_t slots) {
  platform::LargeBlock old = std::move(memory_);
  const Slot* oldSlots = slots_;
  const std::size_t oldCount = slotCount_;
  memory_ = platform::LargeBlock(slots * sizeof(Slot));  // zero: every slot free
  slots_ = static_cast<Slot*>(memory_.data());
  slotCount_ = slots;
  lastSlot_ = slots;
  used_ = 0;
  for (std::size_t i = 0; i < oldCount; ++i) {
    if (oldSlots[i].head == 0) continue;
    slots_[find(oldSlots[i].word & kKeyMask)] = oldSlots[i];
    ++used_;
  }
}

void FamilyTree::NameIndex::insert(Record* record) {
  if ((used_ + 1) * 4 > slotCount_ * 3) rehash(slotCount_ == 0 ? 64 : slotCount_ * 2);
  const std::uint64_t key = pack(record->name);
  const std::size_t at = find(key);
  Slot& slot = slots_[at];
  lastSlot_ = at;
  if (slot.head != 0) {
    aside_[key].insert(record);
    ++shared_;
    return;
  }
  if (slot.word != kErased) ++used_;
  slot.word = key;
  slot.head = record->sequence + 1;
  slot.found = kNoneFound;
}

void FamilyTree::NameIndex::erase(Record* record) {
  if (slotCount_ == 0) return;
  const std::uint64_t key = pack(record->name);
  Slot& slot = slots_[find(key)];
  if (slot.head == 0) return;
  auto others = aside_.find(key);
  if (slot.head == record->sequence + 1) {
    if (others == aside_.end()) {
      slot.head = 0;
      slot.word = kErased;
      return;
    }
    // Another record of the key takes the slot.
    Record* next = *others->second.begin();
    others->second.erase(others->second.begin());
    slot.head = next->sequence + 1;
  } else if (others == aside_.end() || others->second.erase(record) == 0) {
    return;
  }
  --shared_;
  if (others->second.empty()) aside_.erase(others);
}

FamilyTree::Record* FamilyTree::NameIndex::first(const NameKey& key) const {
  if (slotCount_ == 0) return nullptr;
  return recordOf(slots_[find(pack(key))].head);
}

bool FamilyTree::NameIndex::heldByOther(const NameKey& key, const Record* record) const {
  const Record* head = first(key);
  if (head == nullptr) return false;
  return head != record || aside_.contains(pack(key));
}

std::uint32_t* FamilyTree::NameIndex::found(const NameKey& key, std::uint16_t epoch) {
  if (slotCount_ == 0) return nullptr;
  Slot& slot = slots_[find(pack(key))];
  if (slot.head == 0) return nullptr;
  const std::uint64_t stamped = (slot.word & kKeyMask) | std::uint64_t{epoch} << 48;
  if (slot.word != stamped) {
    slot.word = stamped;
    slot.found = kNoneFound;
  }
  return &slot.found;
}

std::uint32_t FamilyTree::NameIndex::foundAt(const NameKey& key, std::uint16_t epoch) const {
  if (slotCount_ == 0) return kNoneFound;
  const Slot& slot = slots_[find(pack(key))];
  if (slot.head == 0 || slot.word >> 48 != epoch) return kNoneFound;
  return slot.found;
}

void FamilyTree::NameIndex::forgetFound() {
  for (std::size_t i = 0; i < slotCount_; ++i) {
    if (slots_[i].head == 0) continue;
    slots_[i].word &= kKeyMask;
    slots_[i].found = kNoneFound;
  }
}

void FamilyTree::NameIndex::clear() {
  memory_ = platform::LargeBlock();
  slots_ = nullptr;
  slotCount_ = 0;
  lastSlot_ = 0;
  used_ = 0;
  shared_ = 0;
  aside_.clear();
}

// --- Records ---------------------------------------------------------------------------------

FamilyTree::FamilyTree(std::string fileName)
    : fileName_(std::move(fileName)),
      records_(std::make_unique<RecordStore>()),
      index_(std::make_unique<NameIndex>(*records_)) {}

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
  advanceEpoch();
  // An empty tree, or one about to be read, holds nothing unsaved and no edits.
  history_.clear();
  applied_ = 0;
  savedAt_ = 0;
  keptAsRead_ = false;
  unreadRest_.reset();
  releasedCount_ = 0;
  sharedFound_.clear();
  holders_.clear();
  walkParents_.clear();
  fileNames_.clear();
  lastChildren_.clear();
  stack_.clear();
  queue_.clear();
}

bool FamilyTree::releasePerson(Person*& place) {
  auto* record = static_cast<Record*>(place);
  if (record == nullptr) return true;
  keptAsRead_ = false;
  if (root_ == record) root_ = nullptr;
  if (isFound(record)) uncountFound(record);
  index_->erase(record);
  if (!record->has(Record::kReleased)) ++releasedCount_;
  record->set(Record::kReleased, true);
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

FamilyTree::Record* FamilyTree::recordAt(std::uint32_t sequence) const {
  return &(*records_)[sequence];
}

const FamilyTree::Record* FamilyTree::walkParentOf(const Record* member) const {
  if (member->has(Record::kWalkParentAside)) return walkParents_.at(member);
  return static_cast<const Record*>(member->father);
}

// A new epoch: every reach mark and found word made before is stale. The marks keep 16 bits of
// it, so after 65,535 epochs they are all cleared once and the count starts again.
void FamilyTree::advanceEpoch() {
  if (++epoch_ != 0) return;
  for (std::size_t i = 0; i < records_->size(); ++i) (*records_)[i].reachEpoch = 0;
  index_->forgetFound();
  epoch_ = 1;
}

void FamilyTree::touch(Record* record) const {
  if (record->reachEpoch == epoch_) return;
  record->reachEpoch = epoch_;
  record->set(Record::kVisited | Record::kHeldOnce | Record::kHeldMore, false);
  record->holder = 0;
}

bool FamilyTree::isFound(const Record* record) const {
  return record->reachEpoch == epoch_ &&
         record->has(Record::kVisited | Record::kHeldOnce | Record::kHeldMore);
}

bool FamilyTree::isVisited(const Person* person) const {
  auto* record = static_cast<const Record*>(person);
  return record->reachEpoch == epoch_ && record->has(Record::kVisited);
}

// Post-order of two visited members: a member after all his descendants, the lines of one chain
// in chain order. Each step up is a jump when that stays below the place sought.
bool FamilyTree::memberPrecedes(const Record* a, const Record* b) const {
  auto jumpOf = [this](const Record* x) { return recordAt(x->jump); };
  auto ancestorAt = [&](const Record* x, std::uint32_t depth) {
    while (x->walkDepth > depth) {
      const Record* jump = jumpOf(x);
      x = jump->walkDepth >= depth ? jump : walkParentOf(x);
    }
    return x;
  };
  const Record* x = ancestorAt(a, b->walkDepth);
  if (x == b) return true;  // a descends from b
  const Record* y = ancestorAt(b, a->walkDepth);
  if (y == a) return false;  // b descends from a
  x = ancestorAt(x, y->walkDepth);
  // At one depth, two members' jumps reach one depth too: they differ exactly while both stay
  // below the nearest member the two lines share.
  while (walkParentOf(x) != walkParentOf(y)) {
    if (x->jump != y->jump) {
      x = jumpOf(x);
      y = jumpOf(y);
    } else {
      x = walkParentOf(x);
      y = walkParentOf(y);
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
  if (record->has(Record::kVisited)) first = Occurrence{record, 0};
  std::optional<Occurrence> held;
  if (record->has(Record::kHeldOnce)) {
    held = Occurrence{recordAt(record->holder), record->holderSlot};
  } else if (record->has(Record::kHeldMore)) {
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
  std::uint32_t* found = index_->found(record->name, epoch_);
  if (found == nullptr) return;
  if (*found == NameIndex::kNoneFound) {
    *found = record->sequence + 1;
    return;
  }
  auto& shared = sharedFound_.try_emplace(NameIndex::pack(record->name), FirstOccurrenceLess{this})
                     .first->second;
  if (*found != NameIndex::kSeveralFound) shared.insert(recordAt(*found - 1));
  shared.insert(record);
  *found = NameIndex::kSeveralFound;
}

void FamilyTree::uncountFound(Record* record) {
  std::uint32_t* found = index_->found(record->name, epoch_);
  if (found == nullptr || *found == NameIndex::kNoneFound) return;
  if (*found != NameIndex::kSeveralFound) {
    if (*found == record->sequence + 1) *found = NameIndex::kNoneFound;
    return;
  }
  auto shared = sharedFound_.find(NameIndex::pack(record->name));
  shared->second.erase(record);
  if (shared->second.size() == 1) {
    *found = (*shared->second.begin())->sequence + 1;
    sharedFound_.erase(shared);
  }
}

// The compared record with `key`, the first compared of several; null when none has it.
FamilyTree::Record* FamilyTree::foundWithKey(const NameKey& key) const {
  const std::uint32_t found = index_->foundAt(key, epoch_);
  if (found == NameIndex::kNoneFound) return nullptr;
  if (found != NameIndex::kSeveralFound) return recordAt(found - 1);
  return const_cast<Record*>(*sharedFound_.at(NameIndex::pack(key)).begin());
}

void FamilyTree::addHolder(Record* partner, const Record* member, std::uint8_t slot) {
  touch(partner);
  if (isFound(partner)) uncountFound(partner);
  const Occurrence place{member, slot};
  if (partner->has(Record::kHeldMore)) {
    holders_.at(partner).insert(place);
  } else if (partner->has(Record::kHeldOnce)) {
    auto& set = holders_.try_emplace(partner, OccurrenceLess{this}).first->second;
    set.insert(Occurrence{recordAt(partner->holder), partner->holderSlot});
    set.insert(place);
    partner->set(Record::kHeldOnce, false);
    partner->set(Record::kHeldMore, true);
  } else {
    partner->holder = member->sequence;
    partner->holderSlot = slot;
    partner->set(Record::kHeldOnce, true);
  }
  countFound(partner);
}

void FamilyTree::removeHolder(Record* partner, const Record* member, std::uint8_t slot) {
  touch(partner);
  if (!partner->has(Record::kHeldOnce | Record::kHeldMore)) return;
  uncountFound(partner);
  if (partner->has(Record::kHeldOnce)) {
    partner->set(Record::kHeldOnce, false);
    partner->holder = 0;
  } else {
    auto set = holders_.find(partner);
    set->second.erase(Occurrence{member, slot});
    if (set->second.size() == 1) {
      partner->holder = set->second.begin()->member->sequence;
      partner->holderSlot = set->second.begin()->slot;
      partner->set(Record::kHeldMore, false);
      partner->set(Record::kHeldOnce, true);
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
  if (isFound(record)) uncountFound(record);
  record->set(Record::kVisited, true);
  record->walkDepth = depth;
  record->chainIndex = chainIndex;
  const bool aside = walkParent != record->father;
  if (aside) {
    walkParents_[record] = walkParent;
  } else if (record->has(Record::kWalkParentAside)) {
    walkParents_.erase(record);
  }
  record->set(Record::kWalkParentAside, aside);
  if (walkParent == nullptr) {
    record->jump = record->sequence;
  } else {
    const Record* up = recordAt(walkParent->jump);
    const bool even =
        walkParent->walkDepth - up->walkDepth == up->walkDepth - recordAt(up->jump)->walkDepth;
    record->jump = even ? up->jump : walkParent->sequence;
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
  while (!pending.empty()) {
    Record* member = pending.back();
    pending.pop_back();
    if (member == nullptr || !isVisited(member) || member->has(Record::kMet)) continue;
    member->set(Record::kMet, true);
    region.push_back(member);
    pending.push_back(static_cast<Record*>(member->youngerSibling));
    pending.push_back(static_cast<Record*>(member->firstChild));
  }
  for (auto it = region.rbegin(); it != region.rend(); ++it) {
    Record* member = *it;
    member->set(Record::kMet, false);
    if (member->spouse != nullptr) removeHolder(static_cast<Record*>(member->spouse), member, 1);
    if (member->secondWife != nullptr) {
      removeHolder(static_cast<Record*>(member->secondWife), member, 2);
    }
    uncountFound(member);
    member->set(Record::kVisited, false);
    if (isFound(member)) countFound(member);
  }
}

void FamilyTree::startReach() {
  advanceEpoch();
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
  visitMember(static_cast<Record*>(younger), walkParentOf(olderRecord), olderRecord->walkDepth,
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
    if (!record.has(Record::kReleased) && !written[record.sequence]) unplaced.push_back(&record);
  }
  return unplaced;
}

}  // namespace quillet
